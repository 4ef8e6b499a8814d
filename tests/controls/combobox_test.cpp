#include "controls/ComboBoxKio.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(ComboBoxKio, CompletionTakesTheFirstEntryBeginningWithTheTypedTextWithoutCase) {
    const QStringList entries{"DL1ABC", "DB0ABC", "DB0XYZ"};
    EXPECT_EQ(CompletionFrom(entries, "db"), "0ABC");
    EXPECT_EQ(CompletionFrom(entries, "DB0X"), "YZ");
    EXPECT_TRUE(CompletionFrom(entries, "DK").isNull());
    EXPECT_TRUE(CompletionFrom(entries, "").isNull());
    EXPECT_EQ(CompletionFrom(entries, "DB0ABC"), "");
}

class ComboBoxKioTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&form);
        combo = new TComboBoxKio(&form);
        combo->addItems({"DL1ABC", "DB0ABC", "DB0XYZ", "DK0MAV"});
        combo->setEditText(QString());
        combo->SetUpperCase(true);
        next = new QPushButton("OK", &form);
        layout->addWidget(combo);
        layout->addWidget(next);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        combo->setFocus();
    }

    QWidget form;
    TComboBoxKio* combo = nullptr;
    QPushButton* next = nullptr;
};

TEST_F(ComboBoxKioTest, TypingCompletesWithTheRestSelectedAndBackspaceDoesNotCompleteAgain) {
    QTest::keyClicks(combo, "db");
    EXPECT_EQ(combo->currentText(), "DB0ABC");
    EXPECT_EQ(combo->lineEdit()->selectedText(), "0ABC");

    QTest::keyClick(combo, Qt::Key_Backspace);
    EXPECT_EQ(combo->currentText(), "DB");
    EXPECT_FALSE(combo->lineEdit()->hasSelectedText());

    // Typing on replaces the completion and completes anew.
    QTest::keyClicks(combo, "0x");
    EXPECT_EQ(combo->currentText(), "DB0XYZ");
    EXPECT_EQ(combo->lineEdit()->selectedText(), "YZ");
}

TEST_F(ComboBoxKioTest, OffOrWithTheCaretInsideNothingIsCompleted) {
    combo->SetComplete(false);
    QTest::keyClicks(combo, "db");
    EXPECT_EQ(combo->currentText(), "DB");

    combo->SetComplete(true);
    combo->lineEdit()->setCursorPosition(0);
    QTest::keyClicks(combo, "d");
    EXPECT_EQ(combo->currentText(), "DDB");
}

TEST_F(ComboBoxKioTest, OnCompleteMaySupplyTheCompletion) {
    combo->OnComplete = [](TComboBoxKio&, const QString& typed, bool& handled, QString& completion) {
        handled = typed == "DK";
        completion = "7XYZ";
    };
    QTest::keyClicks(combo, "dk");
    EXPECT_EQ(combo->currentText(), "DK7XYZ");
    EXPECT_EQ(combo->lineEdit()->selectedText(), "7XYZ");
}

TEST_F(ComboBoxKioTest, DeleteInTheOpenListRemovesTheEntryAndKeepsASelection) {
    combo->setEditText("DB");
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    list->setCurrentIndex(combo->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(1), "DB0XYZ");
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(combo->currentText(), "DB");

    // The last entry gone, the new last one is selected.
    list->setCurrentIndex(combo->model()->index(2, 0));
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(list->currentIndex().row(), 1);
}

TEST_F(ComboBoxKioTest, TabInTheOpenListClosesItAndMovesTheFocusOn) {
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return next->hasFocus(); }, 1000));
}

TEST_F(ComboBoxKioTest, ALetterInTheOpenListClosesItAndGoesIntoTheEditField) {
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    QTest::keyClick(list, Qt::Key_D, Qt::NoModifier);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(combo->currentText(), "DL1ABC");
}

} // namespace
} // namespace quarn
