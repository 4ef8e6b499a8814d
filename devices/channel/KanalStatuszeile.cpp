// The window's status bar and progress bar while the channel is the active one.
#include "devices/channel/KanalFenster.h"
#include "devices/channel/KanalTexte.h"
#include "devices/channel/KanalU.h"
#include "foundation/ConfigU.h"
#include "platform/Codepage.h"

#include <QCoreApplication>
#include <cmath>

namespace quarn {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TKanal", text);
}

QString ZustandsWort(std::uint8_t state) {
    switch (state) {
    case 1:
        return Tr("Trenne...");
    case 2:
        return Tr("Verbinde...");
    case 3:
        return Tr("Verbunden");
    default:
        return Tr("Getrennt");
    }
}

QString Text(const std::string& bytes) {
    return Cp1252ToQString(bytes);
}

} // namespace

void TKanal::Statuszeile() {
    if (!active_) {
        return;
    }
    IKanalFenster& fenster = *umgebung_.fenster;
    if (number_ == 0) {
        for (int panel = 1; panel <= 6; ++panel) {
            fenster.SetStatusPanel(panel, {});
        }
    } else {
        const std::shared_ptr<IVerbindung> connection = GetVerbindung();
        const std::uint8_t state = connection ? connection->GetState() : 0;
        const QString word = ZustandsWort(state);
        if (transfer_.id != nullptr && connection) {
            QString panel1;
            if (state != 3) {
                panel1 = word;
            } else if (transfer_.state == 1) {
                panel1 = Tr("Warte...");
            } else if (transfer_.state == 2) {
                const QString name = transfer_.name.empty() ? Tr("(unbekannt)") : Text(transfer_.name);
                panel1 = transfer_.size > 0 ? QStringLiteral("%1 (%2k)")
                                                  .arg(name)
                                                  .arg(static_cast<qint64>(std::llround(
                                                      static_cast<double>(transfer_.size) / 1024.0)))
                                            : name;
            }
            fenster.SetStatusPanel(1, panel1);
        } else {
            fenster.SetStatusPanel(0, word);
            fenster.SetStatusPanel(1, QString::fromStdString(GetMitschriebDatei().filename().string()));
        }
        fenster.SetStatusPanel(7, {});
        fenster.SetStatusPanel(8, state != 0 ? Text(connection->Get_MyCall()) : QString());
    }
    if (transfer_.id != nullptr) {
        const QString label = QString::asprintf("%1.1f%%", static_cast<double>(transfer_.progress));
        if (label != shownProgress_) {
            shownProgress_ = label;
            fenster.SetFortschritt(true, label, static_cast<int>(std::lround(transfer_.progress)));
        }
    } else {
        shownProgress_.clear();
        fenster.SetFortschritt(false, {}, 0);
    }
}

void TKanal::StatusbarAktualisieren(bool all) {
    if (!released_) {
        StatusbarAktualisierenGui(all);
    }
}

void TKanal::StatusbarAktualisierenGui(bool all) {
    if (!active_) {
        return;
    }
    IKanalFenster& fenster = *umgebung_.fenster;
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    const std::shared_ptr<IStatus> status =
        connection && connection->GetState() != 0 ? connection->GetStatus() : nullptr;
    if (status) {
        const auto show = [&](int panel, bool changed, const std::string& text) {
            if (all || changed) {
                fenster.SetStatusPanel(panel, Text(text));
            }
        };
        show(3, status->TriesChanged(), TriesText(status->GetTries()));
        show(4, status->OutstandingChanged(), OutstandingText(status->GetOutstanding()));
        show(5, status->FrackChanged(), FrackText(status->GetFrack()));
        show(6, status->MaxframeChanged(), MaxframeText(status->GetMaxframe()));
        show(7, status->LinkStatusChanged(), LinkStatusText(status->GetLinkStatus()));
        show(2, status->BitrateChanged(), BitrateText(status->GetBitrate()));
        return;
    }
    if (number_ >= 1) {
        // Panels 0, 1 and 8 (state, capture file, own call) are the status line's.
        for (int panel = 2; panel <= 7; ++panel) {
            fenster.SetStatusPanel(panel, {});
        }
        return;
    }
    for (int panel = 1; panel <= 6; ++panel) {
        fenster.SetStatusPanel(panel, {});
    }
    fenster.SetStatusPanel(0, Tr("Monitor"));
    fenster.SetStatusPanel(7, Text(Config()->GetDestination()));
    fenster.SetStatusPanel(8, Text(Config()->GetMyCall()));
}

} // namespace quarn
