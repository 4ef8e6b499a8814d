#pragma once

#include <QKeySequence>
#include <QString>

namespace quarn {

// The shortcut a command-toolbar item takes from its caption: Alt and the upper-cased character after the
// caption's "&" when that "&" stands before the caption's last character; empty otherwise. "&&" is a
// literal ampersand and marks nothing.
QKeySequence ToolbarAccelerator(const QString& caption);

// The item's hint with the shortcut appended as " (Alt+V)"; the hint unchanged without a shortcut.
QString ToolbarAcceleratorHint(const QString& hint, const QKeySequence& shortcut);

} // namespace quarn
