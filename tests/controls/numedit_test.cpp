#include "controls/NumEditU.h"
#include "foundation/DlgMessageU.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(NumberFilter, TypedCharactersAreJudgedByTheTextTheyWouldLeave) {
    const struct {
        const char* text;
        int caret;
        int selectionStart;
        int selectionLength;
        char16_t typed;
        TNumberKind kind;
        const char* result; // nullptr: refused
    } cases[] = {
        {"", 0, 0, 0, u'-', TNumberKind::Integer, "-"},
        {"", 0, 0, 0, u'+', TNumberKind::Integer, "+"},
        {"", 0, 0, 0, u'-', TNumberKind::Cardinal, nullptr},
        {"", 0, 0, 0, u'+', TNumberKind::Cardinal, nullptr},
        {"5", 1, 1, 0, u'-', TNumberKind::Integer, nullptr},         // "5-"
        {"214748364", 9, 9, 0, u'8', TNumberKind::Integer, nullptr}, // 2147483648 is beyond 32 bits
        {"214748364", 9, 9, 0, u'7', TNumberKind::Cardinal, "2147483647"},
        {"-214748364", 10, 10, 0, u'8', TNumberKind::Integer, "-2147483648"},
        {"12", 1, 1, 0, u'a', TNumberKind::Integer, nullptr},
        {"12", 1, 1, 0, u' ', TNumberKind::Integer, nullptr},
        {"12", 1, 1, 0, u'\u0663', TNumberKind::Integer, nullptr}, // a digit, but not a decimal one
        {"123", 3, 0, 3, u'-', TNumberKind::Integer, "-"},         // over the selection
        {"123", 1, 1, 0, u'9', TNumberKind::Cardinal, "1923"},
    };
    for (const auto& c : cases) {
        const TEditText edit{QString(c.text), c.selectionStart, c.selectionLength, c.caret};
        const std::optional<QString> prospective = ProspectiveTextForChar(edit, QChar(c.typed), c.kind);
        const bool accepted = prospective && AcceptableNumberText(*prospective, c.kind);
        EXPECT_EQ(accepted, c.result != nullptr) << c.text << " + " << char(c.typed);
        if (accepted && c.result) {
            EXPECT_EQ(*prospective, QString(c.result));
        }
    }
}

// An edit's text with the caret, and a selection from the caret on when a length is given.
TEditText Edit(const char* text, int caret, int selectionLength = 0) {
    return {QString(text), caret, selectionLength, caret};
}

TEST(NumberFilter, RemovingAndInsertingKeepANumber) {
    EXPECT_EQ(ProspectiveTextForBackspace(Edit("5", 1)), "");
    EXPECT_EQ(ProspectiveTextForDelete(Edit("5", 0)), "");
    EXPECT_EQ(ProspectiveTextForBackspace(Edit("-5", 1)), "5");
    EXPECT_EQ(ProspectiveTextForBackspace(Edit("123", 1, 1)), "13") << "a selection goes whole";
    EXPECT_EQ(ProspectiveTextForDelete(Edit("123", 1, 1)), "13");
    EXPECT_EQ(ProspectiveTextForBackspace(Edit("12", 0)), "12");
    // Without its sign the smallest number does not fit.
    EXPECT_FALSE(
        AcceptableNumberText(ProspectiveTextForDelete(Edit("-2147483648", 0)), TNumberKind::Integer));
    EXPECT_FALSE(
        AcceptableNumberText(ProspectiveTextForInsert(Edit("3456", 1, 2), "12a"), TNumberKind::Integer));
    EXPECT_EQ(ProspectiveTextForInsert(Edit("3456", 1, 2), "12"), "3126");
    EXPECT_EQ(NumberTextValue("-17", TNumberKind::Integer), -17);
    EXPECT_EQ(NumberTextValue("-17", TNumberKind::Cardinal), std::nullopt);
    EXPECT_EQ(NumberTextValue(" 5", TNumberKind::Integer), std::nullopt);
    EXPECT_EQ(NumberTextValue("-", TNumberKind::Integer), std::nullopt);
}

class NumEditTest : public ::testing::Test {
protected:
    NumEditTest() {
        auto* layout = new QFormLayout(&window_);
        layout->addRow("Integer", integer_);
        layout->addRow("Cardinal", cardinal_);
        window_.show();
        integer_->setFocus();
        QApplication::processEvents();
    }
    QWidget window_;
    TIntegerEdit* integer_ = new TIntegerEdit(&window_);
    TCardinalEdit* cardinal_ = new TCardinalEdit(&window_);
};

TEST_F(NumEditTest, AValidatedValueIsClampedWhenTheFocusLeaves) {
    integer_->SetMinValue(500);
    integer_->SetMaxValue(30000);
    integer_->SetValidate(true);
    integer_->clear();
    EXPECT_EQ(integer_->Value(), 0) << "an empty text";
    QTest::keyClicks(integer_, "40000");
    EXPECT_EQ(integer_->text(), "40000");
    cardinal_->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(integer_->text(), "30000");
    EXPECT_EQ(integer_->Value(), 30000);
    integer_->setText("-");
    EXPECT_EQ(integer_->Value(), 500) << "no number: the lower bound";
}

TEST_F(NumEditTest, KeysThatWouldSpoilTheNumberAreDropped) {
    cardinal_->setFocus();
    QTest::keyClicks(cardinal_, "1-2a+3");
    EXPECT_EQ(cardinal_->text(), "123");
    integer_->clear();
    QTest::keyClicks(integer_, "5-");
    EXPECT_EQ(integer_->text(), "5");
    QTest::keyClick(integer_, Qt::Key_Backspace);
    EXPECT_EQ(integer_->text(), "");
    integer_->setText("-2147483648");
    integer_->setCursorPosition(0);
    QTest::keyClick(integer_, Qt::Key_Delete);
    EXPECT_EQ(integer_->text(), "-2147483648");
    integer_->insert("7x"); // a drop or the context menu's paste
    EXPECT_EQ(integer_->text(), "-2147483648");
}

TEST_F(NumEditTest, PasteCutAndCopyGoThroughTheSameRule) {
    QClipboard* clipboard = QApplication::clipboard();
    integer_->setText("3456");
    integer_->setSelection(1, 2);
    clipboard->setText("12a");
    QTest::keyClick(integer_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(integer_->text(), "3456");
    clipboard->setText("12");
    QTest::keyClick(integer_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(integer_->text(), "3126");

    integer_->setText("-5");
    integer_->setSelection(1, 1);
    QTest::keyClick(integer_, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(integer_->text(), "-");
    EXPECT_EQ(clipboard->text(), "5");
    integer_->setText("-2147483648");
    integer_->setSelection(0, 1);
    QTest::keyClick(integer_, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(integer_->text(), "-2147483648") << "what is left would be no number";
    QTest::keyClick(integer_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "-");
}

TEST_F(NumEditTest, PastingFromAnEmptyClipboardSaysSo) {
    QApplication::clipboard()->clear();
    integer_->setText("7");
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TDlgMessage*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->findChild<QLabel*>() ? box->Label()->text() : QString();
        box->reject();
    });
    QTest::keyClick(integer_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown, "No text on the Clipboard");
    EXPECT_EQ(integer_->text(), "7");
}

TEST(NumEdit, CardinalBoundsNeverGoBelowZero) {
    TCardinalEdit edit;
    edit.SetMinValue(-5);
    edit.SetMaxValue(-1);
    EXPECT_EQ(edit.MinValue(), 0);
    EXPECT_EQ(edit.MaxValue(), 0);
    edit.SetValue(12);
    EXPECT_EQ(edit.text(), "12") << "not clamped without Validate";
    edit.SetValidate(true);
    EXPECT_EQ(edit.text(), "0");
}

TEST(NumEditScreenshot, EditsWithTheirNumbers) {
    QWidget window;
    auto* layout = new QFormLayout(&window);
    auto* bounded = new TIntegerEdit(&window);
    bounded->SetMinValue(500);
    bounded->SetMaxValue(30000);
    bounded->SetValidate(true);
    bounded->SetValue(40000);
    auto* negative = new TIntegerEdit(&window);
    negative->SetValue(-42);
    auto* cardinal = new TCardinalEdit(&window);
    cardinal->SetValue(1024);
    auto* disabled = new TCardinalEdit(&window);
    disabled->SetValue(32);
    disabled->setEnabled(false);
    layout->addRow("Wartezeit (500-30000 ms):", bounded);
    layout->addRow("Korrektur:", negative);
    layout->addRow("Puffer (Bytes):", cardinal);
    layout->addRow("Gesperrt:", disabled);
    window.resize(320, window.sizeHint().height());
    window.show();
    cardinal->setFocus();
    cardinal->selectAll();
    QApplication::processEvents();
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window.grab().save(folder + "integeredit.png"));
}

} // namespace
} // namespace quarn
