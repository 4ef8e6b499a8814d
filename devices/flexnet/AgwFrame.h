#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// One message of the AGW packet-engine protocol: a 36-byte header (port, kind letter, pid, two call
// fields of ten bytes, the data length, all numbers little-endian) and the data.
struct AgwFrame {
    std::uint8_t port = 0;
    char kind = 0;
    std::uint8_t pid = 0;
    std::string callFrom;
    std::string callTo;
    std::string data;
};

inline constexpr std::size_t kAgwHeaderSize = 36;
// The longest call field content (the tenth byte ends it).
inline constexpr std::size_t kAgwCallLength = 9;
// No engine sends more in one message; a longer one means the stream is out of step.
inline constexpr std::size_t kAgwMaxData = 65536;

// The bytes of a message; a call longer than its field is cut (callers check calls first).
std::string EncodeAgwFrame(const AgwFrame& frame);

// Cuts a byte stream into messages. Pure bytes in, messages out: no socket, no thread.
class AgwFrameReader {
public:
    void Feed(std::string_view bytes);
    // The next complete message, or none yet.
    std::optional<AgwFrame> Next();
    // A header announced more data than any engine sends: the stream cannot be read further.
    bool Broken() const { return broken_; }

private:
    std::string buffer_;
    bool broken_ = false;
};

} // namespace quarn
