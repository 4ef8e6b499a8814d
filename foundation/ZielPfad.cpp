#include "foundation/ZielPfad.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

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

std::vector<std::string_view> Woerter(std::string_view text) {
    std::vector<std::string_view> woerter;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos)
            break;
        const auto ende = std::min(text.find(' ', start), text.size());
        woerter.push_back(text.substr(start, ende - start));
        at = ende;
    }
    return woerter;
}

TPfadFehler RufzeichenPruefen(std::string_view call) {
    const auto strich = call.find('-');
    const std::string_view name = call.substr(0, strich);
    if (name.empty())
        return TPfadFehler::UngueltigesZeichen;
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return TPfadFehler::UngueltigesZeichen;
    if (name.size() > kMaxRufzeichenZeichen)
        return TPfadFehler::ZuLang;
    if (strich != std::string_view::npos) {
        const auto ssid = Zahl(call.substr(strich + 1));
        if (!ssid || *ssid < 0 || *ssid > 15)
            return TPfadFehler::SsidUngueltig;
    }
    return TPfadFehler::Keiner;
}

} // namespace

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

TPfadPruefung PfadPruefen(std::string_view eingabe) {
    TPfadPruefung pruefung{ZielAufbereiten(eingabe), TPfadFehler::Keiner, {}};
    const TZielEingabe& ziel = pruefung.ziel;
    const auto melden = [&pruefung](TPfadFehler fehler, std::string_view teil) {
        pruefung.fehler = fehler;
        pruefung.teil = std::string(teil);
        return pruefung;
    };
    if (ziel.rufzeichen.empty())
        return melden(TPfadFehler::KeinZiel, {});
    // Reading drops the destination's suffix; the operator is told the call as typed.
    const std::string getippt = Gross(Getrimmt(eingabe));
    const std::string_view erstesWort = std::string_view(getippt).substr(0, getippt.find(' '));
    if (!ziel.ssidGueltig)
        return melden(TPfadFehler::SsidUngueltig, erstesWort);
    if (const TPfadFehler fehler = RufzeichenPruefen(ziel.rufzeichen); fehler != TPfadFehler::Keiner)
        return melden(fehler, erstesWort);
    std::size_t digipeater = 0;
    for (const std::string_view wort : Woerter(ziel.digis)) {
        if (wort == "V" || wort == "VIA")
            continue;
        if (const TPfadFehler fehler = RufzeichenPruefen(wort); fehler != TPfadFehler::Keiner)
            return melden(fehler, wort);
        if (++digipeater > kMaxDigipeater)
            return melden(TPfadFehler::ZuVieleDigipeater, wort);
    }
    return pruefung;
}

} // namespace quarn
