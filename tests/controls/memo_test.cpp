#include "controls/MemoKio.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(MemoKio, SwitchingToDigitsOnlyKeepsTheDigitsInOrderAndTypedLettersAreRefused) {
    TMemoKio memo;
    memo.SetText("a1b2c3");
    memo.SetDigitsOnly(true);
    EXPECT_EQ(memo.toPlainText(), "123");

    QTest::keyClicks(&memo, "4x5");
    QTest::keyClick(&memo, Qt::Key_Return);
    EXPECT_EQ(memo.toPlainText(), "12345");
    QTest::keyClick(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.toPlainText(), "1234");
}

// A paste used to bypass the digits rule that typing obeys.
TEST(MemoKio, PastedAndDroppedTextIntoADigitsOnlyMemoKeepsOnlyDigits) {
    TMemoKio memo;
    memo.SetDigitsOnly(true);
    QApplication::clipboard()->setText("4x5");
    QTest::keyClick(&memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo.toPlainText(), "45");

    QMimeData dropped;
    dropped.setText("7 and 8");
    const QPoint end = memo.cursorRect().center();
    QDragEnterEvent enter(end, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(memo.viewport(), &enter);
    QDragMoveEvent move(end, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(memo.viewport(), &move);
    QDropEvent drop(QPointF(end), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(memo.viewport(), &drop);
    EXPECT_EQ(memo.toPlainText(), "4578");
}

TEST(MemoKio, CtrlShiftLetterInsertsTheEscapeAndOtherCtrlLettersAreDropped) {
    TMemoKio memo;
    memo.SetText("ab");
    QTest::keyClick(&memo, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(memo.toPlainText(), "ab^G");
    EXPECT_FALSE(memo.toPlainText().contains(QChar(7)));

    // Ctrl+Z would undo the escape; it is discarded.
    QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo.toPlainText(), "ab^G");

    QTest::keyClick(&memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "ab^G");
}

} // namespace
} // namespace quarn
