#include "platform/GpgData.h"

#include "platform/Exception.h"

#include <array>
#include <utility>

namespace quarn {

GpgData::GpgData() {
    if (gpgme_data_new(&data_) != 0) {
        throw Exception("GPGME: no memory for a data buffer");
    }
}

GpgData::GpgData(std::string_view bytes) {
    // copy = 1: the buffer does not depend on the caller's storage.
    if (gpgme_data_new_from_mem(&data_, bytes.data(), bytes.size(), 1) != 0) {
        throw Exception("GPGME: no memory for a data buffer");
    }
}

GpgData::~GpgData() {
    gpgme_data_release(data_);
}

std::string GpgData::Bytes() const {
    std::string bytes;
    if (gpgme_data_seek(data_, 0, SEEK_SET) != 0) {
        return bytes;
    }
    std::array<char, 16384> chunk{};
    for (;;) {
        const ssize_t got = gpgme_data_read(data_, chunk.data(), chunk.size());
        if (got <= 0) {
            break;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return bytes;
}

GpgKeyRef::~GpgKeyRef() {
    if (key_ != nullptr) {
        gpgme_key_unref(key_);
    }
}

GpgKeyRef::GpgKeyRef(GpgKeyRef&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

GpgKeyRef& GpgKeyRef::operator=(GpgKeyRef&& other) noexcept {
    if (this != &other) {
        if (key_ != nullptr) {
            gpgme_key_unref(key_);
        }
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

} // namespace quarn
