#include "platform/FileSystem.h"

#include "platform/FileDescriptor.h"
#include "platform/XdgPaths.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn {
namespace {

bool WriteAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies the bytes, mode and times of `source` into `target` (which must not exist yet) and syncs it.
// 0 or the errno value; on failure the partial target is removed again.
int CopyToNewFile(int sourceFd, const struct stat& sourceInfo, const std::filesystem::path& target) {
    FileDescriptor targetFd(
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, sourceInfo.st_mode & 07777));
    if (!targetFd) {
        return errno;
    }
    const auto fail = [&](int error) {
        targetFd.reset();
        ::unlink(target.c_str());
        return error;
    };
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t got = ::read(sourceFd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        if (got == 0) {
            break;
        }
        if (!WriteAll(targetFd.get(), buffer.data(), static_cast<std::size_t>(got))) {
            return fail(errno);
        }
    }
    const std::array<timespec, 2> times = {sourceInfo.st_atim, sourceInfo.st_mtim};
    ::futimens(targetFd.get(), times.data());
    if (::fsync(targetFd.get()) != 0) {
        return fail(errno);
    }
    if (::close(targetFd.release()) != 0) {
        const int error = errno;
        ::unlink(target.c_str());
        return error;
    }
    return 0;
}

void SyncFolderOf(const std::filesystem::path& name) {
    const std::filesystem::path folder = name.has_parent_path() ? name.parent_path() : ".";
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd) {
        ::fsync(folderFd.get());
    }
}

// The move between file systems: only a regular file can be carried over. The source goes only after
// the copy is safely on disk; when it cannot be deleted the copy is taken back, so exactly one of them
// remains.
int CopyThenDelete(const std::filesystem::path& source, const std::filesystem::path& target,
                   int renameError) {
    FileDescriptor sourceFd(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!sourceFd) {
        return errno == ELOOP ? renameError : errno;
    }
    struct stat sourceInfo {};
    if (::fstat(sourceFd.get(), &sourceInfo) != 0) {
        return errno;
    }
    if (!S_ISREG(sourceInfo.st_mode)) {
        return renameError;
    }
    if (const int error = CopyToNewFile(sourceFd.get(), sourceInfo, target); error != 0) {
        return error;
    }
    SyncFolderOf(target);
    if (::unlink(source.c_str()) != 0) {
        const int error = errno;
        ::unlink(target.c_str());
        return error;
    }
    return 0;
}

// For file systems without RENAME_NOREPLACE: a hard link fails on an existing name just as atomically.
int LinkThenUnlink(const std::filesystem::path& source, const std::filesystem::path& target,
                   int renameError) {
    if (::link(source.c_str(), target.c_str()) != 0) {
        const int error = errno;
        if (error == EEXIST || error == ENOENT || error == ENOTDIR || error == EACCES ||
            error == ENAMETOOLONG) {
            return error;
        }
        return CopyThenDelete(source, target, renameError);
    }
    if (::unlink(source.c_str()) != 0) {
        const int error = errno;
        ::unlink(target.c_str());
        return error;
    }
    return 0;
}

// The folder without a trailing separator; empty when it is empty or the root itself.
std::filesystem::path NotRoot(std::filesystem::path folder) {
    folder = folder.lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path()) {
        folder = folder.parent_path();
    }
    if (folder.empty() || folder == folder.root_path()) {
        return {};
    }
    return folder;
}

std::filesystem::path HomeButNotRoot() {
    if (auto home = NotRoot(HomeFolder()); !home.empty()) {
        return home;
    }
    return std::filesystem::temp_directory_path();
}

// One value of user-dirs.dirs as the shell would read it: quoted, with backslash escapes and a leading
// "$HOME". Only absolute results count.
std::filesystem::path ParseUserDir(std::string_view value) {
    std::string text;
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        bool closed = false;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                text.push_back(value[++i]);
            } else if (value[i] == '"') {
                closed = true;
                break;
            } else {
                text.push_back(value[i]);
            }
        }
        if (!closed) {
            return {};
        }
    } else {
        text.assign(value.substr(0, value.find_first_of(" \t#")));
    }
    constexpr std::string_view kHome = "$HOME";
    if (text.starts_with(kHome) && (text.size() == kHome.size() || text[kHome.size()] == '/')) {
        return HomeFolder() / std::filesystem::path(text.substr(kHome.size())).relative_path();
    }
    std::filesystem::path folder(text);
    return folder.is_absolute() ? folder : std::filesystem::path();
}

} // namespace

int MoveNoReplace(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int error = errno;
    switch (error) {
    case EXDEV:
        return CopyThenDelete(source, target, error);
    case EINVAL:
    case ENOSYS:
        if (FolderExists(source)) {
            return error;
        }
        return LinkThenUnlink(source, target, error);
    default:
        return error;
    }
}

bool MoveToTrash(const std::filesystem::path& name) {
    QFile file(QString::fromStdString(name.string()));
    return file.moveToTrash();
}

bool NameTaken(const std::filesystem::path& name) {
    struct stat info {};
    return ::lstat(name.c_str(), &info) == 0;
}

bool FolderExists(const std::filesystem::path& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::filesystem::path DocumentsFolder() {
    std::ifstream file(XdgConfigHome() / "user-dirs.dirs");
    std::filesystem::path documents;
    constexpr std::string_view kName = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(file, line);) {
        std::string_view view(line);
        view.remove_prefix(std::min(view.find_first_not_of(" \t"), view.size()));
        if (view.starts_with(kName)) {
            // The shell would let a later assignment win.
            documents = ParseUserDir(view.substr(kName.size()));
        }
    }
    if (auto folder = NotRoot(documents); !folder.empty()) {
        return folder;
    }
    return HomeButNotRoot();
}

} // namespace quarn
