#include "platform/XdgPaths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
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

// Why `folder` cannot be this user's private folder, or nothing when it can. A missing one is created.
std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::string("it cannot be created: ") + std::strerror(errno);
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return std::string("it cannot be examined: ") + std::strerror(errno);
    }
    if (S_ISLNK(info.st_mode)) {
        return "it is a symbolic link";
    }
    if (!S_ISDIR(info.st_mode)) {
        return "it is not a folder";
    }
    if (info.st_uid != ::geteuid()) {
        return "it belongs to user id " + std::to_string(info.st_uid);
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("others have access to it (mode ") + mode + ")";
    }
    return std::nullopt;
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

std::filesystem::path XdgCacheHome() {
    auto folder = FromEnvironment("XDG_CACHE_HOME");
    return folder.empty() ? HomeFolder() / ".cache" : folder;
}

std::filesystem::path XdgRuntimeDir() {
    if (auto folder = FromEnvironment("XDG_RUNTIME_DIR"); !folder.empty()) {
        return folder;
    }
    // No session runtime folder (a bare login or a container): a private one of our own. Whoever owns
    // it receives the trace through a debug monitor socket there and can block the instance lock.
    const std::filesystem::path shared =
        std::filesystem::temp_directory_path() / ("quarn-" + std::to_string(::getuid()));
    const std::optional<std::string> refusal = MakePrivateFolder(shared);
    if (!refusal) {
        return shared;
    }
    const std::filesystem::path own = QuarnFolderBelow(XdgCacheHome()) / "runtime";
    std::error_code ignored;
    std::filesystem::create_directories(own.parent_path(), ignored);
    const std::optional<std::string> ownRefusal = MakePrivateFolder(own);
    std::fprintf(stderr, "Quarn: not using the runtime folder %s: %s; using %s instead.\n", shared.c_str(),
                 refusal->c_str(), own.c_str());
    if (ownRefusal) {
        std::fprintf(stderr, "Quarn: %s is not private either: %s.\n", own.c_str(), ownRefusal->c_str());
    }
    return own;
}

std::filesystem::path QuarnFolderBelow(const std::filesystem::path& base) {
    return base / "Velmoor" / "Quarn";
}

} // namespace quarn
