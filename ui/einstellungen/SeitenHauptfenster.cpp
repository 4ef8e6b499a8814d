#include "ui/einstellungen/SeitenHauptfenster.h"

#include "ui/Hauptfenster.h"

#include <QApplication>

namespace quarn {

THauptfenster* HauptfensterVon(const QWidget& seite) {
    for (const QWidget* widget = &seite; widget != nullptr; widget = widget->parentWidget()) {
        if (auto* hauptfenster = dynamic_cast<THauptfenster*>(const_cast<QWidget*>(widget))) {
            return hauptfenster;
        }
    }
    // The settings window may be a top-level of its own.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* hauptfenster = dynamic_cast<THauptfenster*>(widget)) {
            return hauptfenster;
        }
    }
    return nullptr;
}

} // namespace quarn
