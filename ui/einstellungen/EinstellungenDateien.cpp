#include "ui/einstellungen/EinstellungenDateien.h"

#include "controls/BrowseFolderU.h"
#include "controls/GroupboxKio.h"
#include "foundation/DlgMessageU.h"
#include "foundation/OrdnerU.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {

QString OrdnerAnzeige(const std::filesystem::path& folder) {
    QString text = QString::fromStdString(folder.string());
    while (text.size() > 1 && text.endsWith('/')) {
        text.chop(1);
    }
    return text;
}

TEinstellungenDateien::TEinstellungenDateien(QWidget* parent) : TTabForm(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* gruppe = new TGroupboxKio(this);
    gruppe->setTitle(Tr("Ordner"));
    auto* raster = new QGridLayout(gruppe);
    const TOrdner ordner;
    const auto zeile = [&](int row, const QString& label, const std::filesystem::path& folder,
                           QLineEdit*& edit, QPushButton*& button, const QString& title) {
        auto* beschriftung = new QLabel(label, gruppe);
        edit = new QLineEdit(OrdnerAnzeige(folder), gruppe);
        beschriftung->setBuddy(edit);
        button = new QPushButton(QStringLiteral("..."), gruppe);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
        raster->addWidget(beschriftung, row, 0);
        raster->addWidget(edit, row, 1);
        raster->addWidget(button, row, 2);
        QLineEdit* target = edit;
        connect(button, &QPushButton::clicked, this, [this, target, title] { Waehlen(target, title); });
    };
    zeile(0, Tr("&Empfang"), ordner.GetEmpfang(), empfang_, empfangWaehlen_,
          Tr("Ordner für empfangene Dateien:"));
    zeile(1, Tr("&Fernst."), ordner.GetRemote(), fernst_, fernstWaehlen_,
          Tr("Ordner für per Fernsteuerung lesbare Dateien:"));
    layout->addWidget(gruppe);
    // Kept for its place on the page; the transfer progress has no window of its own.
    fortschritt_ = new QCheckBox(Tr("Eigenes Fenster für Übertragungsfortschritt"), this);
    fortschritt_->setEnabled(false);
    layout->addWidget(fortschritt_);
    layout->addStretch(1);
}

void TEinstellungenDateien::Waehlen(QLineEdit* edit, const QString& title) {
    TBrowseFolderDlg dialog(this);
    dialog.SetParent(window());
    dialog.SetTitle(title);
    dialog.SetSelection(edit->text());
    if (dialog.Execute()) {
        edit->setText(OrdnerAnzeige(dialog.Selection().toStdString()));
    }
}

bool TEinstellungenDateien::Pruefen(const QLineEdit* edit) {
    const QString text = edit->text();
    const QFileInfo info(text);
    if (!text.isEmpty() && info.isAbsolute() && info.isDir()) {
        return true;
    }
    TDlgMessage::Run(QStringLiteral("Quarn"), Tr("Der Ordner \"%1\" existiert nicht.").arg(text), mbOK,
                     window());
    return false;
}

void TEinstellungenDateien::Apply() {
    TOrdner ordner;
    // An untouched edit is left alone, so a default folder not made yet is not refused every time.
    if (empfang_->text() != OrdnerAnzeige(ordner.GetEmpfang()) && Pruefen(empfang_)) {
        ordner.SetEmpfang(empfang_->text().toStdString());
    }
    if (fernst_->text() != OrdnerAnzeige(ordner.GetRemote()) && Pruefen(fernst_)) {
        ordner.SetRemote(fernst_->text().toStdString());
    }
}

} // namespace quarn
