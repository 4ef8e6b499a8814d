// The channel's send-file wizard: opening it, bringing it forward and its stay-on-top state as the
// channel is turned to and away from.
#include "devices/channel/KanalFenster.h"
#include "devices/channel/KanalU.h"
#include "foundation/SynchronizeU.h"

#include <QWidget>

namespace quarn {
namespace {

// Changing the stay-on-top flag hides a top-level window; a visible one is shown again at once.
void ObenHalten(QWidget& window, bool oben) {
    if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == oben) {
        return;
    }
    const bool visible = window.isVisible();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, oben);
    if (visible) {
        window.show();
    }
}

} // namespace

// ---- the send-file wizard --------------------------------------------------------------------------

void TKanal::SendenOeffnen(const TSendenVorgabe& vorgabe) {
    AufGui([this, &vorgabe] {
        if (sendenDialog_) {
            sendenDialog_->show();
            sendenDialog_->raise();
            sendenDialog_->activateWindow();
            return;
        }
        sendenDialog_ = umgebung_.fenster->SendenOeffnen(shared_from_this(), vorgabe);
    });
}

void TKanal::Senden() {
    SendenOeffnen({});
}

void TKanal::SendenDateien(const std::vector<std::filesystem::path>& files) {
    SendenOeffnen({TSendenVorgabe::Art::Dateien, files, {}});
}

void TKanal::SendenText(std::string_view text) {
    SendenOeffnen({TSendenVorgabe::Art::Text, {}, std::string(text)});
}

void TKanal::SendenDialogGeschlossen() {
    Synchronize([this] { sendenDialog_.clear(); });
}

bool TKanal::SendenDialogNachVorn() {
    if (!sendenDialog_ || !sendenDialog_->isVisible() || !sendenDialog_->isEnabled()) {
        return false;
    }
    // An active wizard already has the operator: it stops floating over everything else.
    if (sendenDialog_->isActiveWindow()) {
        ObenHalten(*sendenDialog_, false);
        return false;
    }
    ObenHalten(*sendenDialog_, true);
    sendenDialog_->raise();
    sendenDialog_->activateWindow();
    sendenDialog_->setFocus(Qt::ActiveWindowFocusReason);
    return true;
}

void TKanal::SendenDialogZurueck() {
    // The wizard of a channel in the background must not cover the one the operator turned to.
    if (sendenDialog_ && sendenDialog_->isVisible()) {
        ObenHalten(*sendenDialog_, false);
    }
}

} // namespace quarn
