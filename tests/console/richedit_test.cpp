#include "console/RichEditQuarnU.h"
#include "platform/FontFile.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextBlock>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace quarn {
namespace {

// Exposes the paste and drop check that the control asks before taking data.
class Editor : public TRichEditQuarn {
public:
    using TRichEditQuarn::canInsertFromMimeData;
};

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor.OnSendText = [this](TRichEditQuarn&, const std::string& text) { sent.push_back(text); };
        editor.SetColorSentText(QColor(0xC0, 0, 0));
        editor.SetColorNewText(Qt::black);
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&editor, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(&editor, &release);
    }
    void Type(const QString& text) {
        for (const QChar c : text) {
            Key(c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : Qt::Key_Space, Qt::NoModifier, c);
        }
    }
    QColor ColourAt(int block) const {
        const QTextBlock b = editor.document()->findBlockByNumber(block);
        return b.begin().fragment().charFormat().foreground().color();
    }

    Editor editor;
    std::vector<std::string> sent;
};

TEST_F(RichEditTest, EnterOnTheLastLineSendsItWithCrAndOpensANewLine) {
    Type("abc");
    Key(Qt::Key_Return);
    EXPECT_EQ(sent, std::vector<std::string>{"abc\r"});
    EXPECT_EQ(editor.toPlainText(), "abc\n");
    EXPECT_EQ(editor.textCursor().blockNumber(), 1);
    EXPECT_EQ(ColourAt(0), QColor(0xC0, 0, 0));
    Type("de");
    EXPECT_EQ(ColourAt(1), QColor(Qt::black)) << "new text keeps the new-text colour";
    Key(Qt::Key_Enter, Qt::KeypadModifier); // the keypad's Enter too
    EXPECT_EQ(sent.back(), "de\r");
}

TEST_F(RichEditTest, EnterOnAnEarlierLineSendsItAgainWithoutInsertingALine) {
    editor.setPlainText("first\nsecond\nthird");
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(2); // inside "first"
    editor.setTextCursor(cursor);
    Key(Qt::Key_Return);
    EXPECT_EQ(sent, std::vector<std::string>{"first\r"});
    EXPECT_EQ(editor.toPlainText(), "first\nsecond\nthird");
    EXPECT_EQ(editor.textCursor().position(), 6) << "start of the next line";
}

TEST_F(RichEditTest, ModifiersOfEnter) {
    struct Case {
        Qt::KeyboardModifiers modifiers;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {Qt::ShiftModifier, {"x\r"}},
        {Qt::ControlModifier | Qt::ShiftModifier, {"x"}},
        {Qt::ControlModifier, {}},
        {Qt::AltModifier, {"x\r"}},
    };
    for (const Case& c : cases) {
        editor.clear();
        sent.clear();
        Type("x");
        Key(Qt::Key_Return, c.modifiers);
        EXPECT_EQ(sent, c.expected) << c.modifiers.toInt();
    }
    editor.clear();
    sent.clear();
    Key(Qt::Key_Return);
    EXPECT_EQ(sent, std::vector<std::string>{"\r"}) << "an empty line is sent too";
}

TEST_F(RichEditTest, ControlLettersTabAndDown) {
    Type("a");
    Key(Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier, "\x07");
    EXPECT_EQ(editor.toPlainText(), "a^G");
    Key(Qt::Key_B, Qt::ControlModifier, "\x02"); // used up
    Key(Qt::Key_Z, Qt::ControlModifier, "\x1a");
    Key(Qt::Key_Tab, Qt::NoModifier, "\t");
    EXPECT_EQ(editor.toPlainText(), "a^G");
    Key(Qt::Key_A, Qt::ControlModifier, "\x01"); // the control's own select all
    EXPECT_EQ(editor.textCursor().selectedText(), "a^G");
    editor.moveCursor(QTextCursor::End);
    Key(Qt::Key_Down);
    EXPECT_EQ(editor.toPlainText(), "a^G\n");
    EXPECT_EQ(editor.textCursor().blockNumber(), 1);
    EXPECT_TRUE(sent.empty());
}

TEST_F(RichEditTest, ShiftTabMovesTheFocusBack) {
    QWidget form;
    auto* before = new QLineEdit(&form);
    auto* input = new TRichEditQuarn(&form);
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(before);
    layout->addWidget(input);
    form.show();
    QApplication::setActiveWindow(&form);
    input->setFocus();
    ASSERT_TRUE(input->hasFocus());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
    QApplication::sendEvent(input, &tab);
    EXPECT_TRUE(input->hasFocus()) << "Tab does nothing";
    QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::sendEvent(input, &backtab);
    EXPECT_TRUE(before->hasFocus());
    EXPECT_EQ(input->toPlainText(), "");
}

TEST_F(RichEditTest, PasteTakesPlainTextOnlyAndObjectsAreRefused) {
    auto formatted = std::make_unique<QMimeData>();
    formatted->setHtml("<b>fett</b> und <i>schräg</i>");
    formatted->setText(QString::fromUtf8("fett und schräg \u20ac \u0416"));
    QApplication::clipboard()->setMimeData(formatted.release());
    Key(Qt::Key_V, Qt::ControlModifier, "\x16");
    EXPECT_EQ(editor.toPlainText(), QString::fromUtf8("fett und schräg € ?"));
    EXPECT_FALSE(editor.textCursor().charFormat().font().bold());
    Key(Qt::Key_Return);
    EXPECT_EQ(sent, std::vector<std::string>{"fett und schr\xE4g \x80 ?\r"});

    QMimeData image;
    image.setImageData(QImage(4, 4, QImage::Format_RGB32));
    EXPECT_FALSE(editor.canInsertFromMimeData(&image));
}

TEST_F(RichEditTest, ASecondContextMenuWhileOneIsShownIsDropped) {
    int shown = 0;
    editor.OnContextPopup = [&](TRichEditQuarn& sender, const QPoint& position, bool& handled) {
        ++shown;
        EXPECT_EQ(position, QPoint(5, 6));
        QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(7, 8), QPoint(7, 8));
        QApplication::sendEvent(sender.viewport(), &again);
        handled = true;
    };
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 6), QPoint(5, 6));
    QApplication::sendEvent(editor.viewport(), &click);
    EXPECT_EQ(shown, 1);
    QContextMenuEvent later(QContextMenuEvent::Mouse, QPoint(5, 6), QPoint(5, 6));
    QApplication::sendEvent(editor.viewport(), &later);
    EXPECT_EQ(shown, 2);
}

TEST_F(RichEditTest, LineBoundsAndTextRange) {
    editor.setPlainText(QString::fromUtf8("eins\nzwei drei\nÄ"));
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(7);
    editor.setTextCursor(cursor);
    EXPECT_EQ(editor.LineStart(), 5);
    EXPECT_EQ(editor.LineEnd(), 14);
    EXPECT_EQ(editor.GetTextRange(0, 16), "eins\r\nzwei drei\r\n\xC4");
    EXPECT_EQ(editor.GetTextRange(9, 100), " drei\r\n\xC4");
    EXPECT_EQ(editor.GetTextRange(4, 2), "");
}

TEST_F(RichEditTest, NewTextColourRecoloursEverything) {
    Type("abc");
    Key(Qt::Key_Return);
    editor.SetColorNewText(Qt::blue);
    EXPECT_EQ(ColourAt(0), QColor(Qt::blue));
    EXPECT_EQ(editor.textCursor().position(), editor.document()->characterCount() - 1);
    EXPECT_FALSE(editor.textCursor().hasSelection());
}

TEST(RichEditScreenshot, InputEditorWithSentAndNewLines) {
    const std::filesystem::path fontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
    ASSERT_EQ(AddFontResource(fontFile), 6);
    {
        TRichEditQuarn editor;
        editor.setFont(TerminalFont("08x12"));
        editor.resize(420, 120);
        editor.SetColorSentText(QColor(0xC0, 0, 0));
        editor.SetColorNewText(Qt::black);
        std::vector<std::string> sent;
        editor.OnSendText = [&](TRichEditQuarn&, const std::string& text) { sent.push_back(text); };
        editor.show();
        for (const char* line : {"c db0xyz", "Hallo Günter, 73 de DL1ABC", "//dir"}) {
            editor.insertPlainText(QString::fromUtf8(line));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
            QApplication::sendEvent(&editor, &enter);
        }
        editor.insertPlainText(QString::fromUtf8("Äpfel und Öl, noch nicht gesendet"));
        ASSERT_EQ(sent.size(), 3u);
        QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots");
        EXPECT_TRUE(editor.grab().save(QUARN_BINARY_DIR "/tests/screenshots/richedit_input.png"));
    }
    EXPECT_TRUE(RemoveFontResource(fontFile));
}

} // namespace
} // namespace quarn
