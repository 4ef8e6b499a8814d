#pragma once

#include "foundation/FileStreamKioU.h"

#include <string>
#include <string_view>

namespace quarn {

// A stream over bytes held in memory (a typed text, a signed text). It grows on writes past its end.
class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    // A position before the beginning raises EStreamError; past the end is allowed, as for a file.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

} // namespace quarn
