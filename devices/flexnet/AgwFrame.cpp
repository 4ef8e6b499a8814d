#include "devices/flexnet/AgwFrame.h"

#include <algorithm>

namespace quarn {
namespace {

constexpr std::size_t kPortOffset = 0;
constexpr std::size_t kKindOffset = 4;
constexpr std::size_t kPidOffset = 6;
constexpr std::size_t kFromOffset = 8;
constexpr std::size_t kToOffset = 18;
constexpr std::size_t kLengthOffset = 28;
constexpr std::size_t kCallField = 10;

void PutCall(std::string& header, std::size_t offset, std::string_view call) {
    const std::size_t length = std::min(call.size(), kAgwCallLength);
    std::copy_n(call.begin(), length, header.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string GetCall(std::string_view header, std::size_t offset) {
    const std::string_view field = header.substr(offset, kCallField);
    return std::string(field.substr(0, field.find('\0')));
}

std::uint32_t GetLength(std::string_view header) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(header[kLengthOffset + i])) << (8 * i);
    }
    return value;
}

} // namespace

std::string EncodeAgwFrame(const AgwFrame& frame) {
    std::string bytes(kAgwHeaderSize, '\0');
    bytes[kPortOffset] = static_cast<char>(frame.port);
    bytes[kKindOffset] = frame.kind;
    bytes[kPidOffset] = static_cast<char>(frame.pid);
    PutCall(bytes, kFromOffset, frame.callFrom);
    PutCall(bytes, kToOffset, frame.callTo);
    const auto length = static_cast<std::uint32_t>(frame.data.size());
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[kLengthOffset + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    bytes += frame.data;
    return bytes;
}

void AgwFrameReader::Feed(std::string_view bytes) {
    if (!broken_) {
        buffer_.append(bytes);
    }
}

std::optional<AgwFrame> AgwFrameReader::Next() {
    if (broken_ || buffer_.size() < kAgwHeaderSize) {
        return std::nullopt;
    }
    const std::string_view header(buffer_.data(), kAgwHeaderSize);
    const std::uint32_t length = GetLength(header);
    if (length > kAgwMaxData) {
        broken_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    if (buffer_.size() < kAgwHeaderSize + length) {
        return std::nullopt;
    }
    AgwFrame frame;
    frame.port = static_cast<std::uint8_t>(header[kPortOffset]);
    frame.kind = header[kKindOffset];
    frame.pid = static_cast<std::uint8_t>(header[kPidOffset]);
    frame.callFrom = GetCall(header, kFromOffset);
    frame.callTo = GetCall(header, kToOffset);
    frame.data = buffer_.substr(kAgwHeaderSize, length);
    buffer_.erase(0, kAgwHeaderSize + length);
    return frame;
}

} // namespace quarn
