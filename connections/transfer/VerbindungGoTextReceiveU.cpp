#include "connections/transfer/VerbindungGoTextReceiveU.h"

#include "connections/transfer/EmpfangsNameU.h"
#include "foundation/DebOutU.h"
#include "foundation/QueueU.h"
#include "stations/KlaengeU.h"

#include <algorithm>
#include <cctype>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungGoTextReceive";

bool IstBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The extension of the name part, upper case, without its dot.
std::string Endung(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    const std::size_t dot = name.rfind('.');
    std::string endung(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
    std::transform(endung.begin(), endung.end(), endung.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return endung;
}

bool IstEndzeile(std::string_view line) {
    return line.starts_with(" stop_text.") || line.starts_with(" stop_info.") || line.starts_with("*** ");
}

} // namespace

TVerbindungGoTextReceive::TVerbindungGoTextReceive(std::shared_ptr<TVerbindungAbstract> owner,
                                                   std::shared_ptr<IVerbindungFuerModul> connection)
    : TZeilenEmpfang(std::move(owner), std::move(connection), "GoText") {}

std::string TVerbindungGoTextReceive::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindungGoTextReceive::Init() {
    SetUseEvent(5, true);
    SetUseEvent(6, true);
    // Running transfers can be stopped by the operator.
    SetActive(true);

    TStringQueue& received = Verbindung()->GetReceiveQueue();
    std::string header = received.IsEmpty() ? std::string() : received.PopLine();
    if (header.empty()) {
        Ende(kBeendet);
        return;
    }
    if (header.ends_with('\r')) {
        header.pop_back();
    }
    DebOutObj(kKlasse, "Init", "GoText-Header: " + header);
    std::string_view rest(header);
    if (rest.starts_with(' ')) {
        rest.remove_prefix(1);
    }
    const std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) {
        Ende(kBeendet);
        return;
    }
    rest.remove_prefix(blank + 1);
    while (!rest.empty() && IstBlank(rest.back())) {
        rest.remove_suffix(1);
    }
    // Without a name there is nothing to store: a fallback name would invent a file nobody announced.
    if (std::all_of(rest.begin(), rest.end(), IstBlank)) {
        DebOutObj(kKlasse, "Init", "GoText-Dateiname fehlt.");
        Ende(kBeendet);
        return;
    }
    const std::filesystem::path name = EmpfangsPfad(EmpfangsOrdner(), rest, Gegenstelle());
    DebOutObj(kKlasse, "Init", "GoText-Dateiname: " + name.string());
    const std::string endung = Endung(rest);
    zeigen_ = endung != "COR" && endung != "ERR";
    if (!DateiAnlegen(name)) {
        Ende(kBeendet);
        return;
    }
    DebOutObj(kKlasse, "Init", "GoText-SpeichernUnter: " + DateiName().string());
    zeile_.clear();
    Klang(kKlangStart);
}

void TVerbindungGoTextReceive::ReceiveData() {
    const auto& connection = Verbindung();
    TStringQueue& received = connection->GetReceiveQueue();
    while (!Beendet() && !received.IsEmpty()) {
        const std::string piece = received.PopLine();
        if (zeigen_) {
            connection->ZeigeEmpfangen(piece);
        }
        zeile_ += piece;
        if (!zeile_.ends_with('\r')) {
            continue;
        }
        const std::string line = std::move(zeile_);
        zeile_.clear();
        const std::string_view text = std::string_view(line).substr(0, line.size() - 1);
        if (IstEndzeile(text)) {
            if (!zeigen_) {
                connection->ZeigeEmpfangen(line);
            }
            Ende(kBeendet);
            return;
        }
        SchreibeZeile(text);
    }
}

} // namespace quarn
