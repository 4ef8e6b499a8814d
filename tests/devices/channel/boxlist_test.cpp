#include "devices/channel/BoxListU.h"

#include "FakeVerbindung.h"
#include "console/ConsoleU.h"
#include "foundation/InterfacesU.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarn {
namespace {

constexpr int kVisibleRows = 20;

// A channel as its mailbox list sees it: a real console and a connection that records what was sent.
class BoxListKanal final : public IKanalForBoxlist {
public:
    TConsole* GetConsole() const override { return console.get(); }
    std::shared_ptr<IVerbindung> GetVerbindung() const override { return connection; }

    std::unique_ptr<TConsole> console = std::make_unique<TConsole>();
    std::shared_ptr<test::FakeVerbindung> connection =
        std::make_shared<test::FakeVerbindung>(std::weak_ptr<TGeraet>());
};

class BoxListTest : public ::testing::Test {
protected:
    void SetUp() override {
        console.SetCols(80);
        console.SetRows(200);
        console.SetLineBreak(TConsoleLineBreak::CR);
        console.SetActive(true);
        console.show();
        const QSize want(console.GutterWidth() + 80 * console.Cell().width,
                         kVisibleRows * console.Cell().height);
        for (int step = 0; step < 3 && console.viewport()->size() != want; ++step) {
            console.resize(console.size() + (want - console.viewport()->size()));
            QApplication::processEvents();
        }
        ASSERT_EQ(console.VisibleRows(), kVisibleRows);
        list.emplace(kanal);
    }

    // Writes a line and returns its serial (rows move up as text comes in); a listing line is marked as
    // the connection's handler marks it.
    std::uint32_t Write(std::string_view text, bool listLine = false) {
        console.Write(std::string(text) + "\r");
        const int row = console.GetCursorRow() - 1;
        if (listLine) {
            console.SetGutterImage(boxbild::kPlain, row);
            console.SetListLine(row, true);
        }
        return console.Buffer().Line(row).Serial();
    }
    std::uint32_t Listing(std::string_view text) { return Write(text, true); }
    // The row a line is on now.
    int Row(std::uint32_t serial) const {
        return console.GetCursorRow() - static_cast<int>(console.GetLineSerial() - serial);
    }
    void Filler(int lines) {
        for (int n = 0; n < lines; ++n) {
            Write("Fuelltext " + std::to_string(n));
        }
    }

    int Image(int row) { return console.Buffer().Line(row).GutterImage(); }
    int ImageOf(std::uint32_t line) { return Image(Row(line)); }
    // What went to the connection, CR included.
    std::string Sent() { return kanal.connection->GetTransmitQueue().PopString(); }

    BoxListKanal kanal;
    TConsole& console = *kanal.console;
    std::optional<TBoxList> list;
};

// ---- the command line ------------------------------------------------------------------------------

TEST_F(BoxListTest, ListingWithABoardColumnSendsBoardAndTheBoardsOwnNumber) {
    Filler(3);
    const auto x12 = Listing("  101  DL1ABC > X.....12  12.03.24 12:00  1234 Erste Frage");
    const auto all = Listing("  102  DL1ABC > ALL  12.03.24 12:01  99 Ohne eigene Nummer");
    const auto y3 = Listing("  103  DL2XYZ > Y......3  12.03.24 12:05   812 Zweite");
    const auto zero = Listing("  104  DL2XYZ > Z......0  12.03.24 12:06   812 Nummer null");
    const auto huge = Listing("  105  DL2XYZ > Z.....99999999999  12.03.24 12:07  1 Zu gross");
    Filler(2);

    list->MarkRead(Row(x12), Row(x12), false, false);
    list->MarkErase(Row(y3), Row(huge), false, false);
    list->MarkRead(Row(all), Row(all), false, false);
    EXPECT_EQ(list->Execute(), "R X 12;R ALL 102;E Y 3");
    EXPECT_EQ(Sent(), "R X 12;R ALL 102;E Y 3\r");
    for (const std::uint32_t line : {x12, all, y3, zero, huge}) {
        EXPECT_EQ(ImageOf(line), boxbild::kPlain) << line;
    }
    EXPECT_TRUE(list->Commands().empty());
}

TEST_F(BoxListTest, OneBoardListingTakesTheBoardFromItsHeading) {
    struct Case {
        const char* above;   // the row above the heading
        const char* heading; // the first row not starting with a blank or a digit
        const char* expected;
    };
    const Case cases[] = {
        {"DB0XYZ> DIR TNC", "Nr.  Von     Datum    Zeit  Bytes Titel", "E TNC 5"}, // the echoed command
        {"DL1ABC de DB0XYZ>", "Rubrik Technik @ EU:", "E Technik 5"}, // a bare prompt above: the heading
        {"", "Liste der Rubrik Funk_Bay-1", "E Funk_Bay-1 5"},
    };
    for (const Case& c : cases) {
        Filler(2);
        Write(c.above);
        Write(c.heading);
        Write("");
        const auto five = Listing("   5 DL2XYZ  12.03.24 13:00   812 Frage zum TNC");
        Listing("   6 DL2XYZ  12.03.24 13:01   812 Noch eine");
        list->MarkErase(Row(five), Row(five), false, true);
        EXPECT_EQ(list->Execute(), c.expected) << c.heading;
        EXPECT_EQ(Sent(), std::string(c.expected) + "\r");
    }
}

TEST_F(BoxListTest, ListingUpToTheConsolesFirstRowHasNoBoardAndSendsABareCR) {
    // No heading left in the console: the search must stop at its first row.
    for (int n = 0; n < console.Rows() + 10; ++n) {
        Listing("  " + std::to_string(n + 1) + " DL2XYZ  12.03.24 13:00   812 Ohne Kopf");
    }
    list->MarkRead(0, 2, false, false);
    ASSERT_EQ(list->Commands().size(), 3U);
    EXPECT_EQ(list->Execute(), "");
    EXPECT_EQ(Sent(), "\r");
}

// ---- marks -----------------------------------------------------------------------------------------

TEST_F(BoxListTest, ToggleTable) {
    // Four rows: a listing line, a text line, two listing lines. '-' unmarked, 'R' read, 'E' erase,
    // '.' the text line.
    enum class Op { Read, Erase, Unmark };
    struct Case {
        const char* before;
        Op op;
        bool toggle;
        int first, last; // offsets into the four rows
        const char* after;
    };
    const Case cases[] = {
        {"R.-R", Op::Read, true, 0, 3, "R.RR"},  // one unmarked line: all get the mark
        {"R.RR", Op::Read, true, 0, 3, "-.--"},  // all marked: the marks go
        {"R.RR", Op::Read, false, 0, 3, "R.RR"}, // without toggle they stay
        {"R.RR", Op::Erase, true, 0, 3, "E.EE"}, // read marks count as not marked for erasing
        {"E.-R", Op::Erase, true, 3, 0, "E.EE"}, // rows in either order
        {"E.EE", Op::Erase, true, 0, 3, "-.--"},
        {"R.-E", Op::Read, true, 1, 1, "R.-E"}, // only the text line: nothing to mark, nothing to take off
        {"R.RE", Op::Unmark, false, 2, 9999, "R.--"}, // clamped to the console
    };
    for (const Case& c : cases) {
        Filler(2);
        const auto eins = Listing("  11 DL1ABC > A.....1  Eins");
        Write("Text zwischen den Zeilen");
        Listing("  12 DL1ABC > A.....2  Zwei");
        Listing("  13 DL1ABC > A.....3  Drei");
        Filler(1);
        const int top = Row(eins);
        list.emplace(kanal);
        for (int offset = 0; offset < 4; ++offset) {
            if (c.before[offset] == 'R') {
                list->MarkRead(top + offset, top + offset, false, false);
            } else if (c.before[offset] == 'E') {
                list->MarkErase(top + offset, top + offset, false, false);
            }
        }
        switch (c.op) {
        case Op::Read:
            list->MarkRead(top + c.first, top + c.last, false, c.toggle);
            break;
        case Op::Erase:
            list->MarkErase(top + c.first, top + c.last, false, c.toggle);
            break;
        case Op::Unmark:
            list->Unmark(top + c.first, top + c.last, false);
            break;
        }
        std::string after;
        std::string commands;
        for (int offset = 0; offset < 4; ++offset) {
            const int image = Image(top + offset);
            after += image == boxbild::kRead ? 'R' : image == boxbild::kErase ? 'E' : image == 0 ? '.' : '-';
        }
        for (const TBoxCommand& command : list->Commands()) {
            commands += command.kind == TBoxKind::Read ? 'R' : 'E';
        }
        EXPECT_EQ(after, c.after) << c.before << " " << static_cast<int>(c.op) << " " << c.toggle;
        std::string expectedCommands(c.after);
        std::erase_if(expectedCommands, [](char mark) { return mark != 'R' && mark != 'E'; });
        EXPECT_EQ(commands, expectedCommands) << c.before;
    }
}

TEST_F(BoxListTest, AdvanceMovesTheCaretDownOnlyWithoutASelection) {
    Listing("  11 DL1ABC > A.....1  Eins");
    Listing("  12 DL1ABC > A.....2  Zwei");
    const int first = console.Rows() - 3;
    const int second = console.Rows() - 2;
    console.SetCaretRow(first);
    console.SetCaretCol(7);
    ASSERT_EQ(BoxListRows(console), std::make_pair(first, first));
    list->MarkRead(first, first, true, true);
    EXPECT_EQ(console.GetCaretRow(), second);
    EXPECT_EQ(console.GetCaretCol(), 0);

    // A selection running past the newest line ends at the last row.
    console.Buffer().Marks().selStart = {3, first};
    console.Buffer().Marks().selEnd = {0, console.Rows()};
    ASSERT_EQ(BoxListRows(console), std::make_pair(first, console.Rows() - 1));
    list->MarkErase(first, console.Rows() - 1, true, true);
    EXPECT_EQ(console.GetCaretRow(), second);
    EXPECT_EQ(Image(first), boxbild::kErase);
    EXPECT_EQ(Image(second), boxbild::kErase);
}

TEST_F(BoxListTest, MarksFollowTheirLinesWhileTheRingScrolls) {
    console.SetRows(2100);
    Filler(1500); // the ring's start wraps while the next 2,000 lines come in
    const auto x12 = Listing("  101  DL1ABC > X.....12  12.03.24 12:00  1234 Erste Frage");
    Listing("  102  DL1ABC > X.....13  12.03.24 12:00  1234 Nicht markiert");
    const auto y3 = Listing("  103  DL2XYZ > Y......3  12.03.24 12:05   812 Zweite");
    const int x12Row = Row(x12);
    const int y3Row = Row(y3);
    list->MarkRead(x12Row, x12Row, false, false);
    list->MarkErase(y3Row, y3Row, false, false);

    Filler(2000);
    EXPECT_EQ(Image(x12Row - 2000), boxbild::kRead);
    EXPECT_EQ(Image(y3Row - 2000), boxbild::kErase);
    EXPECT_EQ(Image(x12Row), 0);
    EXPECT_EQ(list->Commands().size(), 2U);
    EXPECT_EQ(list->Execute(), "R X 12;E Y 3");
    EXPECT_EQ(Image(x12Row - 2000), boxbild::kPlain);
}

TEST_F(BoxListTest, MarksWhoseLinesAreGoneAreDropped) {
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"scrolled out", [this] { Filler(console.Rows() + 5); }},
        {"cleared", [this] { console.Clear(); }},
        // The serials start again after a clear: another listing line now carries the marked one's.
        {"cleared and refilled",
         [this] {
             console.Clear();
             Filler(10);
             Listing("  999  DL9ZZZ > Q.....77  12.03.24 12:00  1 Andere Nachricht");
         }},
    };
    for (const Case& c : cases) {
        console.Clear();
        list.emplace(kanal);
        Filler(10);
        const int row = Row(Listing("  103  DL2XYZ > Y......3  12.03.24 12:05   812 Zweite"));
        list->MarkErase(row, row, false, false);
        ASSERT_EQ(list->Commands().size(), 1U) << c.name;

        c.change();
        EXPECT_TRUE(list->Commands().empty()) << c.name;
        EXPECT_EQ(list->Execute(), "") << c.name;
        EXPECT_EQ(Sent(), "\r") << c.name;
    }
}

TEST_F(BoxListTest, DroppingTheListShowsPlainListLinesAgain) {
    const int row = Row(Listing("  101  DL1ABC > X.....12  12.03.24 12:00  1234 Erste Frage"));
    list->MarkRead(row, row, false, false);
    ASSERT_EQ(Image(row), boxbild::kRead);
    list.reset();
    EXPECT_EQ(Image(row), boxbild::kPlain);

    // A released channel has no console any more.
    list.emplace(kanal);
    list->MarkRead(row, row, false, false);
    kanal.console.reset();
    list.reset();
}

// ---- moving between listings -----------------------------------------------------------------------

TEST_F(BoxListTest, BlockNavigationOnTwoListings) {
    Filler(100);
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> second;
    for (int n = 0; n < 5; ++n) {
        first.push_back(Listing("  " + std::to_string(n + 1) + " DL1ABC > A.....1  Erste Liste"));
    }
    Filler(30);
    for (int n = 0; n < 5; ++n) {
        second.push_back(Listing("  " + std::to_string(n + 20) + " DL1ABC > B.....2  Zweite Liste"));
    }
    Filler(10);
    const int end = console.Rows() - 1;
    console.SetCaretRow(end);
    console.SetCaretCol(4);

    const auto expectAt = [&](std::uint32_t line, const char* step) {
        const int row = Row(line);
        EXPECT_EQ(console.GetCaretRow(), row) << step;
        EXPECT_EQ(console.GetCaretCol(), 0) << step;
        EXPECT_EQ(console.TopRow(), row - kVisibleRows / 2 - 1) << step;
    };
    list->PrevBlock();
    expectAt(second.back(), "last line of the newer listing");
    list->PrevBlock();
    expectAt(first.back(), "last line of the older listing");
    list->PrevBlock(); // nothing above the older listing
    expectAt(first.back(), "no listing above");
    list->NextBlock();
    expectAt(second.front(), "first line of the newer listing");
    list->NextBlock(); // nothing below
    expectAt(second.front(), "no listing below");

    console.SetCaretRow(end);
    list->GotoList();
    expectAt(second.back(), "the newest listing line");
    // On a listing line the caret stays and the view comes to it.
    console.ScrollToBottom();
    const int third = Row(first[2]);
    console.Buffer().Marks().caretRow = third;
    list->GotoList();
    EXPECT_EQ(console.GetCaretRow(), third);
    EXPECT_LE(console.TopRow(), third);
    EXPECT_GT(console.TopRow() + kVisibleRows, third);
}

} // namespace
} // namespace quarn
