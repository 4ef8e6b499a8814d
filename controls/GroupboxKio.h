#pragma once

#include "controls/ThemeMode.h"
#include "controls/UxTheme.h"

#include <QGroupBox>

namespace quarn {

// A group box that draws its frame and caption through the visual style, never a frame line behind the
// caption; in tmNoPaint on a themed tab page the page's body shows through, lined up with the parent's.
class TGroupboxKio : public QGroupBox {
public:
    explicit TGroupboxKio(QWidget* parent = nullptr);
    TGroupboxKio(const QString& title, QWidget* parent = nullptr);

    TThemeMode ThemeMode() const { return themeMode_; }
    void SetThemeMode(TThemeMode mode);
    // The classic look's double line; a single line in the window-frame colour without it.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool ctl3D);

    // Where the caption goes for a text height `h`: 8 pixels in from the leading edge.
    QRect CaptionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PaintTabBody(QPainter& painter);
    void PaintThemed(QPainter& painter, const QRect& frame, const QRect& caption);
    void PaintClassic(QPainter& painter, const QRect& frame, const QRect& caption);

    TThemeMode themeMode_ = TThemeMode::tmDefault;
    bool ctl3D_ = true;
    HTHEME tabTheme_;
    HTHEME buttonTheme_;
};

} // namespace quarn
