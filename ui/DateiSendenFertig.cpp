// Finish of the send-file wizard: checks, the remembered texts, and each file or the text handed on.
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "stations/PGPU.h"
#include "ui/BefehlVerlauf.h"
#include "ui/DateiSendenDlgU.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace quarn {
namespace {

constexpr const char* kClass = "TDateiSendenDlg";

} // namespace

bool TDateiSendenDlg::PasswortPruefen() {
    if (!pgp_ || !signieren_->isEnabled() || !signieren_->isChecked()) {
        return true;
    }
    const std::string key = schluessel_->currentData().toString().toStdString();
    if (pgp_->CheckPassphrase(key, passwort_->text().toStdString())) {
        return true;
    }
    Fragen(Tr("PGP"), Tr("Falsches Passwort."), mbOK);
    SeiteZeigen(SeitePgp);
    passwort_->selectAll();
    passwort_->setFocus();
    return false;
}

void TDateiSendenDlg::VerlaufSpeichern() {
    RegistryStore& store = *umgebung_.store;
    store.WriteString(Hive::CurrentUser, kVerlaufKey, "Senden Text vorher",
                      MemoBytes(vorher_->toPlainText()));
    store.WriteString(Hive::CurrentUser, kVerlaufKey, "Senden Text nachher",
                      MemoBytes(nachher_->toPlainText()));
    if (umgebung_.config != nullptr && pgp_) {
        umgebung_.config->SetComment(QStringToCp1252(kommentar_->text()));
    }
}

std::unique_ptr<TStream> TDateiSendenDlg::DateiOeffnen(const std::filesystem::path& name) {
    for (;;) {
        // A pipe or a device that took the name since it was listed would block the open.
        std::error_code error;
        if (std::filesystem::is_regular_file(name, error)) {
            auto stream = std::make_unique<TFileStreamKio>();
            stream->SetFileName(name);
            stream->SetMode(fmOpenRead | fmShareDenyWrite);
            stream->Open();
            if (stream->IsOpen()) {
                return stream;
            }
        }
        DebOutObj(kClass, "Fertigstellen", "FEHLER: " + name.string());
        if (Fragen(Tr("Fehler"), Tr("Datei konnte nicht geöffnet werden. Noch einmal versuchen?"),
                   mbYes | mbNo) != mrYes) {
            return nullptr;
        }
    }
}

void TDateiSendenDlg::Fertigstellen() {
    DebOutObj(kClass, "Fertigstellen", "begin...");
    // The link may have gone since the button was last refreshed: nothing is handed on then.
    const std::shared_ptr<IVerbindung> verbindung = kanal_ ? kanal_->GetVerbindung() : nullptr;
    if (!verbindung) {
        Fragen(Tr("Quarn"), Tr("Der Kanal ist nicht verbunden."), mbOK);
        KanalAktualisieren();
        return;
    }
    const bool dateien = radioDateien_->isChecked();
    const std::uint8_t protokoll = Protokoll();
    const bool teilen = teilen_->isEnabled() && teilen_->isChecked() && (protokoll == 2 || protokoll == 5);
    // The size in the edit counts only as it is clamped, and every record's parts follow it.
    const int teilGroesse = TeilGroesseKlemmen(teilGroesse_->text());
    if (QString::number(teilGroesse) != teilGroesse_->text()) {
        teilGroesse_->setText(QString::number(teilGroesse));
    }
    if (dateien) {
        EintraegeNeu();
        for (TDateiSendenEintrag& eintrag : eintraege_) {
            TeileSetzen(eintrag, teilGroesse);
        }
        TeileAnzeigen();
    }
    if (!PasswortPruefen()) {
        return;
    }
    VerlaufSpeichern();

    TSendenWahl wahl;
    wahl.protokoll = protokoll;
    wahl.teilen = teilen;
    wahl.teilGroesse = teilGroesse;
    wahl.textVorher = MailboxText(MemoBytes(vorher_->toPlainText()), vorherAn_->isChecked());
    wahl.textNachher = MailboxText(MemoBytes(nachher_->toPlainText()), nachherAn_->isChecked());
    wahl.signieren = pgp_ && signieren_->isEnabled() && signieren_->isChecked();
    if (wahl.signieren) {
        wahl.key = schluessel_->currentData().toString().toStdString();
        wahl.passwort = passwort_->text().toStdString();
        wahl.kommentar = QStringToCp1252(kommentar_->text());
    }

    if (dateien) {
        for (const TDateiSendenEintrag& eintrag : eintraege_) {
            if (std::unique_ptr<TStream> stream = DateiOeffnen(eintrag.name)) {
                umgebung_.weitergabe(DateiUebergabe(wahl, eintrag, std::move(stream), verbindung));
            }
        }
    } else {
        std::string text = TextZumSenden(MemoBytes(textMemo_->toPlainText()), umbruch_->isChecked());
        if (!text.empty()) {
            umgebung_.weitergabe(TextUebergabe(wahl, std::move(text), verbindung));
        }
    }
    nichtFertig_ = false;
    DebOutObj(kClass, "Fertigstellen", "end.");
    close();
}

} // namespace quarn
