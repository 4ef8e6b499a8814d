#include "connections/standard/VerbindungStandardU.h"

#include "connections/send/DateiSendenU.h"
#include "connections/standard/StandardErkennungU.h"
#include "connections/standard/StandardPasswortU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/QueueU.h"
#include "stations/PGPCheckU.h"

#include <utility>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungStandard";

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string ArtName(TStationType art) {
    return StationTypeName(static_cast<int>(art)).toStdString();
}

} // namespace

TVerbindungStandard::TVerbindungStandard(std::shared_ptr<TVerbindungAbstract> owner,
                                         std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungAbstract(std::move(owner), std::move(connection)) {}

TVerbindungStandard::~TVerbindungStandard() {
    TVerbindungStandard::Release();
}

std::string TVerbindungStandard::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindungStandard::Release() {
    if (!freigegeben_) {
        freigegeben_ = true;
        pgp_.reset();
    }
    TVerbindungAbstract::Release();
}

void TVerbindungStandard::Init() {
    SetUseEvent(5, true);
    SetUseEvent(6, true);
    SetUseEvent(8, true);
    zeile_.clear();
    kennung_.clear();
    ersteZeile_ = false;
    pgp_ = std::make_unique<TPGPCheck>(*Verbindung());
    kennungErledigt_ = false;
    verstecken_ = Config() != nullptr && Config()->GetHideReceivedSID();
    dieBoxZeilen_ = 0;
    ArtAusDatenbank();
}

TStationType TVerbindungStandard::Art() const {
    return Verbindung()->GetStationTyp();
}

void TVerbindungStandard::SetArt(TStationType art) {
    Verbindung()->SetStationTyp(art);
}

void TVerbindungStandard::ArtAusDatenbank() {
    const auto entry = Verbindung()->GetStationenDatenbankEintrag();
    if (entry && entry->GetTyp() != TStationType::st_unknown) {
        gemerkt_ = Art();
        SetArt(entry->GetTyp());
    }
}

std::string TVerbindungStandard::EigenerCall() const {
    const std::string call = Verbindung()->Get_MyCall();
    return call.substr(0, call.find('-'));
}

void TVerbindungStandard::SendData() {
    TStringQueue& typed = Verbindung()->GetTypedTextQueue();
    if (!typed.IsEmpty()) {
        Verbindung()->GetTransmitQueue().PushString(typed.PopString());
    }
}

void TVerbindungStandard::SendFile() {
    DebOutObj(kKlasse, "SendFile", "begin...");
    const auto connection = Verbindung();
    const auto queue = connection->GetDateiSendenQueue();
    if (!queue) {
        return;
    }
    std::shared_ptr<IDateiSenden> job;
    queue->Lock();
    if (queue->GetCount() > 0) {
        job = queue->Current();
    }
    queue->UnLock();
    if (!job) {
        return;
    }
    connection->SetDateiSenden(job);
    TTransferArt art{};
    if (!DateiOeffnen(*job)) {
        DebOutObj(kKlasse, "SendFile", "Datei nicht lesbar: " + job->GetDateiname().string());
        connection->KanalPrompt(kDateiNichtLesbar, 3);
    } else if (!SendeArt(job->GetProtokoll(), art)) {
        DebOutObjFmt(kKlasse, "SendFile", "Protokoll %d unbekannt", job->GetProtokoll());
    } else if (const THandlerFabrik fabrik = TransferFabrik(art)) {
        RunGeschuetzt(fabrik);
    } else {
        DebOutObjFmt(kKlasse, "SendFile", "kein Handler für Protokoll %d", job->GetProtokoll());
    }
    // Done, failed or not sendable: the job leaves the queue, else its event would wake us forever.
    queue->Remove(job);
    job->Release();
    connection->SetDateiSenden(nullptr);
}

void TVerbindungStandard::Kennung(std::string& piece) {
    if (zeile_.empty() && piece.starts_with('{')) {
        kennungSammeln_ = true;
    }
    if (kennungSammeln_) {
        const auto brace = piece.find('}');
        const auto cr = piece.find('\r');
        const auto end = (brace != std::string::npos && (cr == std::string::npos || brace < cr)) ? brace : cr;
        const std::size_t take = end == std::string::npos ? piece.size() : end + 1;
        kennung_ += piece.substr(0, take);
        if (verstecken_) {
            piece.erase(0, take);
        }
        if (end != std::string::npos) {
            kennungSammeln_ = false;
        }
    }
    if (kennungSammeln_ || kennung_.empty()) {
        return;
    }
    if (IstStationsKennung(kennung_)) {
        DebOutObjFmt(kKlasse, "ReceiveData", "SID = %s", kennung_.c_str());
        if (!verstecken_) {
            // Shown as it came; the rest of the piece after "}" goes on like any received text.
            const std::size_t inPiece = kennung_.size() - zeile_.size();
            Verbindung()->ZeigeEmpfangen(piece.substr(0, inPiece));
            piece.erase(0, inPiece);
        } else if (piece.starts_with('\r')) {
            // A hidden identification leaves no empty line behind.
            piece.erase(0, 1);
        }
        // Earlier parts of the identification were shown already; they are no line of their own.
        zeile_.clear();
        if (KennungMerkmale(kennung_).find('D') != std::string::npos) {
            Verbindung()->SetBinMode(5);
        }
        if (Config() != nullptr && Config()->GetSendSID() && Verbindung()->GetAusgehend()) {
            Verbindung()->SID();
        }
        kennungErledigt_ = true;
    } else if (verstecken_) {
        piece.insert(0, kennung_);
    }
    kennung_.clear();
}

void TVerbindungStandard::ReceiveData() {
    TStringQueue& received = Verbindung()->GetReceiveQueue();
    while (Verbindung() && !received.IsEmpty()) {
        std::string piece = received.PopLine();
        if (piece.empty()) {
            continue;
        }
        if (!kennungErledigt_) {
            Kennung(piece);
            if (piece.empty()) {
                continue;
            }
        }
        zeile_ += piece;
        markierung_ = Verbindung()->ZeigeEmpfangen(piece) - 1;
        if (!zeile_.ends_with('\r')) {
            continue;
        }
        const std::string line = std::move(zeile_);
        zeile_.clear();
        Zeile(line);
    }
}

void TVerbindungStandard::Zeile(const std::string& line) {
    const auto connection = Verbindung();
    pgp_->Receive(line);
    if (dieBoxZeilen_ < 5) {
        PasswortDieBox(line);
    }
    const bool prompt = PasswortVerarbeiten(line, ersteZeile_ ? TPasswortArt::Sysop : TPasswortArt::Benutzer);
    if (prompt) {
        if (!ersteZeile_) {
            if (Art() == TStationType::st_unknown) {
                gemerkt_ = TStationType::st_unknown;
                SetArt(TStationType::st_box);
            }
            DebOutObj(kKlasse, "ReceiveData", "CText: Passwortabfrage erkannt => " + ArtName(Art()));
            ersteZeile_ = true;
        }
    } else if (!ersteZeile_) {
        if (!Trim(line).empty()) {
            ersteZeile_ = true;
            if (Art() == TStationType::st_unknown) {
                gemerkt_ = Art();
                if (const auto treffer = ErrateStationsArt(line)) {
                    SetArt(treffer->art);
                    DebOutObj(kKlasse, "ReceiveData",
                              "CText: \"" + std::string(treffer->eintrag) + "\" erkannt => " +
                                  ArtName(Art()));
                } else {
                    SetArt(TStationType::st_terminal);
                    DebOutObj(kKlasse, "ReceiveData", "CText: Nichts erkannt => " + ArtName(Art()));
                }
            }
        }
    }
    const TStationType art = Art();
    if (line.size() > 2 && art == TStationType::st_terminal && line.starts_with("//") && line[2] != '/' &&
        line[2] != ' ') {
        if (!connection->GetFernsteuerung()) {
            connection->KanalPrompt(kKeineFernsteuerung, 3);
        } else if (const auto remote = connection->GetRemoteCommands()) {
            remote->Execute(line);
        } else {
            DebOutObj(kKlasse, "ReceiveData", "Fernsteuerung: kein Interpreter");
        }
        return;
    }
    if (art != TStationType::st_digi) {
        if (const TTransferStart* start = ErkenneTransferStart(line)) {
            if (const THandlerFabrik fabrik = TransferFabrik(start->art)) {
                // The transfer handler reads its start line itself.
                TStringQueue& received = connection->GetReceiveQueue();
                received.PushFrontString(line);
                if (!RunGeschuetzt(fabrik) && received.PeekString() == line) {
                    // A handler that failed before reading its start line must not be started by it again.
                    received.PopString();
                }
            } else {
                DebOutObj(kKlasse, "ReceiveData", "kein Handler für " + std::string(start->prefix));
            }
            return;
        }
    }
    using enum TStationType;
    if ((art == st_unknown || art == st_digi || art == st_terminal) && IstConversBeginn(line)) {
        gemerkt_ = art;
        SetArt(st_convers);
        return;
    }
    if (art == st_convers && IstConversEnde(line)) {
        SetArt(gemerkt_);
        gemerkt_ = st_convers;
        return;
    }
    if (art == st_box) {
        if (!boxListe_) {
            boxListe_ = MailboxListExpression();
        }
        if (boxListe_->Exec(line)) {
            if (const auto kanal = connection->GetKanal()) {
                kanal->MarkiereZeile(markierung_);
            }
        }
    }
    if (const auto sprung = ErkenneKnotenSprung(line)) {
        if (sprung->reconnect) {
            if (connection->InfoboxReconnect(sprung->call)) {
                gemerkt_ = art;
            }
        } else if (connection->InfoboxConnect(sprung->call)) {
            ersteZeile_ = false;
            ArtAusDatenbank();
        }
    }
}

void TVerbindungStandard::SendeAntwort(std::string_view text) {
    Verbindung()->SendeText(text, true, false, false, true);
}

bool TVerbindungStandard::PasswortVerarbeiten(const std::string& line, TPasswortArt art) {
    const auto connection = Verbindung();
    const auto prompt = ErkenneLoginPrompt(line, connection->Get_Call());
    if (!prompt) {
        return false;
    }
    const auto entry = connection->GetStationenDatenbankEintrag();
    if (!entry) {
        return true;
    }
    const auto lesen = [&](TPasswortArt kind) {
        std::string password = entry->GetPasswort(EigenerCall(), kind, prompt->methode);
        std::erase_if(password, [](char c) { return c == '\r' || c == '\n'; });
        return password;
    };
    std::string password = lesen(art);
    if (password.empty()) {
        password = lesen(art == TPasswortArt::Sysop ? TPasswortArt::Benutzer : TPasswortArt::Sysop);
    }
    // Never the password itself, nor anything made from it.
    DebOutObjFmt(kKlasse, "PasswortVerarbeiten", "Passwort: %zu Zeichen", password.size());
    if (password.empty()) {
        return true;
    }
    if (prompt->methode == TPasswortMethode::BayCom) {
        const TPasswortAntwort antwort = PasswortPositionen(prompt->text, password, PasswortZufall());
        if (!antwort.fehler.empty()) {
            connection->KanalPrompt(antwort.fehler, 3);
        } else {
            SendeAntwort(antwort.antwort);
        }
    } else {
        DebOutObjFmt(kKlasse, "PasswortMD5", "Prompt = %s", prompt->text.c_str());
        SendeAntwort(PasswortMD5(prompt->text, password));
    }
    return true;
}

void TVerbindungStandard::PasswortDieBox(const std::string& line) {
    ++dieBoxZeilen_;
    const auto connection = Verbindung();
    const auto entry = connection->GetStationenDatenbankEintrag();
    const auto zeit = ErkenneLoginZeit(line);
    if (!zeit) {
        if (!entry ||
            (entry->GetPasswort(EigenerCall(), TPasswortArt::Benutzer, TPasswortMethode::DieBox).empty())) {
            dieBoxZeilen_ = 5;
        }
        return;
    }
    dieBoxZeilen_ = 5;
    if (!entry) {
        return;
    }
    const TZufall zufall = PasswortZufall();
    std::string vorige;
    TDieBoxFueller fueller;
    for (const TPasswortArt art : {TPasswortArt::Benutzer, TPasswortArt::Sysop}) {
        const std::string password = entry->GetPasswort(EigenerCall(), art, TPasswortMethode::DieBox);
        if (password.empty()) {
            continue;
        }
        DebOutObjFmt(kKlasse, "PasswortDieBox", "------ Art = %d", static_cast<int>(art));
        DebOutObjFmt(kKlasse, "PasswortDieBox", "Pwd-Länge: %zu", password.size());
        const auto table = DieBoxTabelle(password);
        if (!table) {
            continue;
        }
        if (*table != vorige) {
            fueller = DieBoxFueller(*table, zufall);
            vorige = *table;
        }
        SendeAntwort(DieBoxAntwort(DieBoxZeichen(*table, *zeit), fueller));
    }
}

} // namespace quarn
