#pragma once

#include <QCheckBox>

namespace quarn {

// A check box whose caption wraps over as many lines as its width needs, the box beside the first line.
class TMultiCheckBox : public QCheckBox {
public:
    explicit TMultiCheckBox(QWidget* parent = nullptr);
    TMultiCheckBox(const QString& text, QWidget* parent = nullptr);

    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool multiLine);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return multiLine_; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRect IndicatorRect() const;
    int TextLeft() const;
    QRect TextRect(int width) const;

    bool multiLine_ = true;
};

} // namespace quarn
