// The compound file on disk: read once into the tree, written back whole. A commit never touches the
// old file: the new image goes to a locked temporary file beside it, is synced, and a rename puts it in
// place, so at every moment the name holds either the old or the new complete file.

#include "platform/CompoundStorageTree.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::filesystem::path& fileName) {
    throw EStorageError(StgErrorFromErrno(error), fileName.string() + ": " + std::strerror(error));
}

void WriteAllOrThrow(int fd, std::string_view bytes, const std::filesystem::path& fileName) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            throw EStorageError(error == ENOSPC || error == EDQUOT ? StgError::MediumFull
                                                                   : StgError::WriteFault,
                                fileName.string() + ": " + std::strerror(error));
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

std::string ReadAll(int fd, const std::filesystem::path& fileName) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ThrowErrno(errno, fileName);
    }
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EStorageError(StgError::ReadFault, fileName.string() + ": " + std::strerror(errno));
        }
        if (got == 0) {
            bytes.resize(done);
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

void SyncFolder(const std::filesystem::path& fileName) {
    const std::filesystem::path folder = fileName.has_parent_path() ? fileName.parent_path() : ".";
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

bool SameFile(int fd, const std::filesystem::path& fileName) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(fileName.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

std::string TempPattern(const std::filesystem::path& fileName) {
    return fileName.string() + ".XXXXXX";
}

// The names TempPattern gives: mkostemp fills the six places with ASCII letters and digits.
bool IsTempNameOf(std::string_view candidate, std::string_view base) {
    if (candidate.size() != base.size() + 7 || !candidate.starts_with(base) ||
        candidate[base.size()] != '.') {
        return false;
    }
    return std::all_of(
        candidate.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1, candidate.end(),
        [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

// A new file beside `fileName`, 0600, locked, holding `image` and synced; on failure nothing is left.
struct WrittenTemp {
    std::filesystem::path name;
    FileDescriptor fd;
};

WrittenTemp WriteTemp(const std::filesystem::path& fileName, std::string_view image) {
    for (int attempt = 0;; ++attempt) {
        std::string pattern = TempPattern(fileName);
        FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!fd) {
            ThrowErrno(errno, fileName);
        }
        // Until the lock is ours, another opener may take the fresh file for a stale one and remove it:
        // then we start again with a new name.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !SameFile(fd.get(), pattern)) {
            const int error = errno;
            if (SameFile(fd.get(), pattern)) {
                ::unlink(pattern.c_str());
            }
            if (attempt < 3) {
                continue;
            }
            ThrowErrno(error, pattern);
        }
        WrittenTemp temp{pattern, std::move(fd)};
        try {
            ::fchmod(temp.fd.get(), S_IRUSR | S_IWUSR);
            WriteAllOrThrow(temp.fd.get(), image, temp.name);
            if (::fsync(temp.fd.get()) != 0) {
                ThrowErrno(errno, temp.name);
            }
        } catch (...) {
            ::unlink(temp.name.c_str());
            throw;
        }
        return temp;
    }
}

// Removes the temporary files of commits that never reached their rename (the process was killed): they
// are whole copies of the file, passwords included. A live writer holds its temporary file locked until
// the rename, so one we can lock is stale; anything else of ours or not is left alone.
void RemoveStaleTemps(const std::filesystem::path& fileName) {
    const std::filesystem::path folder = fileName.has_parent_path() ? fileName.parent_path() : ".";
    const std::string base = fileName.filename().string();
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path candidate = entry->path();
        if (!IsTempNameOf(candidate.filename().string(), base)) {
            continue;
        }
        FileDescriptor fd(::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
            continue;
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && SameFile(fd.get(), candidate)) {
            ::unlink(candidate.c_str());
        }
    }
}

} // namespace

CompoundFile::CompoundFile(std::filesystem::path fileName, FileDescriptor fd,
                           std::shared_ptr<StorageNode> root, std::size_t unreadableStreams)
    : fileName_(std::move(fileName)), fd_(std::move(fd)), tree_(std::make_shared<CompoundTree>()),
      root_(std::move(root)), unreadableStreams_(unreadableStreams) {}

std::unique_ptr<CompoundFile> CompoundFile::Open(const std::filesystem::path& fileName,
                                                 CompoundReadMode mode) {
    // A commit of another opener may rename a new file over the name between our open and our lock; then
    // the lock is on the old file, and we try again on the new one.
    for (int attempt = 0;; ++attempt) {
        FileDescriptor fd(::open(fileName.c_str(), O_RDWR | O_CLOEXEC));
        if (!fd) {
            ThrowErrno(errno, fileName);
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            ThrowErrno(errno, fileName);
        }
        if (!SameFile(fd.get(), fileName)) {
            if (attempt < 3) {
                continue;
            }
            throw EStorageError(StgError::ShareViolation, fileName.string());
        }
        // The file is ours now; what commits of earlier runs left behind can go, whatever the file holds.
        RemoveStaleTemps(fileName);
        const std::string image = ReadAll(fd.get(), fileName);
        ImageTree tree = ReadCompoundImageNode(image, mode);
        // Passwords live in this file: only the owner may read it.
        ::fchmod(fd.get(), S_IRUSR | S_IWUSR);
        return std::unique_ptr<CompoundFile>(
            new CompoundFile(fileName, std::move(fd), std::move(tree.root), tree.unreadableStreams));
    }
}

std::unique_ptr<CompoundFile> CompoundFile::Create(const std::filesystem::path& fileName, bool replace) {
    auto root = std::make_shared<StorageNode>();
    root->name = u"Root Entry";
    WrittenTemp temp = WriteTemp(fileName, WriteCompoundImageLocked(*root));
    int error = 0;
    if (replace) {
        if (::rename(temp.name.c_str(), fileName.c_str()) != 0) {
            error = errno;
        }
    } else {
        error = MoveNoReplace(temp.name, fileName);
    }
    if (error != 0) {
        ::unlink(temp.name.c_str());
        ThrowErrno(error, fileName);
    }
    SyncFolder(fileName);
    RemoveStaleTemps(fileName);
    return std::unique_ptr<CompoundFile>(new CompoundFile(fileName, std::move(temp.fd), std::move(root), 0));
}

bool CompoundFile::IsStorageFile(const std::filesystem::path& fileName) {
    static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return false;
    }
    unsigned char head[8] = {};
    return ::pread(fd.get(), head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) &&
           std::memcmp(head, kSignature, sizeof head) == 0;
}

CompoundFile::~CompoundFile() {
    try {
        Commit();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "CompoundFile: changes to %s lost: %s\n", fileName_.c_str(), error.what());
    }
}

std::shared_ptr<IStorage> CompoundFile::Root() const {
    return MakeStorageHandle(tree_, root_);
}

void CompoundFile::Commit() {
    std::lock_guard commitLock(commitMutex_);
    std::string image;
    std::uint64_t generation = 0;
    {
        std::lock_guard treeLock(tree_->mutex);
        if (tree_->generation == tree_->committed) {
            return;
        }
        generation = tree_->generation;
        image = WriteCompoundImageLocked(*root_);
    }
    WrittenTemp temp = WriteTemp(fileName_, image);
    if (::rename(temp.name.c_str(), fileName_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.name.c_str());
        ThrowErrno(error, fileName_);
    }
    SyncFolder(fileName_);
    fd_ = std::move(temp.fd); // the old file's lock goes with its descriptor
    std::lock_guard treeLock(tree_->mutex);
    tree_->committed = generation;
}

bool CompoundFile::HasChanges() const {
    std::lock_guard lock(tree_->mutex);
    return tree_->generation != tree_->committed;
}

void CompoundFile::SetChangeListener(std::function<void()> listener) {
    std::lock_guard lock(tree_->mutex);
    tree_->listener = std::move(listener);
}

} // namespace quarn
