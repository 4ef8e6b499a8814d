#pragma once

#include "devices/channel/KanalFenster.h"

#include <QPointer>
#include <functional>

class QAction;
class QActionGroup;
class QToolBar;

namespace quarn {

// A channel's button on the stand-in window's channel toolbar: a checkable action of the toolbar's one
// exclusive group. Dropping it takes it off the toolbar. A blank caption (a channel without a
// connection) shows the channel's number in its place, so the buttons can be told apart.
class TStandInKanalKnopf : public IKanalKnopf {
public:
    // Channels >= 1 go before the toolbar's last item, channel 0 at the end.
    TStandInKanalKnopf(QToolBar& toolbar, QActionGroup& group, int number, std::function<void()> onClick);
    ~TStandInKanalKnopf() override;
    TStandInKanalKnopf(const TStandInKanalKnopf&) = delete;
    TStandInKanalKnopf& operator=(const TStandInKanalKnopf&) = delete;

    void SetCaption(const QString& caption) override;
    QString Caption() const override;
    void SetHint(const QString& hint) override;
    QString Hint() const override { return hint_; }
    void SetImage(int index) override;
    int Image() const override { return image_; }
    void SetChecked(bool checked) override;
    bool Checked() const override;
    QWidget* Widget() const override;

private:
    QPointer<QToolBar> toolbar_;
    QPointer<QAction> action_;
    const int number_;
    QString caption_;
    QString hint_;
    int image_ = 0;
};

} // namespace quarn
