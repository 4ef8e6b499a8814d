#pragma once

#include <QDir>
#include <QString>
#include <QWidget>

namespace quarn::test {

// Saves what `widget` shows into the build's tests/screenshots/ folder for a person to look at.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    return QDir().mkpath(folder) && widget.grab().save(folder + name);
}

} // namespace quarn::test
