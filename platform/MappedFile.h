#pragma once

#include "platform/Exception.h"
#include "platform/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quarn {

// A failed open, lock, resize or map; `code()` is the errno value.
class EMappedFileError : public Exception {
public:
    enum class Step { Open, Size, Map };
    EMappedFileError(Step step, int code, const std::string& message)
        : Exception(message), step_(step), code_(code) {}
    std::string className() const override { return "EMappedFileError"; }
    Step step() const { return step_; }
    int code() const { return code_; }

private:
    Step step_;
    int code_;
};

// Opens `name` for reading and writing and takes an exclusive lock on it without waiting, so a file is
// used by one owner at a time (another process or another open in this one gets EWOULDBLOCK). With
// `create` a missing file is made, readable and writable by its owner only. The lock lasts as long as the
// descriptor. Raises EMappedFileError (Step::Open) on failure.
FileDescriptor OpenExclusive(const std::filesystem::path& name, bool create);

// Sets the length of an open file; raises EMappedFileError (Step::Size).
void ResizeFile(const FileDescriptor& file, std::uint64_t size);

// A read-write mapping: either of a whole file (MAP_SHARED, so what is written reaches the kernel's page
// cache at once and an abrupt end of the program loses nothing) or of anonymous memory in place of the
// page file. Owns the mapping and, for a file, the descriptor with its lock.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { reset(); }
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Zero-filled private memory of `size` bytes (> 0). Raises EMappedFileError (Step::Map).
    static MappedFile Anonymous(std::size_t size);
    // Maps the first `size` (> 0) bytes of `file`; a shorter file is first grown to `size` (Step::Size on
    // failure), then mapped (Step::Map on failure).
    static MappedFile Shared(FileDescriptor file, std::size_t size);

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool mapped() const { return data_ != nullptr; }
    // The mapped file's descriptor; invalid for anonymous memory.
    const FileDescriptor& file() const { return file_; }

    // Unmaps, then closes the file (which drops its lock).
    void reset();

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    FileDescriptor file_;
};

} // namespace quarn
