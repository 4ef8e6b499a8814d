#include "ui/BefehlVerlauf.h"

#include "foundation/CommaText.h"

#include <algorithm>

namespace quarn {

namespace {

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

} // namespace quarn
