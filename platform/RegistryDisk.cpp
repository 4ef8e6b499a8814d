#include "platform/RegistryDisk.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn::registry {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";

std::string TemporaryPrefix(const std::filesystem::path& file) {
    return file.filename().string() + std::string(kTemporaryMark);
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t result = ::write(fd, content.data() + written, content.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    return true;
}

// A new temporary file beside `file`, mode 0600, locked while this process writes it, so that
// RemoveTornTemporaries of another store or process leaves it alone. Where the file system has no
// locks it is used unlocked.
FileDescriptor CreateLockedTemporary(const std::filesystem::path& file, std::string& name) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        name = (file.parent_path() / (TemporaryPrefix(file) + "XXXXXX")).string();
        FileDescriptor fd(::mkostemp(name.data(), O_CLOEXEC));
        if (!fd) {
            return fd;
        }
        int locked;
        while ((locked = ::flock(fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat status {};
        // A cleaner that came between the creation and the lock has removed the file: take another.
        if (locked != 0 || (::fstat(fd.get(), &status) == 0 && status.st_nlink > 0)) {
            return fd;
        }
    }
    return FileDescriptor();
}

void SyncFolder(const std::filesystem::path& folder) {
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

} // namespace

ReadResult ReadWholeFile(const std::filesystem::path& file, std::string& content) {
    content.clear();
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    }
    char buffer[16384];
    while (true) {
        const ssize_t result = ::read(fd.get(), buffer, sizeof buffer);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            return ReadResult::Failed;
        }
        if (result == 0) {
            return ReadResult::Read;
        }
        content.append(buffer, static_cast<std::size_t>(result));
    }
}

bool PrepareFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return !error && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool WriteFileDurably(const std::filesystem::path& file, const std::string& content) {
    const std::filesystem::path folder = file.parent_path();
    if (!PrepareFolder(folder)) {
        return false;
    }
    std::string temporary;
    FileDescriptor fd = CreateLockedTemporary(file, temporary);
    if (!fd) {
        return false;
    }
    const bool stored = WriteAll(fd.get(), content) && ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                        ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!stored) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The new file is in place now; a folder that cannot be synced does not undo that.
    SyncFolder(folder);
    return true;
}

bool MoveAside(const std::filesystem::path& file) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = file.string() + ".damaged-" + stamp;
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // A hard link never replaces an existing file, so an older damaged copy stays as it is.
        if (::link(file.c_str(), target.c_str()) == 0) {
            ::unlink(file.c_str());
            SyncFolder(file.parent_path());
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        // No hard links here: rename, having looked that the name is free.
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0) {
            continue;
        }
        if (::rename(file.c_str(), target.c_str()) == 0) {
            SyncFolder(file.parent_path());
            return true;
        }
        return false;
    }
    return false;
}

void RemoveTornTemporaries(const std::filesystem::path& file) {
    const std::string prefix = TemporaryPrefix(file);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(file.parent_path(), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(prefix) || name.size() != prefix.size() + 6) {
            continue;
        }
        // One that a writer still holds locked is no torn file but a write under way.
        const FileDescriptor fd(::open(entry->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            continue;
        }
        std::filesystem::remove(entry->path(), error);
        error.clear();
    }
}

} // namespace quarn::registry
