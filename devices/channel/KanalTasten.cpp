// The keys the active channel handles.
#include "devices/channel/KanalTasten.h"

#include <QKeyEvent>

namespace quarn {
namespace {

using enum TKanalTastenAktion;

TKanalTaste KonsolenTaste(int key, unsigned shift) {
    const bool ctrl = (shift & kTasteCtrl) != 0;
    const bool alt = (shift & kTasteAlt) != 0;
    switch (key) {
    case Qt::Key_F11:
        return {KonsoleEndeFokus};
    case Qt::Key_Tab:
        return {shift == 0 ? EingabeFokus : Keine};
    case Qt::Key_Up:
        return {ctrl ? BoxVorher : Keine};
    case Qt::Key_Down:
        return {ctrl ? BoxNaechste : Keine};
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return {BoxSenden};
    case Qt::Key_Space:
    case Qt::Key_R:
        return {BoxLesen};
    case Qt::Key_E:
        return {BoxLoeschen};
    default:
        break;
    }
    const bool ziffer = key >= Qt::Key_0 && key <= Qt::Key_9;
    const bool buchstabe = key >= Qt::Key_A && key <= Qt::Key_Z;
    return {(ziffer || buchstabe) && !alt ? Piep : Keine};
}

TKanalTaste AndereTaste(int key, unsigned shift) {
    const bool ctrl = (shift & kTasteCtrl) != 0;
    const bool alt = (shift & kTasteAlt) != 0;
    if (ctrl && !alt) {
        switch (key) {
        case Qt::Key_PageUp:
            return {ZeileHoch};
        case Qt::Key_PageDown:
            return {ZeileRunter};
        case Qt::Key_Home:
            return {Anfang};
        case Qt::Key_End:
            return {Ende};
        default:
            break;
        }
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            const int ziffer = key - Qt::Key_0;
            // Ctrl+1 is the first macro, Ctrl+0 the tenth.
            return {Makro, 4 + (ziffer + 9) % 10, (shift & kTasteShift) != 0};
        }
    }
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && shift == kTasteShift)) {
        return {KonsoleFokus};
    }
    if (key == Qt::Key_F11) {
        return {BoxListeFokus};
    }
    if (shift == 0 && key == Qt::Key_PageUp) {
        return {SeiteHoch};
    }
    if (shift == 0 && key == Qt::Key_PageDown) {
        return {SeiteRunter};
    }
    return {};
}

} // namespace

int KanalTastenCode(const QKeyEvent& event) {
    // The digit row's XKB key codes (X11 and Wayland): 10 is "1" ... 18 is "9", 19 is "0".
    constexpr quint32 kErsteZiffer = 10;
    constexpr quint32 kNull = 19;
    const quint32 code = event.nativeScanCode();
    if (event.modifiers().testFlag(Qt::ShiftModifier) && code >= kErsteZiffer && code <= kNull) {
        return code == kNull ? Qt::Key_0 : Qt::Key_1 + static_cast<int>(code - kErsteZiffer);
    }
    return event.key();
}

unsigned KanalShift(Qt::KeyboardModifiers modifiers) {
    unsigned shift = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        shift |= kTasteShift;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        shift |= kTasteAlt;
    }
    if (modifiers.testFlag(Qt::ControlModifier)) {
        shift |= kTasteCtrl;
    }
    return shift;
}

TKanalTaste KanalTasteDeuten(int key, unsigned shift, bool konsoleFokus) {
    return konsoleFokus ? KonsolenTaste(key, shift) : AndereTaste(key, shift);
}

} // namespace quarn
