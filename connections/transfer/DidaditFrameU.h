#pragma once

#include "foundation/MD5U.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarn {

// The DIDADIT wire format without any connection: blocks, their framing on the link and the contents of
// the block types. All of it is pure, so the handlers and the tests share one reading of the bytes.
//
// A block is type (2 bytes), the file's MD5 digest (16 bytes, types 3 to 7 only), the data and a CRC-16
// (start value 0) over all of that; every number is little-endian. On the link a block travels as 0xC0,
// the block with 0xC0 sent as 0xDB 0xDC and 0xDB as 0xDB 0xDD, and 0xC0 again.

enum class TDidaditTyp : std::uint16_t {
    Info = 1,
    Start = 2,
    Err = 3,
    Data = 4,
    Fin = 5,
    Req = 6,
    FinAck = 7,
    EchoReq = 9,
    EchoRep = 10,
    Abort = 11,
    Chat = 12,
};

inline constexpr char kDidaditFend = '\xC0';
// The protocol's offsets are 4 signed bytes: no file may be larger.
inline constexpr std::int64_t kDidaditMaxGroesse = 0x7FFFFFFF;
// The block size both sides use unless the other asks for less.
inline constexpr std::int64_t kDidaditBlockgroesse = 1750;

// True for the types that carry the file's digest (3 to 7).
bool DidaditMitDigest(std::uint16_t typ);

// One decoded block. The type stays a number: unknown types reach the handler, which answers ERR 150.
struct TDidaditBlock {
    std::uint16_t typ = 0;
    MD5Digest digest{};
    std::string data;
};

// The whole frame for the link, with both 0xC0. The digest goes in only for types 3 to 7.
std::string DidaditEncodeFrame(std::uint16_t typ, const MD5Digest& digest, std::string_view data);
inline std::string DidaditEncodeFrame(TDidaditTyp typ, const MD5Digest& digest, std::string_view data) {
    return DidaditEncodeFrame(static_cast<std::uint16_t>(typ), digest, data);
}

// Decodes what stood between two 0xC0. Empty when the escaping is broken (0xDB at the end or followed by
// anything but 0xDC or 0xDD), the block is shorter than 4 bytes, the CRC does not match, or a type 3 to 7
// block has no whole digest.
std::optional<TDidaditBlock> DidaditDecodeFrame(std::string_view escaped);

// Cuts the received byte stream into frame contents. Bytes before the first 0xC0 ever seen are text (a
// line the peer sent before its first frame) and are kept apart; after that every 0xC0 separates frames
// and empty pieces between two 0xC0 are skipped. A frame split over several pieces is joined, several
// frames in one piece come out one by one.
class TDidaditFrameSplitter {
public:
    void Add(std::string_view piece);
    // The next complete frame content (still escaped), or nothing while the closing 0xC0 is missing.
    std::optional<std::string> Next();
    // Text received before the first frame; taking it empties it.
    std::string TakeText();
    // Whatever is held (text, and the start of an unfinished frame), emptying the splitter.
    std::string TakeRest();
    bool InFrames() const { return inFrames_; }

private:
    std::string text_;
    std::string buffer_;
    std::size_t start_ = 0;
    bool inFrames_ = false;
};

// ---- Errors ----

// "%03d" and a blank and the message with its placeholders (%s, %d) filled from `arguments` in order;
// the three digits alone when the count of arguments does not match the message.
std::string DidaditErrorText(int number, std::initializer_list<std::string_view> arguments = {});
std::string DidaditErrorMessage(int number);
// Numbers whose value modulo 100 is below 50 end the transfer; so does a number that could not be read.
bool DidaditFehlerFatal(int number);
// The number of a received ERR text: the text before the first blank (the whole text without one) as a
// decimal number, -1 when it is none.
int DidaditFehlerNummer(std::string_view text);

// ---- INFO and START ----

// The lines "name=value" CR of an INFO or START block, in order. Names keep their case; callers compare
// without it. A line without "=" gives an empty name and the whole line as value. A trailing LF on a
// line is dropped.
std::vector<std::pair<std::string, std::string>> DidaditZeilen(std::string_view data);

struct TDidaditInfo {
    std::string dateiname;
    // -1 when missing, not a number, negative or above kDidaditMaxGroesse.
    std::int64_t groesse = -1;
    // The SIZE text when it is a decimal number beyond kDidaditMaxGroesse: a file nothing here can hold.
    std::optional<std::string> zuGross;
    // Empty when missing or not 32 hexadecimal digits.
    std::optional<MD5Digest> md5;
    // 0 when missing or not a number.
    std::int64_t blockgroesse = 0;
    // Seconds since 1970 of the sender's local time, when given and a number.
    std::optional<std::int64_t> zeit;
    // FEATURES named CHAT (any case).
    bool chat = false;
};
TDidaditInfo ParseDidaditInfo(std::string_view data);
// FILENAME, SIZE, MD5 (upper case), TIME (only with a time), BLOCKSIZE 1750, VERSION, FEATURES=CHAT.
// TIME of a file modified at `moment`: seconds since 1970 of its local date and time, for every year from
// 1970 on (0 before).
std::int64_t DidaditZeit(std::time_t moment);
std::string BuildDidaditInfo(std::string_view dateiname, std::int64_t groesse, const MD5Digest& md5,
                             std::optional<std::int64_t> zeit);

struct TDidaditStart {
    // 0 when missing or not a number.
    std::int64_t offset = 0;
    // 0 when missing or not a number.
    std::int64_t blockgroesse = 0;
    // The FEATURES entries, upper-cased.
    std::vector<std::string> features;
    bool chat = false;
};
TDidaditStart ParseDidaditStart(std::string_view data);
// OFFSET, BLOCKSIZE 1750 only when the sender's size was refused, VERSION, FEATURES=CHAT only with chat.
std::string BuildDidaditStart(std::int64_t offset, bool blockgroesseAbgelehnt, bool chat);

// ---- DATA and REQ ----

struct TDidaditData {
    std::int32_t offset = 0;
    std::string_view bytes;
};
// Empty when the block is shorter than its 6-byte head or than the length it states, or the offset is
// negative. Bytes past the stated length are not part of the data.
std::optional<TDidaditData> ParseDidaditData(std::string_view data);
// True when [offset, offset + length) lies within a file of `groesse` bytes.
bool DidaditBereichImFile(std::int64_t offset, std::int64_t length, std::int64_t groesse);
// Offset and at most 65535 bytes (asserted).
std::string BuildDidaditData(std::int32_t offset, std::string_view bytes);

struct TDidaditRequest {
    std::int32_t offset = 0;
    std::int32_t length = 0;
    friend bool operator==(const TDidaditRequest&, const TDidaditRequest&) = default;
};
// Empty when the length is not a multiple of 8. The values are not checked.
std::optional<std::vector<TDidaditRequest>> ParseDidaditReq(std::string_view data);
std::string BuildDidaditReq(const std::vector<TDidaditRequest>& requests);

} // namespace quarn
