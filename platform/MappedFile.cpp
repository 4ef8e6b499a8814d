#include "platform/MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn {

namespace {

[[noreturn]] void Fail(EMappedFileError::Step step, int code, const std::string& what) {
    throw EMappedFileError(step, code, what + ": " + std::strerror(code));
}

} // namespace

FileDescriptor OpenExclusive(const std::filesystem::path& name, bool create) {
    const int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
    // Never O_TRUNC here: emptying a file must wait until we hold its lock. A made file is the
    // owner's alone: scroll-back files hold the same login exchanges as the station database.
    FileDescriptor file(::open(name.c_str(), flags, 0600));
    if (!file) {
        Fail(EMappedFileError::Step::Open, errno, "open " + name.string());
    }
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        Fail(EMappedFileError::Step::Open, errno, "lock " + name.string());
    }
    return file;
}

void ResizeFile(const FileDescriptor& file, std::uint64_t size) {
    if (::ftruncate(file.get(), static_cast<off_t>(size)) != 0) {
        Fail(EMappedFileError::Step::Size, errno, "ftruncate");
    }
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      file_(std::move(other.file_)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        file_ = std::move(other.file_);
    }
    return *this;
}

MappedFile MappedFile::Anonymous(std::size_t size) {
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        Fail(EMappedFileError::Step::Map, errno, "mmap");
    }
    MappedFile mapping;
    mapping.data_ = static_cast<std::uint8_t*>(memory);
    mapping.size_ = size;
    return mapping;
}

MappedFile MappedFile::Shared(FileDescriptor file, std::size_t size) {
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        Fail(EMappedFileError::Step::Size, errno, "fstat");
    }
    if (static_cast<std::uint64_t>(status.st_size) < size) {
        ResizeFile(file, size);
    }
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file.get(), 0);
    if (memory == MAP_FAILED) {
        Fail(EMappedFileError::Step::Map, errno, "mmap");
    }
    MappedFile mapping;
    mapping.data_ = static_cast<std::uint8_t*>(memory);
    mapping.size_ = size;
    mapping.file_ = std::move(file);
    return mapping;
}

void MappedFile::reset() {
    if (data_ != nullptr) {
        ::munmap(data_, size_);
    }
    data_ = nullptr;
    size_ = 0;
    file_.reset();
}

} // namespace quarn
