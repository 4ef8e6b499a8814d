#include "connections/transfer/Verbindung7PlusReceiveU.h"

#include "connections/send/DateiSendenU.h"
#include "connections/transfer/EmpfangsNameU.h"
#include "foundation/DebOutU.h"
#include "foundation/QueueU.h"
#include "stations/KlaengeU.h"

#include <charconv>
#include <cstdio>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindung7PlusReceive";

// Characters `from` to `to` (1-based, inclusive) of the line, as far as it reaches.
std::string_view Spalten(std::string_view line, std::size_t from, std::size_t to) {
    if (line.size() < from) {
        return {};
    }
    return line.substr(from - 1, to - from + 1);
}

std::string_view Getrimmt(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The field as an unsigned number of the base; `fallback` when it is anything else.
int Zahl(std::string_view field, int base, int fallback) {
    field = Getrimmt(field);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, base);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() || value > 0x7FFFFFFFu) {
        return fallback;
    }
    return static_cast<int>(value);
}

} // namespace

T7PlusKopf Lies7PlusKopf(std::string_view header) {
    T7PlusKopf kopf;
    kopf.teil = Zahl(Spalten(header, 9, 11), 10, -1);
    kopf.anzahl = Zahl(Spalten(header, 16, 18), 10, -1);
    kopf.name = std::string(Getrimmt(Spalten(header, 20, 31)));
    kopf.zeilen = Zahl(Spalten(header, 41, 44), 16, 0) / 64;
    return kopf;
}

std::string SiebenPlusEndung(const T7PlusKopf& kopf) {
    // A part number that cannot be read would give a meaningless ".pFFFFFFFF".
    if (kopf.anzahl == 1 || kopf.teil < 1) {
        return ".7pl";
    }
    char endung[16];
    std::snprintf(endung, sizeof endung, ".p%.2X", static_cast<unsigned>(kopf.teil));
    return endung;
}

TVerbindung7PlusReceive::TVerbindung7PlusReceive(std::shared_ptr<TVerbindungAbstract> owner,
                                                 std::shared_ptr<IVerbindungFuerModul> connection)
    : TZeilenEmpfang(std::move(owner), std::move(connection), "7Plus") {}

std::string TVerbindung7PlusReceive::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindung7PlusReceive::Init() {
    Klang(kKlangStart);
    SetUseEvent(5, true);
    SetUseEvent(6, true);
    // Running transfers can be stopped by the operator.
    SetActive(true);

    TStringQueue& received = Verbindung()->GetReceiveQueue();
    std::string header = received.IsEmpty() ? std::string() : received.PopLine();
    if (header.ends_with('\r')) {
        header.pop_back();
    }
    DebOutObj(kKlasse, "Init", "Header: " + header);
    kopf_ = Lies7PlusKopf(header);
    DebOutObjFmt(kKlasse, "Init", "Teil: %d", kopf_.teil);
    DebOutObjFmt(kKlasse, "Init", "Anzahl: %d", kopf_.anzahl);
    DebOutObj(kKlasse, "Init", "Original-Dateiname: " + kopf_.name);
    DebOutObjFmt(kKlasse, "Init", "Zeilen erwartet: %d", kopf_.zeilen);

    std::filesystem::path name = EmpfangsPfad(EmpfangsOrdner(), kopf_.name, Gegenstelle());
    name.replace_extension(SiebenPlusEndung(kopf_));
    if (!DateiAnlegen(name)) {
        Ende(kBeendet);
        return;
    }
    DebOutObj(kKlasse, "Init", "Dateiname: " + DateiName().string());
    SchreibeZeile(header);

    empfangen_ = 0;
    fortschritt_ = std::make_shared<TDateiSenden>(Verbindung());
    fortschritt_->SetDateiname(DateiName());
    fortschritt_->SetProtokoll(kProtokoll7Plus);
    fortschritt_->SetGroesse(kopf_.zeilen);
    Verbindung()->SetDateiSenden(fortschritt_);
    fortschritt_->Starten();
}

void TVerbindung7PlusReceive::ReceiveData() {
    TStringQueue& received = Verbindung()->GetReceiveQueue();
    while (!Beendet() && !received.IsEmpty()) {
        zeile_ += received.PopLine();
        if (!zeile_.ends_with('\r')) {
            continue;
        }
        const std::string line = std::move(zeile_);
        zeile_.clear();
        Zeile(line);
    }
}

void TVerbindung7PlusReceive::Zeile(const std::string& line) {
    if (fortschritt_) {
        fortschritt_->AddBytes(static_cast<std::int64_t>(line.size()));
    }
    const std::string_view text = std::string_view(line).substr(0, line.size() - 1);
    SchreibeZeile(text);
    if (Beendet()) {
        return;
    }
    if (text.empty()) {
        DebOutObj(kKlasse, "ReceiveData", "Ende (Leerzeile)");
        Ende(kBeendet);
        return;
    }
    if (text.starts_with(" stop_7+.")) {
        DebOutObj(kKlasse, "ReceiveData", "Ende (\" stop_7+.\")");
        Verbindung()->ZeigeEmpfangen(line);
        Ende(kBeendet);
        return;
    }
    if (text.starts_with("*** ")) {
        DebOutObj(kKlasse, "ReceiveData", "Ende (\"*** \")");
        Verbindung()->ZeigeEmpfangen(line);
        Ende(kBeendet);
        return;
    }
    ++empfangen_;
    if (fortschritt_) {
        fortschritt_->SetPosition(empfangen_);
    }
}

void TVerbindung7PlusReceive::Terminated(int reason) {
    DebOutObjFmt(kKlasse, "Terminated", "Zeilen empfangen: %lld", static_cast<long long>(empfangen_));
    TZeilenEmpfang::Terminated(reason);
}

void TVerbindung7PlusReceive::FortschrittBeenden() {
    // Only a created file has a progress item.
    if (!fortschritt_) {
        return;
    }
    fortschritt_->Beenden();
    fortschritt_->Release();
    if (const auto& connection = Verbindung(); connection && connection->GetDateiSenden() == fortschritt_) {
        connection->SetDateiSenden(nullptr);
    }
    fortschritt_.reset();
}

} // namespace quarn
