#pragma once

#include "devices/channel/KanalBoxListe.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quarn {

class IKanalForBoxlist;
class TConsole;

// Gutter images of a mailbox-list line.
namespace boxbild {
inline constexpr int kErase = 1;
inline constexpr int kRead = 3;
inline constexpr int kPlain = 4;
} // namespace boxbild

// What the operator wants done with one listed message.
enum class TBoxKind : std::uint8_t { Read = 0, Erase = 1 };

// One marked listing line, found again through its line serial: marks stay with their lines while new
// text scrolls the console.
struct TBoxCommand {
    std::uint32_t serial = 0;
    TBoxKind kind = TBoxKind::Read;
};

// The read and erase marks the operator put on a channel's mailbox-list lines, and the command line
// they become ("R board number;E board number" + CR to the mailbox).
//
// GUI thread only. The channel owns the list and drops it before its console goes; with the console
// already gone (a released channel) every operation does nothing.
class TBoxList : public IKanalBoxListe {
public:
    explicit TBoxList(IKanalForBoxlist& channel);
    // Marked lines show the plain list-line image again.
    ~TBoxList() override;
    TBoxList(const TBoxList&) = delete;
    TBoxList& operator=(const TBoxList&) = delete;

    // The list lines among rows first..last (either order, clamped to the console) get a read or an
    // erase mark. With `toggle` the marks are taken off instead when every list line there already has
    // that mark (or there is none). With `advance` and no selection the caret moves to the next line.
    void MarkRead(int first, int last, bool advance, bool toggle) override;
    void MarkErase(int first, int last, bool advance, bool toggle) override;
    void Unmark(int first, int last, bool advance) override;

    // Sends the marked commands as one line to the channel's connection (an empty line too) and forgets
    // them. Marks whose line left the console or was overwritten are dropped. Returns the line sent,
    // without its CR.
    std::string Execute() override;

    // Caret movement between listings.
    void GotoList() override;
    void PrevBlock() override;
    void NextBlock() override;

    // The commands still found on their lines, in serial order.
    std::vector<TBoxCommand> Commands() const;

private:
    void Mark(int first, int last, bool advance, bool toggle, TBoxKind kind);
    void UnmarkRows(int first, int last);
    void Advance();
    // The console row of a command while its line is still there with the command's mark, else -1.
    int RowOf(const TBoxCommand& command) const;
    // Forgets commands whose lines are gone.
    void Prune();
    void ShowPlain();
    std::string CommandLine();

    IKanalForBoxlist& channel_;
    std::vector<TBoxCommand> commands_;
};

// The rows the channel hands to the mailbox list: those of the selection, or the caret row when
// nothing is selected; (-1, -1) when there is neither.
std::pair<int, int> BoxListRows(const TConsole& console);

} // namespace quarn
