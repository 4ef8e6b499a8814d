#include "platform/XdgPaths.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn {
namespace {

std::filesystem::path FromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') {
        return {};
    }
    return value;
}

} // namespace

std::filesystem::path HomeFolder() {
    if (auto home = FromEnvironment("HOME"); !home.empty()) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return std::filesystem::temp_directory_path();
}

std::filesystem::path XdgConfigHome() {
    auto folder = FromEnvironment("XDG_CONFIG_HOME");
    return folder.empty() ? HomeFolder() / ".config" : folder;
}

std::filesystem::path XdgDataHome() {
    auto folder = FromEnvironment("XDG_DATA_HOME");
    return folder.empty() ? HomeFolder() / ".local" / "share" : folder;
}

std::filesystem::path XdgRuntimeDir() {
    if (auto folder = FromEnvironment("XDG_RUNTIME_DIR"); !folder.empty()) {
        return folder;
    }
    // No session runtime folder (a bare login or a container): a private one of our own.
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("quarn-" + std::to_string(::getuid()));
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

std::filesystem::path QuarnFolderBelow(const std::filesystem::path& base) { return base / "Velmoor" / "Quarn"; }

} // namespace quarn
