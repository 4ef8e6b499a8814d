#include "connections/standard/StandardPasswortU.h"

#include "foundation/MD5U.h"
#include "foundation/regex/RegExpressionU.h"
#include "platform/Codepage.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <random>

namespace quarn {

namespace {

constexpr std::size_t kFueller = 67;

std::mutex& ZufallMutex() {
    static std::mutex mutex;
    return mutex;
}

TZufall& GesetzterZufall() {
    static TZufall zufall;
    return zufall;
}

std::uint32_t EchterZufall(std::uint32_t bound) {
    static std::mutex mutex;
    static std::mt19937 engine{std::random_device{}()};
    const std::lock_guard lock(mutex);
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(engine);
}

bool IstZiffer(char c) {
    return c >= '0' && c <= '9';
}

std::string OhneSsid(std::string_view call) {
    return std::string(call.substr(0, call.find('-')));
}

} // namespace

TZufall PasswortZufall() {
    const std::lock_guard lock(ZufallMutex());
    if (GesetzterZufall()) {
        return GesetzterZufall();
    }
    return &EchterZufall;
}

void SetPasswortZufall(TZufall zufall) {
    const std::lock_guard lock(ZufallMutex());
    GesetzterZufall() = std::move(zufall);
}

std::optional<TLoginPrompt> ErkenneLoginPrompt(std::string_view line, std::string_view remoteCall) {
    if (line.size() <= 13) {
        return std::nullopt;
    }
    std::string_view body = line;
    if (body.ends_with('\r')) {
        body.remove_suffix(1);
    }
    if (body.empty() || !(IstZiffer(body.back()) || body.back() == ']')) {
        return std::nullopt;
    }
    const std::string upper = Cp1252UpperCase(line);
    std::string marker = Cp1252UpperCase(OhneSsid(remoteCall)) + "> ";
    auto pos = upper.find(marker);
    if (pos == std::string::npos) {
        marker = Cp1252UpperCase(remoteCall) + "> ";
        pos = upper.find(marker);
    }
    if (pos == std::string::npos) {
        return std::nullopt;
    }
    std::string rest(line.substr(pos + marker.size()));
    if (rest.size() <= 4) {
        return std::nullopt;
    }
    if (rest.ends_with('\r')) {
        rest.pop_back();
    }
    if (rest.starts_with(' ')) {
        rest.erase(0, 1);
    }
    if (!rest.empty() && IstZiffer(rest.front())) {
        return TLoginPrompt{TPasswortMethode::BayCom, rest};
    }
    if (rest.starts_with('[')) {
        rest.erase(0, 1);
        if (rest.ends_with(']')) {
            rest.pop_back();
        }
        if (rest.size() == 10) {
            return TLoginPrompt{TPasswortMethode::MD5, rest};
        }
    }
    return std::nullopt;
}

TPasswortAntwort PasswortPositionen(std::string_view prompt, std::string_view password,
                                    const TZufall& zufall) {
    std::vector<int> positions;
    int blanks = 0;
    bool inNumber = false;
    for (const char c : prompt) {
        if (c == ' ') {
            ++blanks;
            inNumber = false;
        } else if (IstZiffer(c)) {
            if (!inNumber) {
                if (blanks > 4) {
                    return {{}, std::string(kPromptZuViele)};
                }
                positions.push_back(0);
                inNumber = true;
            }
            // Big enough numbers only have to stay past the password's end.
            positions.back() = std::min(positions.back() * 10 + (c - '0'), 100000);
        } else {
            return {{}, std::string(kPromptUngueltig)};
        }
    }
    std::string zeichen;
    for (const int position : positions) {
        if (position == 0) {
            break;
        }
        if (static_cast<std::size_t>(position) > password.size()) {
            return {{}, std::string(kPasswortZuKurz)};
        }
        zeichen += password[static_cast<std::size_t>(position - 1)];
    }
    std::string alphabet;
    for (const char c : password) {
        if (alphabet.find(c) == std::string::npos) {
            alphabet += c;
        }
    }
    std::string decoys;
    for (char c = '!'; c <= '~'; ++c) {
        if (password.find(c) == std::string_view::npos) {
            decoys += c;
        }
    }
    const std::size_t keep = alphabet.size() / 3 + 2;
    while (decoys.size() > keep) {
        decoys.erase(zufall(static_cast<std::uint32_t>(decoys.size())), 1);
    }
    alphabet += decoys;
    std::string filler;
    for (std::size_t i = 0; i < kFueller; ++i) {
        filler += alphabet[zufall(static_cast<std::uint32_t>(alphabet.size()))];
    }
    const std::size_t split = zufall(kFueller);
    return {filler.substr(0, split + 1) + zeichen + filler.substr(split + 1) + '\r', {}};
}

std::string PasswortMD5(std::string_view challenge, std::string_view password) {
    std::string digest = MD5String(std::string(challenge) + std::string(password));
    std::transform(digest.begin(), digest.end(), digest.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return digest + '\r';
}

std::optional<TLoginZeit> ErkenneLoginZeit(std::string_view line) {
    TRegExpression expression = LastLoginExpression();
    if (!expression.Exec(line)) {
        return std::nullopt;
    }
    const auto zahl = [&](int group) { return std::stoi(expression.Match(group)); };
    return TLoginZeit{zahl(1), zahl(2), zahl(3), zahl(4), zahl(5)};
}

std::optional<std::string> DieBoxTabelle(std::string_view password) {
    std::string table;
    for (const char c : password) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x80 && std::isalnum(u) != 0) && table.size() < kDieBoxTabelle) {
            table += c;
        }
    }
    if (table.size() != kDieBoxTabelle) {
        return std::nullopt;
    }
    return table;
}

std::array<int, 5> DieBoxMultiplikatoren(std::string_view table, int minute) {
    std::array<int, 5> mul = {3, 5, 7, 9, 11};
    std::size_t next = 0;
    std::size_t index = static_cast<std::size_t>(minute + 1) * 27;
    for (std::size_t step = 0; step < 5 * kDieBoxTabelle && next < mul.size(); ++step, ++index) {
        const char c = table[index % kDieBoxTabelle];
        if (c >= '1' && c <= '9') {
            mul[next++] = c - '0';
        }
    }
    return mul;
}

std::array<int, 5> DieBoxPositionen(const std::array<int, 5>& m, const TLoginZeit& z) {
    const int y2 = z.jahr * z.jahr;
    std::array<int, 5> p = {
        z.stunde * m[0] + z.minute * m[1] + z.tag * m[2] + z.monat * m[3] + y2 * m[4] + m[2] * m[3],
        z.stunde * m[1] + z.minute * m[3] + z.tag * m[0] + z.monat * m[4] + y2 * m[2] + m[0] * m[4],
        z.stunde * m[2] + z.minute * m[0] + z.tag * m[4] + z.monat * m[1] + y2 * m[3] + m[1] * m[2],
        z.stunde * m[3] + z.minute * m[4] + z.tag * m[1] + z.monat * m[2] + y2 * m[0] + m[3] * m[4],
        z.stunde * m[4] + z.minute * m[2] + z.tag * m[3] + z.monat * m[0] + y2 * m[1] + m[0] * m[2],
    };
    for (int& position : p) {
        if (position > static_cast<int>(kDieBoxTabelle)) {
            position = position % static_cast<int>(kDieBoxTabelle) + 1;
        }
    }
    return p;
}

std::string DieBoxZeichen(std::string_view table, const TLoginZeit& zeit) {
    std::string zeichen;
    for (const int position : DieBoxPositionen(DieBoxMultiplikatoren(table, zeit.minute), zeit)) {
        // Position 0 cannot come from a real time stamp; the first character stands in for it.
        zeichen += table[static_cast<std::size_t>(std::max(position, 1) - 1)];
    }
    return zeichen;
}

TDieBoxFueller DieBoxFueller(std::string_view table, const TZufall& zufall) {
    TDieBoxFueller result;
    for (std::size_t i = 0; i < kFueller; ++i) {
        result.fueller += table[zufall(static_cast<std::uint32_t>(table.size()))];
    }
    result.einfuegen = static_cast<int>(zufall(kFueller)) + 1;
    return result;
}

std::string DieBoxAntwort(std::string_view zeichen, const TDieBoxFueller& fueller) {
    std::string line = fueller.fueller;
    line.insert(static_cast<std::size_t>(fueller.einfuegen - 1), zeichen);
    return "PRIV " + line + '\r';
}

} // namespace quarn
