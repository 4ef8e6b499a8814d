#include "ui/ToolbarAccelerator.h"

namespace quarn {

QKeySequence ToolbarAccelerator(const QString& caption) {
    for (qsizetype at = caption.indexOf('&'); at >= 0 && at + 1 < caption.size();
         at = caption.indexOf('&', at + 2)) {
        const QChar marked = caption.at(at + 1);
        if (marked == '&') {
            continue;
        }
        if (marked.isSpace()) {
            return {};
        }
        return QKeySequence(
            QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(marked.toUpper().unicode())));
    }
    return {};
}

QString ToolbarAcceleratorHint(const QString& hint, const QKeySequence& shortcut) {
    if (shortcut.isEmpty()) {
        return hint;
    }
    return hint + " (" + shortcut.toString(QKeySequence::NativeText) + ")";
}

} // namespace quarn
