#include "console/ConsoleBufferU.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace quarn {
namespace {

// Whole view rows as text, so small buffers can be compared at a glance.
std::string RowText(const TConsoleBuffer& buffer, int row) {
    return std::string(reinterpret_cast<const char*>(buffer.TextPtr(0, row)),
                       static_cast<std::size_t>(buffer.Cols()));
}

std::vector<std::string> AllRows(const TConsoleBuffer& buffer) {
    std::vector<std::string> rows;
    for (int row = 0; row < buffer.Rows(); ++row) {
        rows.push_back(RowText(buffer, row));
    }
    return rows;
}

void Activate(TConsoleBuffer& buffer, int cols, int rows, TConsoleLineBreak lineBreak,
              std::time_t now = 1'000'000) {
    buffer.SetCols(cols);
    buffer.SetRows(rows);
    buffer.SetLineBreak(lineBreak);
    buffer.SetTimeSource([now] { return now; });
    buffer.SetActive(true);
}

// Pins the local time zone to UTC for one test, so local seconds equal the clock's.
class UtcZone {
public:
    UtcZone() {
        const char* previous = std::getenv("TZ");
        if (previous != nullptr) {
            previous_ = previous;
            hadPrevious_ = true;
        }
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (hadPrevious_) {
            ::setenv("TZ", previous_.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::string previous_;
    bool hadPrevious_ = false;
};

struct WriteCase {
    const char* name;
    TConsoleLineBreak lineBreak;
    std::vector<std::string> writes; // each one WriteBuffer call
    std::vector<std::string> rows;   // all four view rows, five cells each
    std::vector<int> used;           // used length per view row
    int cursorCol;
    std::uint32_t serial;
};

// Writes into a buffer of four rows of five cells and compares every row.
void CheckWriteCase(const WriteCase& c) {
    TConsoleBuffer buffer;
    Activate(buffer, 5, 4, c.lineBreak);
    for (const auto& text : c.writes) {
        buffer.Write(text);
    }
    EXPECT_EQ(AllRows(buffer), c.rows);
    std::vector<int> used;
    for (int row = 0; row < buffer.Rows(); ++row) {
        used.push_back(buffer.UsedLength(row));
    }
    EXPECT_EQ(used, c.used);
    EXPECT_EQ(buffer.GetCursorCol(), c.cursorCol);
    EXPECT_EQ(buffer.GetCursorRow(), 3);
    EXPECT_EQ(buffer.GetLineSerial(), c.serial);
    EXPECT_EQ(buffer.RingStart(), c.serial % 4);
}

TEST(ConsoleWrite, FollowsTheWriteTable) {
    using LB = TConsoleLineBreak;
    const std::string blank = "     ";
    // clang-format off
    const std::vector<WriteCase> cases = {
        {"text stays on the last row", LB::CRLF, {"abc"}, {blank, blank, blank, "abc  "}, {0, 0, 0, 3}, 3, 0},
        // A CR LF in a later write ends the line without losing its used length.
        {"CRLF in a second write", LB::CRLF, {"abc", "\r\n"}, {blank, blank, "abc  ", blank}, {0, 0, 3, 0}, 0, 1},
        {"CRLF: LF keeps the column", LB::CRLF, {"ab\nc"}, {blank, blank, "ab   ", "  c  "}, {0, 0, 2, 3}, 3, 1},
        {"CRLF: CR overwrites", LB::CRLF, {"abcd\rX"}, {blank, blank, blank, "Xbcd "}, {0, 0, 0, 1}, 1, 0},
        {"CR: LF is ignored", LB::CR, {"a\nb"}, {blank, blank, blank, "ab   "}, {0, 0, 0, 2}, 2, 0},
        {"CR: CR ends the line", LB::CR, {"a\rb"}, {blank, blank, "a    ", "b    "}, {0, 0, 1, 1}, 1, 1},
        {"LF: CR is ignored", LB::LF, {"a\rb"}, {blank, blank, blank, "ab   "}, {0, 0, 0, 2}, 2, 0},
        {"LF: LF ends the line", LB::LF, {"a\nb"}, {blank, blank, "a    ", "b    "}, {0, 0, 1, 1}, 1, 1},
        {"long run wraps", LB::CR, {"abcdefg"}, {blank, blank, "abcde", "fg   "}, {0, 0, 5, 2}, 2, 1},
        {"full line, CR", LB::CR, {"abcde\r"}, {blank, blank, "abcde", blank}, {0, 0, 5, 0}, 0, 1},
        {"empty lines", LB::CR, {"\r\r"}, {blank, blank, blank, blank}, {0, 0, 0, 0}, 0, 2},
        {"ring wraps over old text", LB::CR, {"old\r", "1\r2\r3\r4"}, {"1    ", "2    ", "3    ", "4    "},
         {1, 1, 1, 1}, 1, 4},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CheckWriteCase(c);
    }
}

// A full line waits on its last cell: the next printable character wraps it, a CR or LF ends it, so
// where a frame boundary falls never adds an empty row.
TEST(ConsoleWrite, FullLineWrapsOnlyWhenTheNextPrintableCharacterArrives) {
    using LB = TConsoleLineBreak;
    const std::string blank = "     ";
    // clang-format off
    const std::vector<WriteCase> cases = {
        {"full line alone", LB::CR, {"abcde"}, {blank, blank, blank, "abcde"}, {0, 0, 0, 5}, 4, 0},
        {"CR: CR in the next write", LB::CR, {"abcde", "\r"}, {blank, blank, "abcde", blank}, {0, 0, 5, 0}, 0, 1},
        {"CR: text in the next write", LB::CR, {"abcde", "f"}, {blank, blank, "abcde", "f    "}, {0, 0, 5, 1}, 1, 1},
        {"CR: LF is still ignored", LB::CR, {"abcde", "\nf"}, {blank, blank, "abcde", "f    "}, {0, 0, 5, 1}, 1, 1},
        {"LF: LF in the next write", LB::LF, {"abcde", "\n"}, {blank, blank, "abcde", blank}, {0, 0, 5, 0}, 0, 1},
        {"LF: CR is still ignored", LB::LF, {"abcde", "\r", "f"}, {blank, blank, "abcde", "f    "}, {0, 0, 5, 1}, 1, 1},
        {"CRLF split after the line", LB::CRLF, {"abcde", "\r\n"}, {blank, blank, "abcde", blank}, {0, 0, 5, 0}, 0, 1},
        {"CRLF split in the middle", LB::CRLF, {"abcde\r", "\n"}, {blank, blank, "abcde", blank}, {0, 0, 5, 0}, 0, 1},
        {"CRLF: LF alone ends the line", LB::CRLF, {"abcde\nX"}, {blank, blank, "abcde", "X    "}, {0, 0, 5, 1}, 1, 1},
        {"CRLF: CR returns on the full line", LB::CRLF, {"abcde", "\rX"}, {blank, blank, blank, "Xbcde"}, {0, 0, 0, 1}, 1, 0},
        {"two full lines", LB::CR, {"abcdefghij", "\r"}, {blank, "abcde", "fghij", blank}, {0, 5, 5, 0}, 0, 2},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CheckWriteCase(c);
    }
}

// The view's marks follow the text when the waiting wrap finally advances the ring, not before.
TEST(ConsoleWrite, MarksMoveWhenAPendingWrapTakesPlace) {
    TConsoleBuffer buffer;
    Activate(buffer, 5, 4, TConsoleLineBreak::CR);
    buffer.Marks().caretRow = 2;
    buffer.Marks().anchor = {1, 2};
    auto result = buffer.Write("abcde");
    EXPECT_EQ(result.linesAdded, 0);
    EXPECT_TRUE(buffer.WrapPending());
    EXPECT_EQ(buffer.Marks().caretRow, 2);
    result = buffer.Write("f");
    EXPECT_EQ(result.linesAdded, 1);
    EXPECT_FALSE(buffer.WrapPending());
    EXPECT_EQ(buffer.Marks().caretRow, 1);
    EXPECT_EQ(buffer.Marks().anchor, (TCellPos{1, 1}));
}

TEST(ConsoleWrite, EightyFiveCharactersWrapAfterEighty) {
    TConsoleBuffer buffer;
    Activate(buffer, 80, 25, TConsoleLineBreak::CRLF);
    buffer.Write(std::string(85, 'x'));
    EXPECT_EQ(buffer.GetCursorCol(), 5);
    EXPECT_EQ(buffer.UsedLength(23), 80);
    EXPECT_EQ(buffer.UsedLength(24), 5);
    EXPECT_EQ(buffer.Line(24).Serial(), 1u);
}

TEST(ConsoleWrite, CellsTakeTheTextAttributeAndNewLinesStartWithZero) {
    TConsoleBuffer buffer;
    Activate(buffer, 6, 3, TConsoleLineBreak::CR);
    buffer.SetTextAttr(3);
    buffer.Write("ab");
    buffer.SetTextAttr(0x1C);
    buffer.Write("cd");
    const std::uint8_t* attrs = buffer.AttrPtr(0, 2);
    EXPECT_EQ(std::vector<int>(attrs, attrs + 6), (std::vector<int>{3, 3, 0x1C, 0x1C, 255, 255}));

    buffer.Write("\r");
    EXPECT_EQ(buffer.Line(1).EndAttr(), 0x1C);
    attrs = buffer.AttrPtr(0, 2);
    EXPECT_EQ(std::vector<int>(attrs, attrs + 6), (std::vector<int>(6, 0)));
    EXPECT_EQ(RowText(buffer, 2), "      ");
}

TEST(ConsoleWrite, GutterImagesAndListMarksTravelWithTheirLines) {
    TConsoleBuffer buffer;
    Activate(buffer, 8, 4, TConsoleLineBreak::CR);
    buffer.Write("mail");
    buffer.SetGutterImage(5, -1);
    buffer.SetListLine(3, true);
    buffer.Write("\r\r");
    EXPECT_EQ(buffer.GutterImage(1, 6), 5);
    EXPECT_TRUE(buffer.IsListLine(1));
    // An index beyond the images the view has is no image at all.
    EXPECT_EQ(buffer.GutterImage(1, 5), 0);
    // The lines the ring brought in start without image or mark.
    EXPECT_EQ(buffer.GutterImage(3, 6), 0);
    EXPECT_FALSE(buffer.IsListLine(3));
    buffer.SetGutterImage(2, 0);
    EXPECT_EQ(buffer.Line(0).GutterImage(), 2);
    EXPECT_EQ(buffer.LineHeader(-1), nullptr);
    EXPECT_EQ(buffer.LineHeader(4), nullptr);
}

TEST(ConsoleWrite, MarksMoveUpWhenTheRingAdvances) {
    TConsoleBuffer buffer;
    Activate(buffer, 8, 4, TConsoleLineBreak::CR);
    EXPECT_EQ(buffer.Marks().caretRow, 3);
    EXPECT_EQ(buffer.Marks().anchor, (TCellPos{0, 3}));
    buffer.Marks().caretRow = 1;
    buffer.Marks().selStart = {4, 0};
    buffer.Marks().selEnd = {2, 2};
    buffer.Marks().anchor = {6, 1};

    auto result = buffer.Write("a\r");
    EXPECT_EQ(result.linesAdded, 1);
    EXPECT_EQ(result.firstRow, 2);
    EXPECT_EQ(buffer.Marks().caretRow, 0);
    EXPECT_EQ(buffer.Marks().selStart, (TCellPos{0, 0}));
    EXPECT_EQ(buffer.Marks().selEnd, (TCellPos{2, 1}));
    EXPECT_EQ(buffer.Marks().anchor, (TCellPos{6, 0}));

    result = buffer.Write("\r\r");
    EXPECT_EQ(result.linesAdded, 2);
    EXPECT_EQ(buffer.Marks().caretRow, 0);
    EXPECT_TRUE(buffer.Marks().selStart.IsNone());
    EXPECT_TRUE(buffer.Marks().selEnd.IsNone());
    EXPECT_EQ(buffer.Marks().anchor, (TCellPos{0, 0}));
}

TEST(ConsoleWrite, TimeStampsAreLocalSecondsSince1970) {
    UtcZone utc;
    std::tm secondDay{};
    secondDay.tm_year = 70;
    secondDay.tm_mday = 2;
    EXPECT_EQ(ConsoleTimeStamp(secondDay), 86400u);

    TConsoleBuffer buffer;
    Activate(buffer, 8, 5, TConsoleLineBreak::CR, 86400 + 3661);
    buffer.Write("x\ry\rz");
    // Every line the write touched gets the stamp; older lines keep none.
    for (int row = 2; row <= 4; ++row) {
        EXPECT_EQ(buffer.Line(row).TimeStamp(), 90061u) << row;
    }
    EXPECT_EQ(buffer.Line(1).TimeStamp(), 0u);
}

TEST(ConsoleWrite, WriteCursorIsClampedAndCellsAreFilledAcrossRows) {
    TConsoleBuffer buffer;
    Activate(buffer, 80, 25, TConsoleLineBreak::CRLF);
    buffer.SetWriteCursor(100, -3);
    EXPECT_EQ(buffer.GetCursorCol(), 79);
    EXPECT_EQ(buffer.GetCursorRow(), 0);

    TConsoleBuffer small;
    Activate(small, 4, 3, TConsoleLineBreak::CRLF);
    small.SetTextAttr(9);
    small.Write("abcd\r\n");
    small.FillCells(2, 1, 100, '-');
    EXPECT_EQ(AllRows(small), (std::vector<std::string>{"    ", "ab--", "----"}));
    EXPECT_EQ(*small.AttrPtr(0, 2), 0);
}

TEST(ConsoleWrite, ClearEmptiesTheBufferAndDropsTheCaretRow) {
    TConsoleBuffer buffer;
    Activate(buffer, 4, 3, TConsoleLineBreak::CR);
    buffer.Write("ab\rcd");
    buffer.Clear();
    EXPECT_EQ(AllRows(buffer), (std::vector<std::string>(3, "    ")));
    EXPECT_EQ(buffer.GetLineSerial(), 0u);
    EXPECT_EQ(buffer.RingStart(), 0u);
    EXPECT_EQ(buffer.GetCursorRow(), 2);
    EXPECT_EQ(buffer.Marks().caretRow, -1);
}

TEST(ConsoleWrite, ProgrammingErrorsAreAssertions) {
    TConsoleBuffer buffer;
    EXPECT_THROW(buffer.SetRows(0), EAssertionFailed);
    EXPECT_THROW(buffer.SetCols(256), EAssertionFailed);
    EXPECT_THROW(buffer.Write("x"), EAssertionFailed);
    Activate(buffer, 80, 25, TConsoleLineBreak::CR);
    EXPECT_THROW(buffer.SetCols(40), EAssertionFailed);
    EXPECT_THROW(buffer.SetFileName("other.qvn"), EAssertionFailed);
    EXPECT_THROW(buffer.TextPtr(80, 0), EAssertionFailed);
    buffer.SetThreadCheck([] { return false; });
    EXPECT_THROW(buffer.Write("x"), EAssertionFailed);
}

TEST(ConsoleWrite, ChangingRowsRebuildsAnActiveBuffer) {
    TConsoleBuffer buffer;
    Activate(buffer, 10, 25, TConsoleLineBreak::CR);
    buffer.Write("abc");
    buffer.SetRows(30);
    EXPECT_TRUE(buffer.Active());
    EXPECT_EQ(buffer.Size(), 92u + 2u * 30u * 30u);
    EXPECT_EQ(buffer.GetCursorRow(), 29);
    EXPECT_EQ(RowText(buffer, 29), std::string(10, ' '));
}

} // namespace
} // namespace quarn
