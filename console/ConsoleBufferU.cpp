#include "console/ConsoleBufferU.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quarn {

namespace cl = console_layout;

namespace {

constexpr const char* kUnit = "ConsoleU";
constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr std::uint8_t kBlank = 0x20;
constexpr std::uint8_t kClearedAttr = 255;

} // namespace

void TConsoleBuffer::SetCols(int cols) {
    QUARN_ASSERT(!active_, kUnit);
    QUARN_ASSERT(cols >= 1 && cols <= cl::kMaxCols, kUnit);
    cols_ = cols;
}

void TConsoleBuffer::SetRows(int rows) {
    QUARN_ASSERT(rows >= 1, kUnit);
    if (rows == rows_) {
        return;
    }
    const bool wasActive = active_;
    if (wasActive) {
        SetActive(false);
    }
    // The inactive buffer was built for the old size; nothing may read it any more.
    storage_.reset();
    rows_ = rows;
    if (wasActive) {
        SetActive(true);
    }
}

void TConsoleBuffer::SetFileName(const std::filesystem::path& fileName) {
    QUARN_ASSERT(!active_, kUnit);
    fileName_ = fileName;
}

void TConsoleBuffer::SetVirtualMemory(bool virtualMemory) {
    QUARN_ASSERT(!active_, kUnit);
    virtualMemory_ = virtualMemory;
}

void TConsoleBuffer::SetActive(bool active) {
    if (active == active_) {
        return;
    }
    storage_.reset();
    active_ = active;
    try {
        AllocBuffer();
    } catch (...) {
        active_ = false;
        storage_.reset();
        throw;
    }
    if (active_) {
        marks_.caretCol = 0;
        marks_.caretRow = rows_ - 1;
        marks_.anchor = {0, rows_ - 1};
    }
}

void TConsoleBuffer::AllocBuffer() {
    const std::size_t size = cl::BufferSize(cols_, rows_);
    if (!virtualMemory_) {
        storage_ = ConsoleStorage::Heap(size);
    } else if (fileName_.empty()) {
        storage_ = ConsoleStorage::PageFile(size);
    } else {
        storage_ = ConsoleStorage::File(fileName_, cols_, rows_);
    }
    if (storage_.needsClear()) {
        if (!active_) {
            // Left as it is: the version stays unknown, so the next activation clears it.
            return;
        }
        InitCleared();
        return;
    }
    std::uint8_t* header = storage_.data();
    cl::Store32(header + cl::kVersionOffset, cl::kVersion);
    ringStart_ = cl::Load32(header + cl::kRingStartOffset) % static_cast<std::uint32_t>(rows_);
    serial_ = cl::Load32(header + cl::kSerialOffset);
    const auto storedCol = static_cast<std::int32_t>(cl::Load32(header + cl::kCursorColOffset));
    const bool wrapPending = (cl::Load32(header + cl::kFlagsOffset) & cl::kFlagWrapPending) != 0;
    SetWriteCursor(storedCol, static_cast<std::int32_t>(cl::Load32(header + cl::kCursorRowOffset)));
    // A pending wrap only ever waits on the last cell; a flag beside another column is not ours. Files of
    // earlier versions kept a full line's waiting cursor as column Cols.
    wrapPending_ = (wrapPending && storedCol == cols_ - 1) || storedCol == cols_;
    StoreHeader();
}

void TConsoleBuffer::InitCleared() {
    std::uint8_t* buffer = storage_.data();
    std::memset(buffer, 0, storage_.size());
    std::memcpy(buffer, cl::kSignature.data(), cl::kSignature.size());
    cl::Store32(buffer + cl::kVersionOffset, cl::kVersion);
    cl::Store32(buffer + cl::kRowsOffset, static_cast<std::uint32_t>(rows_));
    for (int slot = 0; slot < rows_; ++slot) {
        std::uint8_t* text = buffer + cl::SlotOffset(cols_, slot) + cl::kLineHeaderSize;
        std::memset(text, kBlank, static_cast<std::size_t>(cols_));
        std::memset(text + cols_, kClearedAttr, static_cast<std::size_t>(cols_));
    }
    ringStart_ = 0;
    serial_ = 0;
    cursorCol_ = 0;
    cursorRow_ = rows_ - 1;
    wrapPending_ = false;
    StoreHeader();
}

void TConsoleBuffer::StoreHeader() {
    std::uint8_t* header = storage_.data();
    cl::Store32(header + cl::kRingStartOffset, ringStart_);
    cl::Store32(header + cl::kCursorColOffset, static_cast<std::uint32_t>(cursorCol_));
    cl::Store32(header + cl::kCursorRowOffset, static_cast<std::uint32_t>(cursorRow_));
    cl::Store32(header + cl::kSerialOffset, serial_);
    cl::Store32(header + cl::kFlagsOffset, wrapPending_ ? cl::kFlagWrapPending : 0);
}

void TConsoleBuffer::AssertWritable() const {
    QUARN_ASSERT(active_ && storage_.allocated(), kUnit);
    QUARN_ASSERT(!threadCheck_ || threadCheck_(), kUnit);
}

std::size_t TConsoleBuffer::SlotOffsetOfRow(int row) const {
    const auto slot = (static_cast<std::uint32_t>(row) + ringStart_) % static_cast<std::uint32_t>(rows_);
    return cl::SlotOffset(cols_, static_cast<int>(slot));
}

const std::uint8_t* TConsoleBuffer::SlotOfRow(int row) const {
    return storage_.data() + SlotOffsetOfRow(row);
}

std::uint8_t* TConsoleBuffer::SlotOfRow(int row) {
    return storage_.data() + SlotOffsetOfRow(row);
}

TWriteResult TConsoleBuffer::WriteBuffer(const char* characters, std::size_t length) {
    AssertWritable();
    TWriteResult result;
    result.firstRow = cursorRow_;
    result.lastRow = cursorRow_;
    if (characters == nullptr || length == 0) {
        return result;
    }
    result.firstCol = cols_;
    const char* next = characters;
    const char* const end = characters + length;
    while (next < end) {
        if (*next == kCR || *next == kLF) {
            LineBreakChar(*next++, result);
            continue;
        }
        if (wrapPending_) {
            // The full line wraps now that more text for it has come.
            wrapPending_ = false;
            cursorCol_ = 0;
            NewLine(result);
        }
        const auto room = static_cast<std::size_t>(cols_ - cursorCol_);
        const char* stop = next;
        const char* const limit = next + std::min(room, static_cast<std::size_t>(end - next));
        while (stop < limit && *stop != kCR && *stop != kLF) {
            ++stop;
        }
        const auto run = static_cast<int>(stop - next);
        std::uint8_t* slot = SlotOfRow(cursorRow_);
        ConsoleLine(slot).SetUsedLength(static_cast<std::uint8_t>(cursorCol_ + run));
        std::uint8_t* text = slot + cl::kLineHeaderSize + cursorCol_;
        std::memcpy(text, next, static_cast<std::size_t>(run));
        std::memset(text + cols_, textAttr_, static_cast<std::size_t>(run));
        result.firstCol = std::min(result.firstCol, cursorCol_);
        result.lastCol = std::max(result.lastCol, cursorCol_ + run - 1);
        cursorCol_ += run;
        if (cursorCol_ >= cols_) {
            // Radio frames split lines anywhere: whether the full line wraps or ends is only known
            // from the character after it, so the cursor waits on the last cell.
            cursorCol_ = cols_ - 1;
            wrapPending_ = true;
        }
        next = stop;
    }
    StoreHeader();
    const std::uint32_t stamp = ConsoleTimeStamp(timeSource_ ? timeSource_() : std::time(nullptr));
    for (int row = std::max(0, result.firstRow); row <= cursorRow_; ++row) {
        ConsoleLine(SlotOfRow(row)).SetTimeStamp(stamp);
    }
    result.lastRow = cursorRow_;
    if (result.lastCol < result.firstCol) {
        result.firstCol = 0;
        result.lastCol = -1;
    }
    return result;
}

void TConsoleBuffer::LineBreakChar(char breakChar, TWriteResult& result) {
    // A line break right after a full line ends that line: the pending wrap is the line end.
    const bool wrapPending = std::exchange(wrapPending_, false);
    switch (lineBreak_) {
    case TConsoleLineBreak::CRLF:
        if (breakChar == kCR) {
            cursorCol_ = 0;
        } else {
            if (wrapPending) {
                cursorCol_ = 0;
            }
            NewLine(result);
        }
        break;
    case TConsoleLineBreak::CR:
        if (breakChar == kCR) {
            cursorCol_ = 0;
            NewLine(result);
        } else {
            wrapPending_ = wrapPending;
        }
        break;
    case TConsoleLineBreak::LF:
        if (breakChar == kLF) {
            cursorCol_ = 0;
            NewLine(result);
        } else {
            wrapPending_ = wrapPending;
        }
        break;
    }
}

void TConsoleBuffer::NewLine(TWriteResult& result) {
    ConsoleLine(SlotOfRow(cursorRow_)).SetEndAttr(textAttr_);
    if (cursorRow_ + 1 < rows_) {
        ++cursorRow_;
        return;
    }
    if (marks_.caretRow >= 0) {
        marks_.caretRow = std::max(0, marks_.caretRow - 1);
    }
    if (!marks_.selStart.IsNone()) {
        if (marks_.selStart.row == 0) {
            marks_.selStart.col = 0;
        } else {
            --marks_.selStart.row;
        }
    }
    if (!marks_.selEnd.IsNone()) {
        if (--marks_.selEnd.row < 0) {
            marks_.selStart = {};
            marks_.selEnd = {};
        }
    }
    if (!marks_.anchor.IsNone()) {
        if (marks_.anchor.row == 0) {
            marks_.anchor.col = 0;
        } else {
            --marks_.anchor.row;
        }
    }
    --result.firstRow;
    ++result.linesAdded;
    ringStart_ = (ringStart_ + 1) % static_cast<std::uint32_t>(rows_);
    std::uint8_t* slot = SlotOfRow(rows_ - 1);
    ConsoleLine line(slot);
    line.Zero();
    std::memset(slot + cl::kLineHeaderSize, kBlank, static_cast<std::size_t>(cols_));
    std::memset(slot + cl::kLineHeaderSize + cols_, 0, static_cast<std::size_t>(cols_));
    ++serial_;
    line.SetSerial(serial_);
}

void TConsoleBuffer::Clear() {
    if (!active_) {
        return;
    }
    AssertWritable();
    InitCleared();
    marks_.caretCol = 0;
    marks_.caretRow = -1;
}

void TConsoleBuffer::FillCells(int col, int row, int count, char character) {
    QUARN_ASSERT(active_ && storage_.allocated(), kUnit);
    QUARN_ASSERT(col >= 0 && col < cols_ && row >= 0 && row < rows_, kUnit);
    while (count > 0 && row < rows_) {
        const int cells = std::min(count, cols_ - col);
        std::uint8_t* text = SlotOfRow(row) + cl::kLineHeaderSize + col;
        std::memset(text, static_cast<unsigned char>(character), static_cast<std::size_t>(cells));
        std::memset(text + cols_, 0, static_cast<std::size_t>(cells));
        count -= cells;
        col = 0;
        ++row;
    }
}

void TConsoleBuffer::SetWriteCursor(int col, int row) {
    QUARN_ASSERT(storage_.allocated(), kUnit);
    cursorCol_ = std::clamp(col, 0, cols_ - 1);
    cursorRow_ = std::clamp(row, 0, rows_ - 1);
    wrapPending_ = false;
    StoreHeader();
}

std::uint8_t* TConsoleBuffer::TextPtr(int col, int row) {
    return const_cast<std::uint8_t*>(std::as_const(*this).TextPtr(col, row));
}

const std::uint8_t* TConsoleBuffer::TextPtr(int col, int row) const {
    QUARN_ASSERT(active_ && storage_.allocated(), kUnit);
    QUARN_ASSERT(col >= 0 && col < cols_ && row >= 0 && row < rows_, kUnit);
    return SlotOfRow(row) + cl::kLineHeaderSize + col;
}

std::uint8_t* TConsoleBuffer::AttrPtr(int col, int row) {
    return TextPtr(col, row) + cols_;
}

const std::uint8_t* TConsoleBuffer::AttrPtr(int col, int row) const {
    return TextPtr(col, row) + cols_;
}

std::uint8_t* TConsoleBuffer::LineHeader(int row) {
    QUARN_ASSERT(active_ && storage_.allocated(), kUnit);
    if (row < 0 || row >= rows_) {
        return nullptr;
    }
    return SlotOfRow(row);
}

ConsoleLine TConsoleBuffer::Line(int row) {
    std::uint8_t* header = LineHeader(row);
    QUARN_ASSERT(header != nullptr, kUnit);
    return ConsoleLine(header);
}

int TConsoleBuffer::UsedLength(int row) const {
    QUARN_ASSERT(active_ && storage_.allocated() && row >= 0 && row < rows_, kUnit);
    return std::min<int>(SlotOfRow(row)[cl::kLineUsedOffset], cols_);
}

void TConsoleBuffer::SetGutterImage(int index, int row) {
    Line(row < 0 ? cursorRow_ : row).SetGutterImage(static_cast<std::uint8_t>(index));
}

int TConsoleBuffer::GutterImage(int row, int imageCount) const {
    QUARN_ASSERT(active_ && storage_.allocated() && row >= 0 && row < rows_, kUnit);
    const int image = SlotOfRow(row)[cl::kLineGutterOffset];
    return image < imageCount ? image : 0;
}

bool TConsoleBuffer::IsListLine(int row) const {
    QUARN_ASSERT(active_ && storage_.allocated() && row >= 0 && row < rows_, kUnit);
    return SlotOfRow(row)[cl::kLineListOffset] == 1;
}

void TConsoleBuffer::SetListLine(int row, bool listLine) {
    Line(row).SetListLine(listLine);
}

} // namespace quarn
