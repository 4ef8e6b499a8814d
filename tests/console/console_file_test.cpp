#include "console/ConsoleBufferU.h"
#include "foundation/FileStreamKioU.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quarn {
namespace {

namespace cl = console_layout;

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PatchBytes(const std::filesystem::path& name, std::size_t offset,
                const std::vector<std::uint8_t>& bytes) {
    std::fstream file(name, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Patch32(const std::filesystem::path& name, std::size_t offset, std::uint32_t value) {
    PatchBytes(name, offset,
               {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

std::uint32_t Stored32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return cl::Load32(bytes.data() + offset);
}

void Open(TConsoleBuffer& buffer, const std::filesystem::path& name, int cols, int rows) {
    buffer.SetCols(cols);
    buffer.SetRows(rows);
    buffer.SetLineBreak(TConsoleLineBreak::CR);
    buffer.SetVirtualMemory(true);
    buffer.SetFileName(name);
    buffer.SetActive(true);
}

std::string RowText(const TConsoleBuffer& buffer, int row) {
    return std::string(reinterpret_cast<const char*>(buffer.TextPtr(0, row)),
                       static_cast<std::size_t>(buffer.UsedLength(row)));
}

// A scroll-back file of 80 columns with two lines of text: "kept" ended, then "tail" open at column 4.
void MakeFile(const std::filesystem::path& name, int rows) {
    TConsoleBuffer buffer;
    Open(buffer, name, 80, rows);
    buffer.Write("kept\rtail");
}

class ConsoleFile : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path name = dir / "Buffer01.qvn";
};

TEST_F(ConsoleFile, HasTheGoldenLayout) {
    const char* previousZone = std::getenv("TZ");
    const std::string savedZone = previousZone ? previousZone : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    {
        TConsoleBuffer buffer;
        buffer.SetCols(4);
        buffer.SetRows(3);
        buffer.SetLineBreak(TConsoleLineBreak::CR);
        buffer.SetVirtualMemory(true);
        buffer.SetFileName(name);
        buffer.SetTimeSource([] { return std::time_t{86460}; });
        buffer.SetActive(true);
        buffer.SetTextAttr(7);
        buffer.Write("ab\r");
    }
    if (previousZone) {
        ::setenv("TZ", savedZone.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();

    const auto bytes = ReadBytes(name);
    ASSERT_EQ(bytes.size(), 92u + 2u * 3u * (4u + 20u));
    const std::string signature = "Console. Terminal scroll-back buffer, a ring of fixed lines\r\n\x1a";
    std::vector<std::uint8_t> header(signature.begin(), signature.end());
    const std::vector<std::uint8_t> fields = {
        0, 0,       // terminating zeros
        5, 0, 0, 0, // version
        0, 0, 0, 0, // flags: no wrap pending
        3, 0, 0, 0, // rows
        1, 0, 0, 0, // ring start
        0, 0, 0, 0, // write column
        2, 0, 0, 0, // write row
        1, 0, 0, 0, // line serial counter
    };
    header.insert(header.end(), fields.begin(), fields.end());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 92), header);

    // The "ab" line is view row 1, which after one advance of the ring lies in slot 2.
    const std::vector<std::uint8_t> line = {
        0,    0,    0,    0,    // serial of a line of the cleared buffer
        0xBC, 0x51, 0x01, 0x00, // 86460: 1970-01-02 00:01 local
        2,                      // used length
        0,                      // list line
        0,                      // gutter image
        7,                      // attribute when the line ended
        0,    0,    0,    0,    0, 0, 0, 0, 'a', 'b', ' ', ' ', 7, 7, 255, 255,
    };
    const std::size_t slot2 = 92 + 2 * 28;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + slot2, bytes.begin() + slot2 + 28), line);
}

TEST_F(ConsoleFile, TextReachesTheFileWhileItIsStillOpen) {
    TConsoleBuffer buffer;
    Open(buffer, name, 80, 25);
    buffer.Write("on air");
    // No flush and no close: what the mapping holds is in the file for anyone who reads it now.
    const auto bytes = ReadBytes(name);
    const std::size_t lastSlot = cl::SlotOffset(80, 24);
    EXPECT_EQ(std::string(bytes.begin() + lastSlot + 20, bytes.begin() + lastSlot + 26), "on air");
}

struct ReuseCase {
    const char* name;
    int madeRows;
    std::function<void(const std::filesystem::path&)> damage;
    int openRows;
    bool kept;
};

TEST_F(ConsoleFile, FollowsTheReuseRules) {
    const auto none = [](const std::filesystem::path&) {};
    const std::vector<ReuseCase> cases = {
        {"same rows", 25, none, 25, true},
        {"version 4", 25, [](const auto& file) { Patch32(file, cl::kVersionOffset, 4); }, 25, true},
        {"stored 0 means 1250", 1250, [](const auto& file) { Patch32(file, cl::kRowsOffset, 0); }, 1250,
         true},
        {"stored 0 with 25 rows", 25, [](const auto& file) { Patch32(file, cl::kRowsOffset, 0); }, 25, false},
        {"other rows", 25, none, 30, false},
        {"unknown version", 25, [](const auto& file) { Patch32(file, cl::kVersionOffset, 3); }, 25, false},
        {"short header", 25, [](const auto& file) { std::filesystem::resize_file(file, 50); }, 25, false},
        {"empty file", 25, [](const auto& file) { std::filesystem::resize_file(file, 0); }, 25, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(name);
        MakeFile(name, c.madeRows);
        c.damage(name);
        {
            TConsoleBuffer buffer;
            Open(buffer, name, 80, c.openRows);
            const int last = c.openRows - 1;
            if (c.kept) {
                EXPECT_EQ(RowText(buffer, last - 1), "kept");
                EXPECT_EQ(RowText(buffer, last), "tail");
                EXPECT_EQ(buffer.GetLineSerial(), 1u);
                EXPECT_EQ(buffer.GetCursorCol(), 4);
                buffer.Write(" more");
                EXPECT_EQ(RowText(buffer, last), "tail more");
            } else {
                EXPECT_EQ(RowText(buffer, last - 1), "");
                EXPECT_EQ(RowText(buffer, last), "");
                EXPECT_EQ(buffer.GetLineSerial(), 0u);
                EXPECT_EQ(buffer.GetCursorCol(), 0);
            }
            EXPECT_EQ(buffer.GetCursorRow(), last);
        }
        const auto bytes = ReadBytes(name);
        ASSERT_EQ(bytes.size(), cl::BufferSize(80, c.openRows));
        EXPECT_EQ(Stored32(bytes, cl::kVersionOffset), 5u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 59),
                  "Console. Terminal scroll-back buffer, a ring of fixed lines");
    }
}

// Stored fields that do not fit the buffer must never be used as offsets; such a file starts over.
TEST_F(ConsoleFile, CorruptedFieldsAreRefusedOrClamped) {
    const std::size_t slot3 = cl::SlotOffset(80, 3);
    const std::vector<ReuseCase> cases = {
        {"ring start far out", 25, [](const auto& file) { Patch32(file, cl::kRingStartOffset, 0xFFFFFFFF); },
         25, false},
        {"ring start one past", 25, [](const auto& file) { Patch32(file, cl::kRingStartOffset, 25); }, 25,
         false},
        {"used length beyond the line", 25, [=](const auto& file) { PatchBytes(file, slot3 + 8, {200}); }, 25,
         false},
        {"file longer than the buffer", 25,
         [](const auto& file) { std::filesystem::resize_file(file, cl::BufferSize(80, 25) + 100); }, 25,
         false},
        {"write cursor out of range", 25,
         [](const auto& file) {
             Patch32(file, cl::kCursorColOffset, 0x7FFFFFFF);
             Patch32(file, cl::kCursorRowOffset, static_cast<std::uint32_t>(-5));
         },
         25, true},
        {"gutter image beyond the list", 25, [=](const auto& file) { PatchBytes(file, slot3 + 10, {250}); },
         25, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(name);
        MakeFile(name, c.madeRows);
        c.damage(name);
        TConsoleBuffer buffer;
        Open(buffer, name, 80, c.openRows);
        EXPECT_EQ(RowText(buffer, 24) == "tail", c.kept);
        EXPECT_LT(buffer.RingStart(), 25u);
        EXPECT_GE(buffer.GetCursorCol(), 0);
        EXPECT_LT(buffer.GetCursorCol(), 80);
        EXPECT_GE(buffer.GetCursorRow(), 0);
        EXPECT_LT(buffer.GetCursorRow(), 25);
        for (int row = 0; row < 25; ++row) {
            EXPECT_LE(buffer.UsedLength(row), 80);
            EXPECT_EQ(buffer.GutterImage(row, 8), 0);
        }
        // Writing through every row of the ring stays inside the buffer.
        for (int line = 0; line < 60; ++line) {
            buffer.Write(std::string(100, 'z') + "\r");
        }
        EXPECT_EQ(RowText(buffer, 23), std::string(20, 'z'));
        EXPECT_EQ(std::filesystem::file_size(name), cl::BufferSize(80, 25));
    }
}

// The write cursor field keeps its range, and the full line still waits for its next character after a
// restart.
TEST_F(ConsoleFile, PendingWrapSurvivesARestart) {
    for (const char* next : {"\r", "x"}) {
        SCOPED_TRACE(next);
        std::filesystem::remove(name);
        {
            TConsoleBuffer buffer;
            Open(buffer, name, 80, 25);
            buffer.Write(std::string(80, 'f'));
        }
        const auto bytes = ReadBytes(name);
        EXPECT_EQ(Stored32(bytes, cl::kCursorColOffset), 79u);
        EXPECT_EQ(Stored32(bytes, cl::kCursorRowOffset), 24u);

        TConsoleBuffer buffer;
        Open(buffer, name, 80, 25);
        EXPECT_TRUE(buffer.WrapPending());
        EXPECT_EQ(buffer.GetCursorCol(), 79);
        buffer.Write(next);
        EXPECT_EQ(RowText(buffer, 23), std::string(80, 'f'));
        EXPECT_EQ(RowText(buffer, 24), next == std::string("x") ? "x" : "");
        EXPECT_EQ(buffer.GetLineSerial(), 1u);
    }

    // Earlier files stored the waiting cursor as column Cols.
    std::filesystem::remove(name);
    MakeFile(name, 25);
    Patch32(name, cl::kCursorColOffset, 80);
    TConsoleBuffer buffer;
    Open(buffer, name, 80, 25);
    EXPECT_TRUE(buffer.WrapPending());
    EXPECT_EQ(Stored32(ReadBytes(name), cl::kCursorColOffset), 79u);
}

TEST_F(ConsoleFile, IsCreatedForItsOwnerOnly) {
    {
        TConsoleBuffer buffer;
        Open(buffer, name, 80, 25);
    }
    const auto perms = std::filesystem::status(name).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(ConsoleFile, IsUsedByOneBufferAtATime) {
    auto first = std::make_unique<TConsoleBuffer>();
    Open(*first, name, 80, 25);
    first->Write("mine");

    TConsoleBuffer second;
    try {
        Open(second, name, 80, 25);
        FAIL() << "a locked file was opened twice";
    } catch (const EStreamError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot open file \"" + name.string() + "\". ", 0), 0u)
            << error.what();
    }
    EXPECT_FALSE(second.Active());

    first.reset();
    second.SetActive(true);
    EXPECT_EQ(RowText(second, 24), "mine");
}

TEST_F(ConsoleFile, ChangingRowsReplacesTheFile) {
    TConsoleBuffer buffer;
    Open(buffer, name, 80, 25);
    buffer.Write("old");
    buffer.SetRows(40);
    EXPECT_EQ(std::filesystem::file_size(name), cl::BufferSize(80, 40));
    EXPECT_EQ(RowText(buffer, 39), "");
    buffer.Write("new");
    EXPECT_EQ(RowText(buffer, 39), "new");
}

TEST(ConsoleMemory, PageFileAndHeapBuffersStartCleared) {
    for (const bool virtualMemory : {false, true}) {
        SCOPED_TRACE(virtualMemory);
        TConsoleBuffer buffer;
        buffer.SetVirtualMemory(virtualMemory);
        buffer.SetActive(true);
        ASSERT_EQ(buffer.Size(), cl::BufferSize(80, 25));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.Data()), 62), cl::kSignature);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.TextPtr(0, 0)), 80), std::string(80, ' '));
        EXPECT_EQ(*buffer.AttrPtr(79, 24), 255);
        EXPECT_EQ(buffer.GetCursorRow(), 24);
    }
}

} // namespace
} // namespace quarn
