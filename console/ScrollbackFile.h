#pragma once

#include "platform/MappedFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace quarn {

// The memory that holds a console buffer: plain memory, anonymous memory in place of the page file, or
// a scroll-back file mapped shared and locked exclusively. Whether the contents must be cleared before
// use is decided when the storage is made.
class ConsoleStorage {
public:
    ConsoleStorage() = default;

    // Raises Exception "GetMem Error: <text>" when the memory cannot be had.
    static ConsoleStorage Heap(std::size_t size);
    // Raises Exception "CreateFileMapping Error: <text>".
    static ConsoleStorage PageFile(std::size_t size);
    // Opens or creates the scroll-back file `name` for a buffer of `cols` x `rows` by the reuse rules: a
    // file with version 4 or 5 made for the same rows (a stored 0 meaning 1250) whose header and lines
    // validate is kept as it is; a file with a short header or another version is reused and cleared;
    // one made for other rows, or one that does not validate, is replaced by an empty one. A file locked
    // by another owner raises EStreamError "Cannot open file "<name>". <text>"; a failure to size the
    // file raises "CreateFileMapping Error: <text>", to map it "MapViewOfFile Error: <text>".
    static ConsoleStorage File(const std::filesystem::path& name, int cols, int rows);

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool allocated() const { return data_ != nullptr; }
    // True when the contents are not a kept buffer and must be cleared.
    bool needsClear() const { return needsClear_; }

    // Unmaps or frees the memory and closes (and unlocks) the file.
    void reset();

private:
    std::unique_ptr<std::uint8_t[]> heap_;
    MappedFile mapping_;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool needsClear_ = true;
};

// True when a kept buffer's stored fields can be trusted: the ring start names a slot and no line
// claims more used cells than a line has. The write cursor is not checked; it is clamped when read.
bool ValidateKeptBuffer(const std::uint8_t* buffer, int cols, int rows);

} // namespace quarn
