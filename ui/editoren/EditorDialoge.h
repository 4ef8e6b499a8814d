#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quarn {

// The file dialogs and message boxes an embedded editor opens, replaceable so that its behaviour runs
// without a person at the screen.
struct TEditorDialoge {
    // A file to open (`speichern` false) or to save under; empty when the dialog was cancelled.
    // `filter` in Qt's form, `suffix` the extension added to a name without one.
    std::function<QString(QWidget* owner, const QString& title, const QString& filter, const QString& folder,
                          const QString& suffix, bool speichern)>
        dateiWaehlen;
    std::function<void(QWidget* owner, const QString& text)> melden;

    // The real dialogs: Qt's file dialog and the program's message box.
    static TEditorDialoge Programm();
};

// Where the sound dialogs start: the "Sound" folder beside the program when it exists, else the
// documents folder.
QString KlangOrdner();

} // namespace quarn
