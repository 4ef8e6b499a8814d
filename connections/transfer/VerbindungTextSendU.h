#pragma once

#include "connections/VerbindungAbstractU.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IDateiSenden;
class TStream;

// Sends the connection's current send item as text: its text before, the stream in pieces of at most
// 256 bytes with LF taken out (CR ends a line on the air), and its text after, whatever ended the
// transfer. The remote station stops it with a line "#ABORT#", "//ABORT" or "//CUT" (any case); typed
// text waits until the transfer is over.
class TVerbindungTextSend : public TVerbindungAbstract {
public:
    TVerbindungTextSend(std::shared_ptr<TVerbindungAbstract> owner,
                        std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

    static constexpr std::string_view kAbbruchMeldung = "Textdatei-Senden abgebrochen.";

protected:
    void Init() override;
    void ReceiveData() override;
    void TransmitQueueEmpty() override;
    void Terminated(int reason) override;

private:
    // True when the held line was an abort request.
    bool Abbruch(std::string_view line);

    std::shared_ptr<IDateiSenden> item_;
    TStream* stream_ = nullptr;
    // The received line so far, and how much of it was shown: a line start that may still become an
    // abort request is held back.
    std::string zeile_;
    std::size_t gezeigt_ = 0;
    // The last byte sent was a CR, so an LF right after it (also in the next piece) only goes.
    bool nachCr_ = false;
    bool abgebrochen_ = false;
};

} // namespace quarn
