#pragma once

#include "stations/MyCallsU.h"

#include <string>
#include <string_view>

namespace quarn {

// Walks the own calls an outgoing connect may use: for a call without SSID the SSIDs the own-call list
// gives it (all sixteen for a call that is not an own call), for a call with SSID just that one; after
// the last the text is "NOCALL". A call with an SSID above 15 yields nothing.
class TSsidIterator {
public:
    explicit TSsidIterator(std::string_view callText);

    bool First();
    bool Next();
    bool Eof() const;
    // The own call with the current SSID, or "NOCALL".
    const std::string& GetText() const { return text_; }

private:
    TMyCall call_;
    std::string text_;
    int index_ = -1;
};

} // namespace quarn
