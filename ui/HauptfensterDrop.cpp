// The main window's channel toolbar as the drop target sees it during a drag.
#include "ui/Hauptfenster.h"

#include <QAction>
#include <QActionGroup>
#include <QToolBar>

namespace quarn {

std::optional<int> THauptfenster::KanalKnopfBei(const QPoint& global) const {
    if (!kanalLeiste_->isVisible()) {
        return std::nullopt;
    }
    const QPoint local = kanalLeiste_->mapFromGlobal(global);
    if (!kanalLeiste_->rect().contains(local)) {
        return std::nullopt;
    }
    const QAction* action = kanalLeiste_->actionAt(local);
    // The toolbar's other items are no channel's.
    if (action == nullptr || action->actionGroup() != kanalGruppe_ || !action->data().isValid()) {
        return std::nullopt;
    }
    return action->data().toInt();
}

void THauptfenster::KanalKnopfKlicken(int number) {
    for (QAction* action : kanalGruppe_->actions()) {
        if (action->data().isValid() && action->data().toInt() == number) {
            action->trigger();
            return;
        }
    }
}

} // namespace quarn
