#include "console/ScrollbackFile.h"

#include "console/ConsoleLine.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/ProgramGlobals.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quarn {

namespace cl = console_layout;

namespace {

[[noreturn]] void RaiseBufferError(const std::filesystem::path& name, const EMappedFileError& error) {
    switch (error.step()) {
    case EMappedFileError::Step::Open:
        throw EStreamError("Cannot open file \"" + name.string() + "\". " + SysErrorText(error.code()));
    case EMappedFileError::Step::Size:
        throw Exception("CreateFileMapping Error: " + SysErrorText(error.code()));
    case EMappedFileError::Step::Map:
        break;
    }
    throw Exception("MapViewOfFile Error: " + SysErrorText(error.code()));
}

std::uint64_t FileSize(const FileDescriptor& file) {
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        throw EMappedFileError(EMappedFileError::Step::Size, errno, "fstat");
    }
    return static_cast<std::uint64_t>(status.st_size);
}

// Step a of the reuse rules on an opened file: true when its header says it may be kept as it is.
// Otherwise it is cleared after mapping; a file of other rows (or one too long for these columns) is
// emptied first so that it becomes a new file.
bool HeaderAllowsKeeping(const FileDescriptor& file, int cols, int rows) {
    std::uint8_t header[cl::kHeaderSize] = {};
    const ssize_t got = ::pread(file.get(), header, sizeof header, 0);
    if (got != static_cast<ssize_t>(sizeof header)) {
        return false;
    }
    const std::uint32_t version = cl::Load32(header + cl::kVersionOffset);
    if (version != cl::kVersion && version != cl::kOldVersion) {
        return false;
    }
    std::uint32_t storedRows = cl::Load32(header + cl::kRowsOffset);
    if (storedRows == 0) {
        storedRows = cl::kDefaultStoredRows;
    }
    // A longer file was written for more columns than ours.
    if (storedRows != static_cast<std::uint32_t>(rows) || FileSize(file) > cl::BufferSize(cols, rows)) {
        ResizeFile(file, 0);
        return false;
    }
    return true;
}

} // namespace

ConsoleStorage ConsoleStorage::Heap(std::size_t size) {
    ConsoleStorage storage;
    try {
        storage.heap_ = std::make_unique<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        throw Exception("GetMem Error: " + SysErrorText(ENOMEM));
    }
    storage.data_ = storage.heap_.get();
    storage.size_ = size;
    return storage;
}

ConsoleStorage ConsoleStorage::PageFile(std::size_t size) {
    ConsoleStorage storage;
    try {
        storage.mapping_ = MappedFile::Anonymous(size);
    } catch (const EMappedFileError& error) {
        throw Exception("CreateFileMapping Error: " + SysErrorText(error.code()));
    }
    storage.data_ = storage.mapping_.data();
    storage.size_ = size;
    return storage;
}

ConsoleStorage ConsoleStorage::File(const std::filesystem::path& name, int cols, int rows) {
    const std::size_t size = cl::BufferSize(cols, rows);
    ConsoleStorage storage;
    try {
        FileDescriptor file;
        bool keep = false;
        std::error_code ignored;
        if (std::filesystem::exists(name, ignored)) {
            file = OpenExclusive(name, false);
            keep = HeaderAllowsKeeping(file, cols, rows);
        }
        if (!file) {
            file = OpenExclusive(name, true);
            // Emptied only now that the lock is ours.
            ResizeFile(file, 0);
        }
        storage.mapping_ = MappedFile::Shared(std::move(file), size);
        if (keep && !ValidateKeptBuffer(storage.mapping_.data(), cols, rows)) {
            // Fields that cannot be trusted: the file starts over as an empty one.
            std::memset(storage.mapping_.data(), 0, size);
            keep = false;
        }
        storage.needsClear_ = !keep;
    } catch (const EMappedFileError& error) {
        RaiseBufferError(name, error);
    }
    storage.data_ = storage.mapping_.data();
    storage.size_ = size;
    return storage;
}

void ConsoleStorage::reset() {
    data_ = nullptr;
    size_ = 0;
    needsClear_ = true;
    mapping_.reset();
    heap_.reset();
}

bool ValidateKeptBuffer(const std::uint8_t* buffer, int cols, int rows) {
    if (cl::Load32(buffer + cl::kRingStartOffset) >= static_cast<std::uint32_t>(rows)) {
        return false;
    }
    for (int slot = 0; slot < rows; ++slot) {
        const std::uint8_t* header = buffer + cl::SlotOffset(cols, slot);
        if (header[cl::kLineUsedOffset] > cols) {
            return false;
        }
    }
    return true;
}

} // namespace quarn
