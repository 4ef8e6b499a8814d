#include "ui/HauptTasten.h"

#include "devices/channel/KanalTasten.h"

#include <Qt>

namespace quarn {

THauptTaste HauptTasteAuswerten(int key, unsigned shift, int kanalAnzahl) {
    THauptTaste result;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F10) {
        if ((shift & ~(kTasteShift | kTasteCtrl)) != 0) {
            return result;
        }
        int nummer = key - Qt::Key_F1 + 1;
        if ((shift & kTasteShift) != 0) {
            nummer += 10;
        }
        if ((shift & kTasteCtrl) != 0) {
            nummer += 20;
        }
        result.verbraucht = true;
        if (nummer <= kanalAnzahl) {
            result.kanal = nummer;
        }
    } else if (key == Qt::Key_F12) {
        result.verbraucht = true;
        result.kanal = 0;
    } else if (key == Qt::Key_Escape && shift == 0) {
        result.verbraucht = true;
        result.befehl = true;
    }
    return result;
}

} // namespace quarn
