#include "foundation/MemoryStreamU.h"

#include <algorithm>
#include <cstring>

namespace quarn {

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= bytes_.size()) {
        return 0;
    }
    const std::size_t done = std::min(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, done);
    position_ += done;
    return done;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) {
        return 0;
    }
    if (position_ + count > bytes_.size()) {
        bytes_.resize(position_ + count);
    }
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::Beginning:
        break;
    case TSeekOrigin::Current:
        base = static_cast<std::int64_t>(position_);
        break;
    case TSeekOrigin::End:
        base = static_cast<std::int64_t>(bytes_.size());
        break;
    }
    const std::int64_t target = base + offset;
    if (target < 0) {
        throw EStreamError("Invalid seek before the beginning");
    }
    position_ = static_cast<std::size_t>(target);
    return target;
}

void TMemoryStream::SetSize(std::int64_t size) {
    if (size < 0) {
        throw EStreamError("Invalid size");
    }
    bytes_.resize(static_cast<std::size_t>(size));
    position_ = std::min(position_, bytes_.size());
}

} // namespace quarn
