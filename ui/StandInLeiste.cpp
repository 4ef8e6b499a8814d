#include "ui/StandInLeiste.h"

#include <QToolBar>

namespace quarn {

void LeistenTextSetzen(QToolBar& leiste, TLeistenText modus) {
    switch (modus) {
    case TLeistenText::NurSymbole:
        leiste.setToolButtonStyle(Qt::ToolButtonIconOnly);
        return;
    case TLeistenText::TextRechts:
        leiste.setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        return;
    case TLeistenText::TextUnten:
        leiste.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        return;
    }
}

} // namespace quarn
