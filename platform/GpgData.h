#pragma once

#include <gpgme.h>
#include <string>
#include <string_view>

namespace quarn {

// Owns one GPGME memory data buffer. Only the Gpg* files of this folder see GPGME's types.
class GpgData {
public:
    // An empty buffer for output.
    GpgData();
    // A private copy of the bytes as input.
    explicit GpgData(std::string_view bytes);
    ~GpgData();
    GpgData(const GpgData&) = delete;
    GpgData& operator=(const GpgData&) = delete;

    gpgme_data_t get() const { return data_; }
    // Everything written into the buffer so far.
    std::string Bytes() const;

private:
    gpgme_data_t data_ = nullptr;
};

// Owns one reference to a GPGME key.
class GpgKeyRef {
public:
    GpgKeyRef() = default;
    explicit GpgKeyRef(gpgme_key_t key) : key_(key) {}
    ~GpgKeyRef();
    GpgKeyRef(GpgKeyRef&& other) noexcept;
    GpgKeyRef& operator=(GpgKeyRef&& other) noexcept;
    GpgKeyRef(const GpgKeyRef&) = delete;
    GpgKeyRef& operator=(const GpgKeyRef&) = delete;

    gpgme_key_t get() const { return key_; }
    gpgme_key_t* out() { return &key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    gpgme_key_t key_ = nullptr;
};

} // namespace quarn
