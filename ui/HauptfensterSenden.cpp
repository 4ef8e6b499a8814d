// The main window opens the send-file wizards of its channels.
#include "ui/DateiSendenDlgU.h"
#include "ui/Hauptfenster.h"

namespace quarn {

QWidget* THauptfenster::SendenOeffnen(const std::shared_ptr<IKanal>& kanal, const TSendenVorgabe& vorgabe) {
    TDateiSendenUmgebung umgebung = TDateiSendenUmgebung::Programm();
    // F1 to F12 in the wizard switch channels as they do here.
    umgebung.kanalTaste = [this](int key) { KanalTasteAnwenden(key, 0); };
    auto* dlg = new TDateiSendenDlg(std::move(umgebung), this);
    switch (vorgabe.art) {
    case TSendenVorgabe::Art::Dateien:
        dlg->ExecuteFiles(kanal, vorgabe.dateien);
        break;
    case TSendenVorgabe::Art::Text:
        dlg->ExecuteText(kanal, vorgabe.text);
        break;
    case TSendenVorgabe::Art::Nichts:
        dlg->Execute(kanal);
        break;
    }
    return dlg;
}

} // namespace quarn
