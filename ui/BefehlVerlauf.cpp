#include "ui/BefehlVerlauf.h"

#include "foundation/CommaText.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace quarn {

namespace {

std::string Getrimmt(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string Gross(std::string text) {
    // Call signs are ASCII; bytes above 127 stay as they are.
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// A whole decimal number with optional sign; none for anything else, an overflow included.
std::optional<long long> Zahl(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

template <typename T, typename Eq> void NachVorn(std::vector<T>& liste, const T& eintrag, Eq gleich) {
    std::erase_if(liste, gleich);
    liste.insert(liste.begin(), eintrag);
    if (liste.size() > kVerlaufMax)
        liste.resize(kVerlaufMax);
}

} // namespace

std::vector<TZielEintrag> ZieleLesen(std::string_view kommaText) {
    const auto eintraege = ParseCommaText(kommaText);
    std::vector<TZielEintrag> ziele;
    for (std::size_t i = 0; i < eintraege.size(); ++i) {
        const std::string& e = eintraege[i];
        if (e.empty() || e.front() == '#')
            continue;
        TZielEintrag ziel{e, {}};
        if (i + 1 < eintraege.size()) {
            const std::string& naechster = eintraege[i + 1];
            if (!naechster.empty() && naechster.front() == '#') {
                ziel.port = naechster.substr(1);
                ++i;
            } else if (naechster.empty()) {
                // A hand-edited list may lose a port name; the destination is still worth keeping.
                ++i;
            }
        }
        ziele.push_back(std::move(ziel));
    }
    return ziele;
}

std::string ZieleSchreiben(const std::vector<TZielEintrag>& ziele) {
    std::vector<std::string> eintraege;
    eintraege.reserve(ziele.size() * 2);
    for (const auto& ziel : ziele) {
        eintraege.push_back(ziel.ziel);
        eintraege.push_back("#" + ziel.port);
    }
    return FormatCommaText(eintraege);
}

std::vector<std::string> EigeneRufzeichenListe(const std::vector<std::string>& verlauf,
                                               const std::vector<std::string>& konfiguriert) {
    std::vector<std::string> liste;
    const auto enthalten = [&liste](const std::string& call) {
        return std::find(liste.begin(), liste.end(), call) != liste.end();
    };
    const auto konfiguriertEnthaelt = [&konfiguriert](const std::string& call) {
        return std::find(konfiguriert.begin(), konfiguriert.end(), call) != konfiguriert.end();
    };
    for (const auto& call : verlauf)
        if (konfiguriertEnthaelt(call) && !enthalten(call))
            liste.push_back(call);
    for (const auto& call : konfiguriert)
        if (!call.empty() && !enthalten(call))
            liste.push_back(call);
    for (const auto& call : verlauf)
        if (!call.empty() && !enthalten(call))
            liste.push_back(call);
    return liste;
}

void RufzeichenMerken(std::vector<std::string>& liste, const std::string& rufzeichen) {
    NachVorn(liste, rufzeichen, [&rufzeichen](const std::string& e) { return e == rufzeichen; });
}

void ZielMerken(std::vector<TZielEintrag>& liste, const TZielEintrag& eintrag) {
    NachVorn(liste, eintrag, [&eintrag](const TZielEintrag& e) { return e.ziel == eintrag.ziel; });
}

std::string EigenesRufzeichenAufbereiten(std::string_view text) {
    std::string call = Gross(Getrimmt(text));
    const auto strich = call.find('-');
    if (strich == std::string::npos)
        return call;
    const auto ssid = Zahl(std::string_view(call).substr(strich + 1));
    call.resize(strich);
    if (ssid && *ssid >= 0 && *ssid <= 15)
        call += "-" + std::to_string(*ssid);
    return call;
}

std::string TZielEingabe::Pfad() const {
    return digis.empty() ? rufzeichen : rufzeichen + " " + digis;
}

TZielEingabe ZielAufbereiten(std::string_view text) {
    const std::string eingabe = Gross(Getrimmt(text));
    TZielEingabe ziel;
    const auto blank = eingabe.find(' ');
    ziel.rufzeichen = eingabe.substr(0, blank);
    if (blank != std::string::npos)
        ziel.digis = Getrimmt(std::string_view(eingabe).substr(blank + 1));
    const auto strich = ziel.rufzeichen.find('-');
    if (strich == std::string::npos)
        return ziel;
    const long long ssid = Zahl(std::string_view(ziel.rufzeichen).substr(strich + 1)).value_or(0);
    ziel.rufzeichen.resize(strich);
    // A TNC would take "-16" as another station or refuse it on air; the operator is asked instead.
    if (ssid > 15)
        ziel.ssidGueltig = false;
    else if (ssid > 0)
        ziel.rufzeichen += "-" + std::to_string(ssid);
    return ziel;
}

} // namespace quarn
