#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>

namespace quarn {

// The console buffer's byte layout, the same in memory and in a scroll-back file: a 92-byte header,
// then `rows` line slots of 2 x cols + 20 bytes; every 32-bit field is little-endian.
namespace console_layout {

inline constexpr std::string_view kSignature =
    "Console. Terminal scroll-back buffer, a ring of fixed lines\r\n\x1a";
inline constexpr std::size_t kHeaderSize = 92;
inline constexpr std::uint32_t kVersion = 5;
inline constexpr std::uint32_t kOldVersion = 4;
// A stored row count of 0 stands for the channels' default scroll-back size.
inline constexpr std::uint32_t kDefaultStoredRows = 1250;

// Header fields.
inline constexpr std::size_t kVersionOffset = 64;
// Once reserved and zero; bit 0 now marks a wrap that waits for the next printable character.
inline constexpr std::size_t kFlagsOffset = 68;
inline constexpr std::uint32_t kFlagWrapPending = 1;
inline constexpr std::size_t kRowsOffset = 72;
inline constexpr std::size_t kRingStartOffset = 76;
inline constexpr std::size_t kCursorColOffset = 80;
inline constexpr std::size_t kCursorRowOffset = 84;
inline constexpr std::size_t kSerialOffset = 88;

// Line slot fields.
inline constexpr std::size_t kLineHeaderSize = 20;
inline constexpr std::size_t kLineSerialOffset = 0;
inline constexpr std::size_t kLineTimeOffset = 4;
inline constexpr std::size_t kLineUsedOffset = 8;
inline constexpr std::size_t kLineListOffset = 9;
inline constexpr std::size_t kLineGutterOffset = 10;
inline constexpr std::size_t kLineEndAttrOffset = 11;

// The cell counts that fit the one-byte used length.
inline constexpr int kMaxCols = 255;

static_assert(kSignature.size() == 62);

constexpr std::size_t SlotSize(int cols) {
    return 2 * static_cast<std::size_t>(cols) + kLineHeaderSize;
}
// 92 + 2 x rows x (cols + 20): the last 20 x rows bytes follow the last slot unused.
constexpr std::size_t BufferSize(int cols, int rows) {
    return kHeaderSize + 2 * static_cast<std::size_t>(rows) * (static_cast<std::size_t>(cols) + 20);
}
constexpr std::size_t SlotOffset(int cols, int slot) {
    return kHeaderSize + static_cast<std::size_t>(slot) * SlotSize(cols);
}

inline std::uint32_t Load32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
inline void Store32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

} // namespace console_layout

// A view of one line slot's 20-byte header.
class ConsoleLine {
public:
    explicit ConsoleLine(std::uint8_t* header) : header_(header) {}

    std::uint32_t Serial() const {
        return console_layout::Load32(header_ + console_layout::kLineSerialOffset);
    }
    void SetSerial(std::uint32_t serial) {
        console_layout::Store32(header_ + console_layout::kLineSerialOffset, serial);
    }
    std::uint32_t TimeStamp() const {
        return console_layout::Load32(header_ + console_layout::kLineTimeOffset);
    }
    void SetTimeStamp(std::uint32_t stamp) {
        console_layout::Store32(header_ + console_layout::kLineTimeOffset, stamp);
    }
    // Raw byte; readers clamp it to the column count (TConsoleBuffer::UsedLength).
    std::uint8_t UsedLength() const { return header_[console_layout::kLineUsedOffset]; }
    void SetUsedLength(std::uint8_t used) { header_[console_layout::kLineUsedOffset] = used; }
    // A mailbox-list line that can be marked.
    bool IsListLine() const { return header_[console_layout::kLineListOffset] == 1; }
    void SetListLine(bool listLine) { header_[console_layout::kLineListOffset] = listLine ? 1 : 0; }
    // Raw index into the gutter images, 0 = none.
    std::uint8_t GutterImage() const { return header_[console_layout::kLineGutterOffset]; }
    void SetGutterImage(std::uint8_t image) { header_[console_layout::kLineGutterOffset] = image; }
    std::uint8_t EndAttr() const { return header_[console_layout::kLineEndAttrOffset]; }
    void SetEndAttr(std::uint8_t attr) { header_[console_layout::kLineEndAttrOffset] = attr; }

    void Zero() { std::memset(header_, 0, console_layout::kLineHeaderSize); }
    std::uint8_t* Bytes() const { return header_; }

private:
    std::uint8_t* header_;
};

// A line's time stamp: local time as seconds since 1970-01-01 00:00 (local), in 32 bits, so that
// 1970-01-02 00:00 gives 86400.
std::uint32_t ConsoleTimeStamp(const std::tm& localTime);
// The same for a moment of the system clock, through the local time zone.
std::uint32_t ConsoleTimeStamp(std::time_t moment);

} // namespace quarn
