#pragma once

#include <functional>
#include <memory>
#include <string>

namespace quarn {

class IKanalForBoxlist;

// The marks of mailbox-list lines as a channel drives them: rows are console rows, first to last.
// "advance" moves the caret to the next line afterwards.
class IKanalBoxListe {
public:
    virtual ~IKanalBoxListe() = default;

    virtual void MarkRead(int first, int last, bool advance, bool toggle) = 0;
    virtual void MarkErase(int first, int last, bool advance, bool toggle) = 0;
    virtual void Unmark(int first, int last, bool advance) = 0;
    // Sends the marked commands on the channel's connection; returns the line sent, without its CR.
    virtual std::string Execute() = 0;
    virtual void GotoList() = 0;
    virtual void PrevBlock() = 0;
    virtual void NextBlock() = 0;
};

// Makes a channel's mailbox list on its first use.
using TKanalBoxListeFabrik = std::function<std::unique_ptr<IKanalBoxListe>(IKanalForBoxlist& kanal)>;

} // namespace quarn
