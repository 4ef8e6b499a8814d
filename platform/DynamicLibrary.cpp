#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

#include <utility>

namespace quarn {

DynamicLibrary::~DynamicLibrary() {
    Entladen();
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), fehler_(std::move(other.fehler_)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        Entladen();
        handle_ = std::exchange(other.handle_, nullptr);
        fehler_ = std::move(other.fehler_);
    }
    return *this;
}

bool DynamicLibrary::Laden(const std::string& file) {
    Entladen();
    handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = ::dlerror();
        fehler_ = reason ? reason : "";
        return false;
    }
    fehler_.clear();
    return true;
}

void DynamicLibrary::Entladen() {
    if (handle_) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

void* DynamicLibrary::Symbol(const std::string& name) const {
    return handle_ ? ::dlsym(handle_, name.c_str()) : nullptr;
}

} // namespace quarn
