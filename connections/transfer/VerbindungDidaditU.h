#pragma once

#include "connections/transfer/DidaditFrameU.h"
#include "connections/VerbindungAbstractU.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

// The common base of the DIDADIT sender and receiver: the file's digest that travels in the blocks of
// types 3 to 7, framing of outgoing blocks, the ERR answers, chat, and the cutting of received bytes
// into blocks. The wire format itself lives in DidaditFrameU, free of any connection.
//
// Derived handlers feed received bytes to EmpfangeBytes and handle the blocks it returns one by one with
// NaechsterBlock; HandleGemeinsam answers the block types both sides treat alike.
class TVerbindungDidadit : public TVerbindungAbstract {
public:
    TVerbindungDidadit(std::shared_ptr<TVerbindungAbstract> owner,
                       std::shared_ptr<IVerbindungFuerModul> connection);

    // Chat texts are cut at this length so a CHAT block stays well inside one I frame's worth of pieces.
    static constexpr std::size_t kStueck = 256;

protected:
    // Encodes a block with the file's digest and pushes it onto the transmit queue in pieces of at most
    // 256 bytes.
    void SendBlock(TDidaditTyp typ, std::string_view data);
    void SendBlock(std::uint16_t typ, std::string_view data);
    // The ERR block with the filled error text; a fatal number aborts the transfer after sending it.
    void SendError(int number, std::initializer_list<std::string_view> arguments = {});
    // A received ERR: shown as a system line; true when it ends the transfer (which is then aborted).
    bool ErrEmpfangen(std::string_view text);
    // Typed text: with chat offered by the other side one popped string goes out as a CHAT block; without,
    // user event 6 is switched off so typed text waits for the transfer's end.
    void SendData() override;

    // Appends received bytes to the frame splitter.
    void EmpfangeBytes(std::string_view bytes);
    // The next valid block; invalid frames are traced and dropped. Empty when no whole frame is held.
    std::optional<TDidaditBlock> NaechsterBlock();
    // ECHOREQ (answered with ECHOREP), ECHOREP, ABORT (aborts), CHAT (shown as received) and unknown
    // types (ERR 150). False for the types a derived handler must handle itself.
    bool HandleGemeinsam(const TDidaditBlock& block);
    // What the splitter still holds (text before the first frame, an unfinished frame).
    std::string TakeRest() { return splitter_.TakeRest(); }
    TDidaditFrameSplitter& Splitter() { return splitter_; }

    const MD5Digest& Digest() const { return digest_; }
    void SetDigest(const MD5Digest& digest) { digest_ = digest; }
    bool Chat() const { return chat_; }
    // Records whether the other side offered CHAT; user event 6 follows it.
    void SetChat(bool chat);

private:
    MD5Digest digest_{};
    bool chat_ = false;
    TDidaditFrameSplitter splitter_;
};

} // namespace quarn
