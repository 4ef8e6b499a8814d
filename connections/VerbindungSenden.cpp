#include "connections/VerbindungSenden.h"
#include "connections/VerbindungU.h"

#include "foundation/ConfigU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/VersionInfo.h"
#include "platform/HexDigit.h"

#include <cctype>

namespace quarn {

std::string CaretEscapes(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '^' || i + 1 >= text.size()) {
            result += c;
            continue;
        }
        const char next = text[i + 1];
        if (next == '^') {
            result += '^';
            ++i;
        } else if (next == '@' || std::isalpha(static_cast<unsigned char>(next))) {
            result += static_cast<char>(std::toupper(static_cast<unsigned char>(next)) - 64);
            ++i;
        } else if (next == '$' && i + 2 < text.size()) {
            // One or two hexadecimal digits after "$"; the text may end after the first.
            const int high = HexDigitValue(text[i + 2]);
            const bool two = i + 3 < text.size();
            const int low = two ? HexDigitValue(text[i + 3]) : 0;
            if (high < 0 || low < 0) {
                result += c;
                continue;
            }
            result += static_cast<char>(two ? high * 16 + low : high);
            i += two ? 3 : 2;
        } else {
            result += c;
        }
    }
    return result;
}

std::vector<std::string> SendePakete(std::string_view text, std::size_t pieceBytes) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < text.size(); at += pieceBytes) {
        pieces.emplace_back(text.substr(at, pieceBytes));
    }
    return pieces;
}

std::string SidZeile(std::string_view programVersion, bool knownStation) {
    const auto end = programVersion.find_first_of(" -");
    const std::string_view version = programVersion.substr(0, end);
    return "{Quarn-" + std::string(version) + "-" + (knownStation ? "D" : "D?") + "}\r";
}

void TVerbindung::SendeText(std::string_view text, bool echo, bool escapes, bool wrap, bool typed) {
    std::string data = escapes ? CaretEscapes(text) : std::string(text);
    if (wrap) {
        data = WrapText(data, "\r", " \r\n", kWrapColumn);
    }
    const bool show = echo && GetLocalEcho();
    TStringQueue& queue = typed ? typed_ : transmit_;
    for (const std::string& piece : SendePakete(data, kPieceBytes)) {
        queue.PushString(piece);
        if (show) {
            ZeigeGesendet(piece);
        }
    }
}

void TVerbindung::SendText(std::string_view text) {
    // A client must learn that its text goes nowhere, as a read does.
    CheckNotReleased();
    SendeText(text, true, false, false, true);
}

void TVerbindung::SendTextLine(std::string_view text) {
    CheckNotReleased();
    SendeText(std::string(text) + "\r", true, false, false, true);
}

void TVerbindung::SID() {
    const bool hide = Config() ? Config()->GetHideSentSID() : true;
    SendeText(SidZeile(ProgramVersion(), GetStationenDatenbankEintrag() != nullptr), !hide, false, false,
              true);
}

} // namespace quarn
