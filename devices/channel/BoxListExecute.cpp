// The mailbox list's command line: each marked listing line becomes "R board number" or "E board number".

#include "devices/channel/BoxListU.h"

#include "console/ConsoleU.h"
#include "foundation/DebOutU.h"
#include "foundation/InterfacesU.h"
#include "foundation/regex/RegExpressionU.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TBoxList";

// Listing-line groups.
constexpr int kGroupNumber = 1;
constexpr int kGroupBoard = 5;
constexpr int kGroupBoardNumber = 8;
constexpr int kTracedGroups = 10;

std::string RowText(TConsole& console, int row) {
    const auto* text = reinterpret_cast<const char*>(console.TextPtr(0, row));
    std::string_view line(text, static_cast<std::size_t>(console.Cols()));
    const std::size_t end = line.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1));
}

bool StartsBlankOrDigit(TConsole& console, int row) {
    const char first = static_cast<char>(*console.TextPtr(0, row));
    return first == ' ' || (first >= '0' && first <= '9');
}

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// The last run of word characters before any "@" (a mailbox prompt may end in "@ region").
std::string LastWord(std::string_view text) {
    text = text.substr(0, text.find('@'));
    std::size_t end = text.size();
    while (end > 0 && !IsWordChar(text[end - 1])) {
        --end;
    }
    std::size_t start = end;
    while (start > 0 && IsWordChar(text[start - 1])) {
        --start;
    }
    return std::string(text.substr(start, end - start));
}

// The board of a one-board listing, named in its heading: the first row above the listing line that
// starts with neither a blank nor a digit, or the row above that one when it holds text that is not a
// bare prompt (it ends in ">"). Empty when the listing runs up to the console's first row.
std::string HeadingBoard(TConsole& console, int row) {
    int heading = row;
    while (heading > 0 && StartsBlankOrDigit(console, heading)) {
        --heading;
    }
    if (StartsBlankOrDigit(console, heading)) {
        return {};
    }
    std::string text = RowText(console, heading);
    if (heading > 0) {
        std::string above = RowText(console, heading - 1);
        if (!above.empty() && above.back() != '>') {
            text = std::move(above);
        }
    }
    return LastWord(text);
}

// A message number; digits beyond the integer range count as no number.
int MessageNumber(std::string_view digits) {
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return 0;
    }
    return number;
}

// The item of one marked line, none when the line is no listing line, has no board or no number.
std::optional<std::string> Item(TConsole& console, int row, TBoxKind kind, TRegExpression& listing) {
    const std::string text = RowText(console, row);
    DebOutObj(kClass, "Execute", text);
    if (!listing.Exec(text)) {
        return std::nullopt;
    }
    if (TraceActive()) {
        for (int group = 1; group <= kTracedGroups; ++group) {
            DebOutFmt("%.2d %s", group, listing.Match(group).c_str());
        }
    }
    std::string board = listing.Match(kGroupBoard);
    int number = 0;
    if (!board.empty()) {
        const std::string own = listing.Match(kGroupBoardNumber);
        number = MessageNumber(own.empty() ? listing.Match(kGroupNumber) : own);
    } else {
        number = MessageNumber(listing.Match(kGroupNumber));
        board = HeadingBoard(console, row);
    }
    if (board.empty() || number <= 0) {
        return std::nullopt;
    }
    return std::string(kind == TBoxKind::Read ? "R" : "E") + " " + board + " " + std::to_string(number);
}

} // namespace

std::string TBoxList::Execute() {
    const std::string line = CommandLine();
    DebOutObj(kClass, "Execute", line);
    if (const std::shared_ptr<IVerbindung> connection = channel_.GetVerbindung()) {
        connection->SendeText(line + "\r", true, false, false, true);
    }
    return line;
}

std::string TBoxList::CommandLine() {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        commands_.clear();
        return {};
    }
    // Rows are looked up while the marks still show: a line without its mark is not the marked one.
    std::vector<std::pair<int, TBoxKind>> marked;
    for (const TBoxCommand& command : commands_) {
        if (const int row = RowOf(command); row >= 0) {
            marked.emplace_back(row, command.kind);
        } else {
            DebOutObjFmt(kClass, "Execute", "Zeile %u nicht mehr vorhanden", command.serial);
        }
    }
    ShowPlain();
    commands_.clear();
    TRegExpression listing = MailboxListExpression();
    std::string items;
    for (const auto& [row, kind] : marked) {
        if (const std::optional<std::string> item = Item(*console, row, kind, listing)) {
            if (!items.empty()) {
                items += ';';
            }
            items += *item;
        }
    }
    return items;
}

} // namespace quarn
