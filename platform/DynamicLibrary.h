#pragma once

#include <string>
#include <string_view>

namespace quarn {

// A shared library loaded at run time; unloaded when the object goes.
class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // False when the file cannot be loaded; `Fehler` then tells why.
    bool Laden(const std::string& file);
    void Entladen();
    bool IsLoaded() const { return handle_ != nullptr; }
    // The address of an exported name, null when the library does not have it.
    void* Symbol(const std::string& name) const;
    const std::string& Fehler() const { return fehler_; }

private:
    void* handle_ = nullptr;
    std::string fehler_;
};

} // namespace quarn
