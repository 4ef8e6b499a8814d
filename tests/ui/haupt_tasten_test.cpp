// The main window's function keys and Esc.
#include "devices/channel/KanalTasten.h"
#include "ui/HauptTasten.h"

#include <Qt>
#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(HauptTasten, FunctionKeysChooseChannels) {
    struct Case {
        const char* name;
        int key;
        unsigned shift;
        int anzahl;
        bool verbraucht;
        int kanal;
        bool befehl;
    };
    const Case cases[] = {
        {"F1", Qt::Key_F1, 0, 10, true, 1, false},
        {"F10", Qt::Key_F10, 0, 10, true, 10, false},
        {"Shift+F3 is 13", Qt::Key_F3, kTasteShift, 40, true, 13, false},
        {"Ctrl+F1 is 21", Qt::Key_F1, kTasteCtrl, 40, true, 21, false},
        {"Ctrl+Shift+F1 is 31", Qt::Key_F1, kTasteShift | kTasteCtrl, 40, true, 31, false},
        {"Ctrl+Shift+F10 is 40", Qt::Key_F10, kTasteShift | kTasteCtrl, 40, true, 40, false},
        {"above the count: consumed, no change", Qt::Key_F3, kTasteShift, 12, true, -1, false},
        {"Alt+F1 nothing", Qt::Key_F1, kTasteAlt, 40, false, -1, false},
        {"Ctrl+Alt+F1 nothing", Qt::Key_F1, kTasteAlt | kTasteCtrl, 40, false, -1, false},
        {"F11 nothing", Qt::Key_F11, 0, 40, false, -1, false},
        {"F12 monitor", Qt::Key_F12, 0, 10, true, 0, false},
        {"Esc pop-up", Qt::Key_Escape, 0, 10, true, -1, true},
        {"Shift+Esc nothing", Qt::Key_Escape, kTasteShift, 10, false, -1, false},
        {"a letter nothing", Qt::Key_A, 0, 10, false, -1, false},
    };
    for (const Case& c : cases) {
        const THauptTaste taste = HauptTasteAuswerten(c.key, c.shift, c.anzahl);
        EXPECT_EQ(taste.verbraucht, c.verbraucht) << c.name;
        EXPECT_EQ(taste.kanal, c.kanal) << c.name;
        EXPECT_EQ(taste.befehl, c.befehl) << c.name;
    }
}

} // namespace
} // namespace quarn
