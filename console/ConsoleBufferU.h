#pragma once

#include "console/ConsoleLine.h"
#include "console/ScrollbackFile.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string_view>

namespace quarn {

// What ends a line in received text.
enum class TConsoleLineBreak { CRLF = 0, CR = 1, LF = 2 };

// A cell position; row -1 means none.
struct TCellPos {
    int col = -1;
    int row = -1;
    bool IsNone() const { return row < 0; }
    friend bool operator==(const TCellPos&, const TCellPos&) = default;
};

// The view's row-based positions. They live beside the buffer because they must follow the text
// whenever the ring advances under them.
struct TConsoleMarks {
    int caretCol = 0;
    int caretRow = -1;
    TCellPos selStart;
    TCellPos selEnd;
    TCellPos anchor;
};

// What one write changed, for repainting and for the view to follow new lines.
struct TWriteResult {
    int firstRow = 0; // the write row at the start, moved up with the text (may be below 0)
    int lastRow = 0;  // the write row at the end
    int firstCol = 0; // the columns touched by text runs
    int lastCol = -1;
    int linesAdded = 0; // how often the ring advanced
};

// The console's text: a ring of `Rows` fixed lines of `Cols` cells with one attribute byte per cell,
// line serials, time stamps, gutter images and list-line marks, in plain memory, in anonymous memory or
// in a scroll-back file that survives a restart. Rows are view rows: 0 the oldest line on screen,
// `Rows` - 1 the newest.
//
// Single-threaded: it belongs to the GUI thread. A thread check set with SetThreadCheck is asserted by
// every write.
class TConsoleBuffer {
public:
    using ThreadCheck = std::function<bool()>;
    using TimeSource = std::function<std::time_t()>;

    TConsoleBuffer() = default;
    TConsoleBuffer(const TConsoleBuffer&) = delete;
    TConsoleBuffer& operator=(const TConsoleBuffer&) = delete;

    int Cols() const { return cols_; }
    // 1 .. 255, only while inactive.
    void SetCols(int cols);
    int Rows() const { return rows_; }
    // At least 1; an active buffer is deactivated, resized and activated again.
    void SetRows(int rows);
    TConsoleLineBreak LineBreak() const { return lineBreak_; }
    void SetLineBreak(TConsoleLineBreak lineBreak) { lineBreak_ = lineBreak; }
    const std::filesystem::path& FileName() const { return fileName_; }
    // Only while inactive.
    void SetFileName(const std::filesystem::path& fileName);
    bool VirtualMemory() const { return virtualMemory_; }
    // Only while inactive: true maps FileName (or anonymous memory when it is empty).
    void SetVirtualMemory(bool virtualMemory);

    bool Active() const { return active_; }
    // Every change rebuilds the buffer; becoming active puts the caret and the anchor at (0, Rows - 1).
    // Raises the errors of ConsoleStorage.
    void SetActive(bool active);

    std::uint8_t TextAttr() const { return textAttr_; }
    void SetTextAttr(std::uint8_t attr) { textAttr_ = attr; }

    TWriteResult Write(std::string_view text) { return WriteBuffer(text.data(), text.size()); }
    TWriteResult WriteBuffer(const char* characters, std::size_t length);

    // Re-initialises an active buffer as an empty one; caret column 0, caret row none.
    void Clear();
    // `count` cells from (col, row) on get `character` and attribute 0, continuing at column 0 of the
    // following rows and stopping after the last row.
    void FillCells(int col, int row, int count, char character);

    // Clamped into the buffer; drops a pending wrap.
    void SetWriteCursor(int col, int row);
    // 0 .. Cols - 1.
    int GetCursorCol() const { return cursorCol_; }
    // The write line is full and the cursor waits on its last cell: the next printable character
    // starts a new line, while a CR or LF ends the full line without an empty one, as terminals do.
    bool WrapPending() const { return wrapPending_; }
    int GetCursorRow() const { return cursorRow_; }
    std::uint32_t GetLineSerial() const { return serial_; }
    std::uint32_t RingStart() const { return ringStart_; }

    std::uint8_t* TextPtr(int col, int row);
    const std::uint8_t* TextPtr(int col, int row) const;
    std::uint8_t* AttrPtr(int col, int row);
    const std::uint8_t* AttrPtr(int col, int row) const;
    // The 20-byte header of a view row; nullptr for a row outside the buffer.
    std::uint8_t* LineHeader(int row);
    ConsoleLine Line(int row);

    // Stored used length of a row, clamped to Cols.
    int UsedLength(int row) const;
    // Sets the gutter image of a row (row < 0: the write row).
    void SetGutterImage(int index, int row);
    // A row's gutter image, 0 (none) when it is not below `imageCount`.
    int GutterImage(int row, int imageCount) const;
    bool IsListLine(int row) const;
    void SetListLine(int row, bool listLine);

    TConsoleMarks& Marks() { return marks_; }
    const TConsoleMarks& Marks() const { return marks_; }

    void SetThreadCheck(ThreadCheck check) { threadCheck_ = std::move(check); }
    // The clock for line time stamps (std::time by default).
    void SetTimeSource(TimeSource source) { timeSource_ = std::move(source); }

    // The whole buffer, header first; null without a buffer.
    const std::uint8_t* Data() const { return storage_.data(); }
    std::size_t Size() const { return storage_.size(); }

private:
    void AllocBuffer();
    void InitCleared();
    void NewLine(TWriteResult& result);
    void LineBreakChar(char breakChar, TWriteResult& result);
    void StoreHeader();
    void AssertWritable() const;
    std::size_t SlotOffsetOfRow(int row) const;
    const std::uint8_t* SlotOfRow(int row) const;
    std::uint8_t* SlotOfRow(int row);

    int cols_ = 80;
    int rows_ = 25;
    TConsoleLineBreak lineBreak_ = TConsoleLineBreak::CRLF;
    std::filesystem::path fileName_;
    bool virtualMemory_ = false;
    bool active_ = false;
    std::uint8_t textAttr_ = 0;

    ConsoleStorage storage_;
    // Mirrors of the header fields, kept in range; every change is stored into the header at once.
    std::uint32_t ringStart_ = 0;
    int cursorCol_ = 0;
    int cursorRow_ = 0;
    bool wrapPending_ = false;
    std::uint32_t serial_ = 0;

    TConsoleMarks marks_;
    ThreadCheck threadCheck_;
    TimeSource timeSource_;
};

} // namespace quarn
