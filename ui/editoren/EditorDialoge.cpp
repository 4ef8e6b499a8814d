#include "ui/editoren/EditorDialoge.h"

#include "foundation/DlgMessageU.h"
#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>

namespace quarn {

TEditorDialoge TEditorDialoge::Programm() {
    TEditorDialoge dialoge;
    dialoge.dateiWaehlen = [](QWidget* owner, const QString& title, const QString& filter,
                              const QString& folder, const QString& suffix, bool speichern) {
        QFileDialog dialog(owner, title, folder, filter);
        dialog.setAcceptMode(speichern ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(speichern ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().front();
    };
    dialoge.melden = [](QWidget* owner, const QString& text) {
        TDlgMessage::Run(QStringLiteral("Quarn"), text, mbOK, owner);
    };
    return dialoge;
}

QString KlangOrdner() {
    const QString sound = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Sound"));
    if (QDir(sound).exists()) {
        return sound;
    }
    return QString::fromStdString(DocumentsFolder().string());
}

} // namespace quarn
