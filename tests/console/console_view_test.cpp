#include "console/ConsoleU.h"

#include "platform/Codepage.h"
#include "platform/FontFile.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quarn {
namespace {

// ---- mouse position to cell and selection ranges, on fixed cell metrics ----

TEST(ConsoleGeometryTest, PointToCellRoundsToTheNearestBoundaryAndClamps) {
    const TCellMetrics cell{8, 12, 10, 0};
    const TViewOrigin view{0, 10, 14, 80, 25};
    struct Case {
        QPoint point;
        TCellPos expected;
    };
    const Case cases[] = {
        {{14 + 5 * 8 + 3, 5}, {5, 10}}, // left half of cell 5
        {{14 + 5 * 8 + 4, 5}, {6, 10}}, // right half: the caret goes after the cell
        {{2, 30}, {0, 12}},             // in the gutter: column 0
        {{14 + 200 * 8, 5}, {80, 10}},  // far right: after the last column, not beyond
        {{15, 12 * 40}, {0, 25}},       // far below: one row past the newest line, not beyond
        {{15, -500}, {0, 0}},           // far above the view
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CellAtPoint(c.point, cell, view), c.expected) << c.point.x() << "," << c.point.y();
    }
    const TViewOrigin scrolled{10, 0, 14, 80, 25};
    EXPECT_EQ(CellAtPoint({0, 0}, cell, scrolled), (TCellPos{10, 0}));
}

TEST(ConsoleGeometryTest, HintKindsFollowThePointer) {
    const TCellMetrics cell{8, 12, 10, 0};
    const TViewOrigin view{0, 0, 14, 80, 25};
    const THintTarget gutter = HintTargetAt({3, 12 * 4 + 1}, cell, view);
    EXPECT_EQ(gutter.type, THintType::Gutter);
    EXPECT_EQ(gutter.col, -1);
    EXPECT_EQ(gutter.row, 4);
    const THintTarget text = HintTargetAt({14 + 8 * 7 + 1, 12 * 2 + 1}, cell, view);
    EXPECT_EQ(text.type, THintType::Text);
    EXPECT_EQ(text.col, 7);
    EXPECT_EQ(text.row, 2);
    EXPECT_EQ(HintTargetAt({14 + 8 * 80 + 1, 5}, cell, view).type, THintType::Outside);
    EXPECT_EQ(HintTargetAt({20, 12 * 25}, cell, view).type, THintType::Outside);
}

TEST(ConsoleGeometryTest, SelectionFromTheAnchorToACell) {
    struct Case {
        TCellPos anchor;
        TCellPos cell;
        TCellPos start;
        TCellPos end;
    };
    const Case cases[] = {
        {{0, 5}, {4, 3}, {4, 3}, {79, 4}},    // backwards over a line start
        {{0, 5}, {10, 5}, {0, 5}, {9, 5}},    // Shift+End on 10 used cells
        {{3, 2}, {0, 4}, {3, 2}, {79, 3}},    // ends at column 0: the previous row's last column
        {{80, 2}, {5, 3}, {0, 3}, {4, 3}},    // start after the last column: next row
        {{2, 20}, {5, 25}, {2, 20}, {0, 25}}, // past the newest line
    };
    for (const Case& c : cases) {
        const TSelection range = SelectRange(c.anchor, c.cell, 80, 25);
        EXPECT_EQ(range.start, c.start);
        EXPECT_EQ(range.end, c.end);
    }
    EXPECT_TRUE(SelectRange({4, 3}, {4, 3}, 80, 25).IsNone()); // empty
    EXPECT_TRUE(SelectRange({}, {4, 3}, 80, 25).IsNone());     // no anchor
}

TEST(ConsoleGeometryTest, DosDisplayShowsUmlautsFromTheirDosCodes) {
    const TDosDisplayTable& table = DosDisplayTable();
    EXPECT_EQ(table[0x84], 0xE4); // CP850 ä
    EXPECT_EQ(table[0x94], 0xF6); // ö
    EXPECT_EQ(table[0xE1], 0xDF); // ß
    EXPECT_EQ(table[0xEF], 0xB4); // ´
    EXPECT_EQ(table['a'], 'a');
    EXPECT_EQ(table[0xE4], 0xE4); // the Windows ä stays itself
}

// ---- the widget ----

class ConsoleViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        console.SetCols(80);
        console.SetRows(40);
        console.SetLineBreak(TConsoleLineBreak::CR);
        console.SetColor(Qt::white);
        console.SetActive(true);
        console.show();
        SizeForRows(20);
    }

    void SizeForRows(int rows) {
        const QSize want(console.GutterWidth() + 80 * console.Cell().width, rows * console.Cell().height);
        // Again when a scroll bar came or went with the first step.
        for (int step = 0; step < 3 && console.viewport()->size() != want; ++step) {
            console.resize(console.size() + (want - console.viewport()->size()));
            QApplication::processEvents();
        }
        ASSERT_EQ(console.VisibleRows(), rows);
        ASSERT_EQ(console.VisibleCols(), 80);
    }

    QPoint PointOf(int col, int row) const {
        const QRect cell = console.CellRect(col, row);
        return {cell.left() + 1, cell.top() + cell.height() / 2};
    }

    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, console.viewport()->mapToGlobal(point), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(console.viewport(), &event);
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&console, &event);
    }

    void Lines(int count, const std::string& prefix = "line ") {
        for (int i = 0; i < count; ++i) {
            console.Write(prefix + std::to_string(i) + "\r");
        }
    }

    TConsole console;
};

TEST_F(ConsoleViewTest, CopiedTextDropsTrailingBlanksAndJoinsRowsWithCrLf) {
    console.Write("abc   \rde");
    const int row = console.GetCursorRow();
    console.SetCaretRow(row - 1);
    Mouse(QEvent::MouseButtonPress, PointOf(0, row - 1), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, PointOf(2, row) + QPoint(console.Cell().width, 0), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, PointOf(2, row), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(console.GetSelectedText(), "abc\r\nde");
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "abc\r\nde");
}

TEST_F(ConsoleViewTest, ShiftEndSelectsToTheEndOfTheUsedCells) {
    console.Write("0123456789");
    const int row = console.GetCursorRow();
    Mouse(QEvent::MouseButtonPress, PointOf(0, row), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, PointOf(0, row), Qt::LeftButton, Qt::NoButton);
    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(console.Selection().start, (TCellPos{0, row}));
    EXPECT_EQ(console.Selection().end, (TCellPos{9, row}));
    EXPECT_EQ(console.GetSelectedText(), "0123456789");
    Key(Qt::Key_Home);
    EXPECT_TRUE(console.Selection().IsNone());
    EXPECT_EQ(console.Anchor(), (TCellPos{0, row}));
}

TEST_F(ConsoleViewTest, MouseCannotPutTheCaretOutsideTheBuffer) {
    Lines(5);
    const QPoint farAway(console.viewport()->width() + 500, console.viewport()->height() + 500);
    Mouse(QEvent::MouseButtonPress, farAway, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(console.GetCaretCol(), 80);
    EXPECT_EQ(console.GetCaretRow(), 39);
    Mouse(QEvent::MouseButtonRelease, farAway, Qt::LeftButton, Qt::NoButton);
}

TEST_F(ConsoleViewTest, DraggingBelowTheNewestLineSelectsToTheEnd) {
    Lines(45);
    const int row = console.Rows() - 4; // the newest line is the empty one after "line 44"
    Mouse(QEvent::MouseButtonPress, PointOf(0, row), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {40, console.viewport()->height() + 200}, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, {40, console.viewport()->height() + 200}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(console.SelectionToEnd());
    EXPECT_EQ(console.GetSelectedText(), "line 42\r\nline 43\r\nline 44\r\n");
    EXPECT_LT(console.GetCaretRow(), console.Rows());
}

TEST_F(ConsoleViewTest, ClickOnTheSelectionWithoutDraggingDropsIt) {
    console.Write("hello world");
    const int row = console.GetCursorRow();
    Mouse(QEvent::MouseButtonPress, PointOf(0, row), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, PointOf(5, row), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, PointOf(5, row), Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(console.GetSelectedText(), "hello");
    Mouse(QEvent::MouseButtonPress, PointOf(2, row), Qt::RightButton, Qt::RightButton); // context menu
    EXPECT_EQ(console.GetSelectedText(), "hello");
    Mouse(QEvent::MouseButtonPress, PointOf(2, row), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, PointOf(2, row), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(console.Selection().IsNone());
}

TEST_F(ConsoleViewTest, GutterClickReportsTheLine) {
    Lines(3);
    int clicked = -1;
    console.OnGutterClick = [&](TConsole&, int line) { clicked = line; };
    const QPoint inGutter(3, console.CellRect(0, 30).center().y());
    Mouse(QEvent::MouseButtonPress, inGutter, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, inGutter, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicked, 30);
    EXPECT_EQ(console.GetCaretRow(), 30);
    EXPECT_EQ(console.GetCaretCol(), 0);
}

TEST_F(ConsoleViewTest, NewLinesFollowTheScrollState) {
    Lines(60);
    EXPECT_EQ(console.ScrollState(), TScrollState::Bottom);
    EXPECT_EQ(console.TopRow(), console.Rows() - console.VisibleRows());

    console.ScrollTo(0, 10); // in the middle: the text on screen stays
    ASSERT_EQ(console.ScrollState(), TScrollState::Middle);
    const std::string shown(reinterpret_cast<const char*>(console.TextPtr(0, 10)), 7);
    Lines(3, "more ");
    EXPECT_EQ(console.TopRow(), 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(console.TextPtr(0, 7)), 7), shown);

    console.ScrollToBottom(); // at the bottom: the newest line stays in view
    Lines(2, "last ");
    EXPECT_EQ(console.ScrollState(), TScrollState::Bottom);
    EXPECT_GE(console.GetCursorRow(), console.TopRow());
    EXPECT_LT(console.GetCursorRow(), console.TopRow() + console.VisibleRows());
}

TEST_F(ConsoleViewTest, KeysMoveTheCaretAndScroll) {
    Lines(60);
    console.setFocus();
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(console.TopRow(), 0);
    EXPECT_EQ(console.GetCaretRow(), 0);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(console.GetCaretRow(), 20);
    EXPECT_EQ(console.TopRow(), 19); // a page is one row less than the view
    Key(Qt::Key_Up);
    EXPECT_EQ(console.GetCaretRow(), 19);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(console.GetCaretRow(), console.GetCursorRow());
    EXPECT_EQ(console.ScrollState(), TScrollState::Bottom);
    Key(Qt::Key_Down);
    EXPECT_EQ(console.GetCaretRow(), console.Rows() - 1);
    EXPECT_EQ(console.TopRow(), console.Rows() - console.VisibleRows());
}

TEST_F(ConsoleViewTest, WheelScrollsInThreeSteps) {
    Lines(60);
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(50, 50), console.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(console.viewport(), &event);
    };
    const int notch = 3 * static_cast<int>(std::lround(std::lround(120.0 / console.Cell().height) / 3.0));
    const int top = console.TopRow();
    wheel(120);
    EXPECT_EQ(console.TopRow(), top - notch);
    EXPECT_EQ(console.verticalScrollBar()->value(), console.TopRow());
    for (int i = 0; i < 3; ++i) {
        wheel(40); // a touchpad's small steps add up to one notch
    }
    EXPECT_EQ(console.TopRow(), top - 2 * notch);
    wheel(-120);
    EXPECT_EQ(console.TopRow(), top - notch);
}

TEST_F(ConsoleViewTest, HintAsksForTheCellUnderThePointer) {
    Lines(30);
    console.SetShowHint(true);
    THintTarget asked;
    int calls = 0;
    console.OnHint = [&](TConsole&, THintType type, int col, int row) {
        asked = {type, col, row};
        ++calls;
        return std::string("Zeile 12:00");
    };
    const QPoint point = PointOf(4, 30);
    QCursor::setPos(console.viewport()->mapToGlobal(point));
    Mouse(QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton);
    QElapsedTimer waited;
    waited.start();
    while (calls == 0 && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ASSERT_EQ(calls, 1);
    EXPECT_EQ(asked.type, THintType::Text);
    EXPECT_EQ(asked.col, 4);
    EXPECT_EQ(asked.row, 30);
}

// The program's terminal font file, added while the object lives.
class TerminalFontFile {
public:
    TerminalFontFile() : faces_(AddFontResource(kFontFile)) {}
    ~TerminalFontFile() {
        if (faces_ > 0) {
            RemoveFontResource(kFontFile);
        }
    }
    TerminalFontFile(const TerminalFontFile&) = delete;
    TerminalFontFile& operator=(const TerminalFontFile&) = delete;

    int Faces() const { return faces_; }
    // The size names of the added faces ("08x12"), as the configuration names them.
    static QStringList SizeNames() {
        QStringList names;
        for (const QString& family : QFontDatabase::families()) {
            if (family.startsWith(QLatin1String("quarn "))) {
                names.append(family.mid(6));
            }
        }
        return names;
    }

    static constexpr const char* kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

private:
    int faces_;
};

// An image's ink (its dark pixels), to compare glyph shapes whatever their colour.
QImage InkOf(const QImage& image) {
    QImage ink(image.size(), QImage::Format_Mono);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ink.setPixel(x, y, qGray(image.pixel(x, y)) < 128 ? 1 : 0);
        }
    }
    return ink;
}

// Pictures of a console for a person to look at, one full console of 80 columns and 25 rows in every
// terminal face: colours, selection, marked list lines, gutter images, the write cursor and the DOS
// display. The text is checked to be drawn in the face itself, not in a stand-in.
TEST_F(ConsoleViewTest, ScreenshotsShowAFullConsoleInEveryTerminalFace) {
    const TerminalFontFile fontFile;
    ASSERT_EQ(fontFile.Faces(), 6);
    const QStringList faces = TerminalFontFile::SizeNames();
    ASSERT_EQ(faces.size(), 6);

    QPixmap mail(10, 10);
    mail.fill(Qt::transparent);
    {
        QPainter painter(&mail);
        painter.setBrush(QColor(255, 200, 0));
        painter.setPen(Qt::black);
        painter.drawRect(0, 1, 9, 7);
        painter.drawLine(0, 1, 5, 5);
        painter.drawLine(9, 1, 5, 5);
    }
    console.SetGutterImages({QPixmap(), mail});
    for (int attr = 0; attr < 16; ++attr) {
        console.SetTextAttr(static_cast<std::uint8_t>(attr));
        console.Write("colour " + std::to_string(attr) + " The quick brown fox jumps over the lazy dog\r");
    }
    console.SetTextAttr(15);
    console.Write("Mailbox list:\r");
    for (int i = 1; i <= 3; ++i) {
        console.Write(std::to_string(i) + "  DL0ABC  12.03.  Rundspruch Nr. " + std::to_string(i) + "\r");
        console.SetListLine(console.GetCursorRow() - 1, true);
    }
    console.SetGutterImage(1, console.GetCursorRow() - 2);
    console.Write(
        "Umlaute (DOS): \x8E\x99\x9A\x84\x94\x81\xE1\xEF   Windows: \xC4\xD6\xDC\xE4\xF6\xFC\xDF\r");
    console.Write("cmd:");
    console.activateWindow();
    console.setFocus();
    QApplication::processEvents();
    const int row = console.GetCursorRow();
    Mouse(QEvent::MouseButtonPress, PointOf(7, row - 9), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, PointOf(20, row - 7), Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, PointOf(20, row - 7), Qt::LeftButton, Qt::NoButton);
    ASSERT_FALSE(console.GetSelectedText().empty());

    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string blackLine = "colour 15 The quick";
    for (const QString& face : faces) {
        SCOPED_TRACE(face.toStdString());
        const QFont font = TerminalFont(face.toStdString());
        console.setFont(font);
        EXPECT_EQ(QFontInfo(console.font()).family().toStdString(), "quarn " + face.toStdString());
        const QStringList size = face.split('x');
        EXPECT_EQ(console.Cell().width, size[0].toInt());
        EXPECT_EQ(console.Cell().height, size[1].toInt());
        SizeForRows(25);
        EXPECT_EQ(console.TopRow(), console.Rows() - 25);
        EXPECT_TRUE(console.grab().save(folder + "console_view_" + face + ".png"));

        const QImage view = console.viewport()->grab().toImage();
        const int y = console.CellRect(0, row - 1).center().y();
        EXPECT_EQ(view.pixelColor(console.GutterWidth() - 2, y), console.GutterLineColor());
        EXPECT_EQ(view.pixelColor(0, y), console.GutterColor());
        EXPECT_EQ(view.pixelColor(console.CellRect(10, row - 8).topLeft()),
                  console.palette().color(QPalette::Highlight));
        // The black line's cells carry the face's own glyphs, as the face draws them itself.
        const QRect cells =
            console.CellRect(0, row - 6)
                .adjusted(0, 0, (static_cast<int>(blackLine.size()) - 1) * console.Cell().width, 0);
        QImage expected(cells.size(), QImage::Format_RGB32);
        expected.fill(Qt::white);
        {
            QPainter painter(&expected);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(0, QFontMetrics(font).ascent(), QString::fromStdString(blackLine));
        }
        EXPECT_EQ(InkOf(view.copy(cells)), InkOf(expected));
    }

    console.setFont(TerminalFont("08x12"));
    SizeForRows(25);
    console.ClearSelection();
    console.SetCaretRow(row - 3); // a mailbox-list line under the caret is marked
    EXPECT_TRUE(console.grab().save(folder + "console_view_marked.png"));
    console.SetShowDOS(true);
    EXPECT_TRUE(console.grab().save(folder + "console_view_dos.png"));
    console.SetActive(false);
    EXPECT_TRUE(console.grab().save(folder + "console_view_inactive.png"));
    console.setFont(QFont());
}

// The program's own bitmap faces, once the font file is built: cells are the face's size and the text
// sits on the grid.
TEST_F(ConsoleViewTest, PaintsWithTheTerminalFaces) {
    const std::filesystem::path fontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
    if (!std::filesystem::exists(fontFile)) {
        GTEST_SKIP() << "terminal font file not built";
    }
    ASSERT_GT(AddFontResource(fontFile), 0);
    console.setFont(TerminalFont("08x12"));
    EXPECT_EQ(console.Cell().width, 8);
    EXPECT_EQ(console.Cell().height, 12);
    SizeForRows(12);
    console.SetTextAttr(5);
    console.Write("Umlaute: \xC4\xD6\xDC\xE4\xF6\xFC\xDF  DOS: \x8E\x99\x9A\x84\x94\x81\xE1\r");
    console.SetTextAttr(15);
    console.Write("0123456789012345678901234567890123456789012345678901234567890123456789012345678\r");
    console.SetShowDOS(true);
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(console.grab().save(folder + "console_view_terminal_font.png"));
    // Column 79 of the digits line holds text: the glyphs stay inside their cells up to the last one.
    const QImage view = console.viewport()->grab().toImage();
    const QRect last = console.CellRect(78, console.GetCursorRow() - 1);
    bool inked = false;
    for (int x = last.left(); x <= last.right(); ++x) {
        for (int y = last.top(); y <= last.bottom(); ++y) {
            inked = inked || view.pixelColor(x, y) == QColor(Qt::black);
        }
    }
    EXPECT_TRUE(inked);
    console.setFont(QFont());
    RemoveFontResource(fontFile);
}

} // namespace
} // namespace quarn
