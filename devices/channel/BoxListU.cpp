#include "devices/channel/BoxListU.h"

#include "console/ConsoleU.h"
#include "foundation/InterfacesU.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <algorithm>

namespace quarn {

namespace {

int ImageOf(TBoxKind kind) {
    return kind == TBoxKind::Read ? boxbild::kRead : boxbild::kErase;
}

// The rows first..last in order and inside the console; empty (first > last) when none is.
std::pair<int, int> ClampedRows(const TConsole& console, int first, int last) {
    if (first > last) {
        std::swap(first, last);
    }
    return {std::max(first, 0), std::min(last, console.Rows() - 1)};
}

// The row a line serial stands on: the write row holds the newest serial. Serials run on through their
// 32-bit wrap, so the distance is taken modulo 2^32.
std::int64_t RowOfSerial(const TConsole& console, std::uint32_t serial) {
    const auto back = static_cast<std::int32_t>(console.GetLineSerial() - serial);
    return static_cast<std::int64_t>(console.GetCursorRow()) - back;
}

void CenterOn(TConsole& console, int row) {
    console.ScrollTo(console.LeftCol(), row - console.VisibleRows() / 2 - 1);
    console.SetCaretCol(0);
    console.SetCaretRow(row);
}

} // namespace

TBoxList::TBoxList(IKanalForBoxlist& channel) : channel_(channel) {}

TBoxList::~TBoxList() {
    ShowPlain();
}

void TBoxList::MarkRead(int first, int last, bool advance, bool toggle) {
    Mark(first, last, advance, toggle, TBoxKind::Read);
}

void TBoxList::MarkErase(int first, int last, bool advance, bool toggle) {
    Mark(first, last, advance, toggle, TBoxKind::Erase);
}

void TBoxList::Mark(int first, int last, bool advance, bool toggle, TBoxKind kind) {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        return;
    }
    Prune();
    const auto [from, to] = ClampedRows(*console, first, last);
    const TConsoleBuffer& buffer = console->Buffer();
    const int image = ImageOf(kind);
    bool anyUnmarked = false;
    for (int row = from; row <= to && !anyUnmarked; ++row) {
        anyUnmarked = buffer.IsListLine(row) && buffer.GutterImage(row, 256) != image;
    }
    if (toggle && !anyUnmarked) {
        UnmarkRows(from, to);
    } else {
        for (int row = from; row <= to; ++row) {
            if (!buffer.IsListLine(row)) {
                continue;
            }
            const std::uint32_t serial = console->Buffer().Line(row).Serial();
            // A line whose serial does not lead back to it (text above the first line after a clear)
            // could never be found again.
            if (RowOfSerial(*console, serial) != row) {
                continue;
            }
            const auto at = std::lower_bound(
                commands_.begin(), commands_.end(), serial,
                [](const TBoxCommand& command, std::uint32_t value) { return command.serial < value; });
            if (at != commands_.end() && at->serial == serial) {
                at->kind = kind;
            } else {
                commands_.insert(at, TBoxCommand{serial, kind});
            }
            console->SetGutterImage(image, row);
        }
    }
    if (advance) {
        Advance();
    }
}

void TBoxList::Unmark(int first, int last, bool advance) {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        return;
    }
    Prune();
    const auto [from, to] = ClampedRows(*console, first, last);
    UnmarkRows(from, to);
    if (advance) {
        Advance();
    }
}

void TBoxList::UnmarkRows(int first, int last) {
    TConsole& console = *channel_.GetConsole();
    for (int row = first; row <= last; ++row) {
        if (!console.Buffer().IsListLine(row)) {
            continue;
        }
        const std::uint32_t serial = console.Buffer().Line(row).Serial();
        std::erase_if(commands_, [serial](const TBoxCommand& command) { return command.serial == serial; });
        console.SetGutterImage(boxbild::kPlain, row);
    }
}

void TBoxList::Advance() {
    TConsole& console = *channel_.GetConsole();
    if (!console.Selection().IsNone()) {
        return;
    }
    console.SetCaretCol(0);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(&console, &down);
}

int TBoxList::RowOf(const TBoxCommand& command) const {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        return -1;
    }
    const std::int64_t row = RowOfSerial(*console, command.serial);
    if (row < 0 || row >= console->Rows()) {
        return -1;
    }
    const int at = static_cast<int>(row);
    // After a clear the serials start again, and a later line may carry the same number: only a list
    // line still showing this command's mark is the one the operator marked.
    ConsoleLine line = console->Buffer().Line(at);
    if (line.Serial() != command.serial || !line.IsListLine() ||
        line.GutterImage() != ImageOf(command.kind)) {
        return -1;
    }
    return at;
}

void TBoxList::Prune() {
    std::erase_if(commands_, [this](const TBoxCommand& command) { return RowOf(command) < 0; });
}

void TBoxList::ShowPlain() {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr) {
        return;
    }
    for (const TBoxCommand& command : commands_) {
        const int row = RowOf(command);
        if (row >= 0) {
            console->SetGutterImage(boxbild::kPlain, row);
        }
    }
}

std::vector<TBoxCommand> TBoxList::Commands() const {
    std::vector<TBoxCommand> found;
    for (const TBoxCommand& command : commands_) {
        if (RowOf(command) >= 0) {
            found.push_back(command);
        }
    }
    return found;
}

// ---- caret movement --------------------------------------------------------------------------------

void TBoxList::GotoList() {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        return;
    }
    const TConsoleBuffer& buffer = console->Buffer();
    const int caret = console->GetCaretRow();
    if (caret >= 0 && caret < console->Rows() && buffer.IsListLine(caret)) {
        if (caret < console->TopRow() || caret >= console->TopRow() + console->VisibleRows()) {
            console->ScrollTo(console->LeftCol(), caret - console->VisibleRows() / 2 - 1);
        }
        return;
    }
    int row = console->Rows() - 1;
    while (row > 0 && !buffer.IsListLine(row)) {
        --row;
    }
    if (row <= 0) {
        return;
    }
    CenterOn(*console, row);
}

void TBoxList::PrevBlock() {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        return;
    }
    const TConsoleBuffer& buffer = console->Buffer();
    int row = std::min(console->GetCaretRow() < 0 ? console->TopRow() : console->GetCaretRow(),
                       console->Rows() - 1);
    while (row > 0 && buffer.IsListLine(row)) {
        --row;
    }
    while (row > 0 && !buffer.IsListLine(row)) {
        --row;
    }
    if (row <= 0) {
        return;
    }
    CenterOn(*console, row);
}

void TBoxList::NextBlock() {
    TConsole* console = channel_.GetConsole();
    if (console == nullptr || !console->Active()) {
        return;
    }
    const TConsoleBuffer& buffer = console->Buffer();
    int row = std::max(console->GetCaretRow() < 0 ? console->TopRow() : console->GetCaretRow(), 0);
    while (row < console->Rows() && buffer.IsListLine(row)) {
        ++row;
    }
    while (row < console->Rows() && !buffer.IsListLine(row)) {
        ++row;
    }
    if (row >= console->Rows()) {
        return;
    }
    CenterOn(*console, row);
}

std::pair<int, int> BoxListRows(const TConsole& console) {
    const TSelection selection = console.Selection();
    if (!selection.IsNone()) {
        // A selection may run past the newest line.
        return {std::min(selection.start.row, console.Rows() - 1),
                std::min(selection.end.row, console.Rows() - 1)};
    }
    const int caret = console.GetCaretRow();
    if (caret < 0 || caret >= console.Rows()) {
        return {-1, -1};
    }
    return {caret, caret};
}

} // namespace quarn
