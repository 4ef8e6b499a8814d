#include "foundation/DlgMessageU.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace quarn {
namespace {

std::vector<std::string> Captions(const TDlgMessage& dialog) {
    std::vector<std::string> captions;
    for (const QPushButton* button : dialog.Buttons()) {
        captions.push_back(button->text().toStdString());
    }
    return captions;
}

std::string CaptionOf(const QPushButton* button) {
    return button == nullptr ? "(none)" : button->text().toStdString();
}

void SendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// Runs the modal box and lets `act` work on it once it is up; an open box is closed afterwards, so a
// key that does nothing shows as the close button's result instead of hanging the test.
int RunAndThen(std::uint32_t buttons, const std::function<void(QWidget* box)>& act) {
    QTimer::singleShot(0, [act] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        act(box);
        if (QApplication::activeModalWidget() == box) {
            box->close();
        }
    });
    return TDlgMessage::Run("Quarn", "Text", buttons);
}

int RunPressing(std::uint32_t buttons, int key) {
    return RunAndThen(buttons,
                      [key](QWidget* box) { SendKey(box->focusWidget() ? box->focusWidget() : box, key); });
}

TEST(DlgMessage, ShowsTheChosenButtonsWithTheirDefaultAndCancelButton) {
    struct Case {
        std::uint32_t buttons;
        std::vector<std::string> captions;
        std::string defaultButton;
        std::string cancelButton;
    };
    const std::vector<Case> cases = {
        {mbYes | mbNo, {"&Ja", "&Nein"}, "&Ja", "&Nein"},
        {mbOK | mbCancel, {"&Ok", "Abbrechen"}, "&Ok", "Abbrechen"},
        {mbOK, {"&Ok"}, "&Ok", "&Ok"},
        {0x1FF,
         {"&Ja", "&Nein", "&Ok", "Abbrechen", "Abbruch", "&Wiederholen", "&Ignorieren", "&Alle", "&Hilfe"},
         "&Ok",
         "Abbrechen"},
        {mbRetry | mbCancel, {"Abbrechen", "&Wiederholen"}, "&Wiederholen", "Abbrechen"},
        {mbAbort | mbRetry | mbIgnore, {"Abbruch", "&Wiederholen", "&Ignorieren"}, "&Wiederholen", "Abbruch"},
        // Sets without the buttons the rules name fall back to buttons that are shown.
        {mbAbort | mbIgnore, {"Abbruch", "&Ignorieren"}, "Abbruch", "Abbruch"},
        {mbNo, {"&Nein"}, "&Nein", "&Nein"},
        {mbHelp | mbIgnore, {"&Ignorieren", "&Hilfe"}, "&Ignorieren", "(none)"},
        {mbYes | mbAll, {"&Ja", "&Alle"}, "&Ja", "(none)"},
        {mbHelp, {"&Hilfe"}, "(none)", "(none)"},
        {0, {}, "(none)", "(none)"},
        // Bits beyond the nine buttons are not used.
        {0x200 | mbOK, {"&Ok"}, "&Ok", "&Ok"},
    };
    for (const Case& c : cases) {
        const TDlgMessage dialog("Quarn", "Text", c.buttons);
        EXPECT_EQ(Captions(dialog), c.captions) << c.buttons;
        EXPECT_EQ(CaptionOf(dialog.DefaultButton()), c.defaultButton) << c.buttons;
        EXPECT_EQ(CaptionOf(dialog.CancelButton()), c.cancelButton) << c.buttons;
        if (dialog.DefaultButton() != nullptr) {
            EXPECT_TRUE(dialog.DefaultButton()->isDefault()) << c.buttons;
        }
    }
}

TEST(DlgMessage, KeyboardGivesTheDefaultAndCancelResults) {
    struct Case {
        std::uint32_t buttons;
        int key;
        int expected;
    };
    const std::vector<Case> cases = {
        {mbYes | mbNo, Qt::Key_Escape, mrNo},
        {mbYes | mbNo, Qt::Key_Return, mrYes},
        {mbYes | mbNo | mbDefaultNo, Qt::Key_Return, mrNo},
        {mbYes | mbNo | mbDefaultNo, Qt::Key_Escape, mrNo},
        {mbOK | mbDefaultNo, Qt::Key_Return, mrOk}, // without "Nein" the usual default
        {mbOK | mbCancel, Qt::Key_Escape, mrCancel},
        {mbOK | mbCancel, Qt::Key_Enter, mrOk},
        {mbOK, Qt::Key_Escape, mrOk},
        {mbOK, Qt::Key_Return, mrOk},
        {mbAbort | mbIgnore, Qt::Key_Return, mrAbort},
        {mbAbort | mbIgnore, Qt::Key_Escape, mrAbort},
        {mbRetry | mbCancel, Qt::Key_Return, mrRetry},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunPressing(c.buttons, c.key), c.expected) << c.buttons << " key " << c.key;
    }
}

TEST(DlgMessage, EachButtonGivesItsResult) {
    const std::vector<int> results = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll};
    for (std::size_t i = 0; i < results.size(); ++i) {
        const int result =
            RunAndThen(0x1FF, [i](QWidget* box) { static_cast<TDlgMessage*>(box)->Buttons()[i]->click(); });
        EXPECT_EQ(result, results[i]) << i;
    }
}

TEST(DlgMessage, HelpAndEscapeWithoutCancelButtonKeepTheBoxOpenUntilItIsClosed) {
    struct Case {
        std::uint32_t buttons;
        std::function<void(TDlgMessage*)> act;
    };
    const std::vector<Case> cases = {
        {0x1FF, [](TDlgMessage* box) { box->Buttons().back()->click(); }},
        {mbYes | mbAll, [](TDlgMessage* box) { SendKey(box->focusWidget(), Qt::Key_Escape); }},
        {mbHelp, [](TDlgMessage* box) { SendKey(box, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        bool stillOpen = false;
        const int result = RunAndThen(c.buttons, [&](QWidget* box) {
            c.act(static_cast<TDlgMessage*>(box));
            stillOpen = QApplication::activeModalWidget() == box;
        });
        EXPECT_TRUE(stillOpen) << c.buttons;
        EXPECT_EQ(result, mrCancel) << c.buttons;
    }
}

TEST(DlgMessage, CentresTheButtonRowAndShowsTextAsPlainText) {
    struct Case {
        std::uint32_t buttons;
        std::vector<int> lefts;
    };
    const std::vector<Case> cases = {
        {mbOK, {105}},
        {mbOK | mbCancel, {62, 147}},
        {mbAbort | mbRetry | mbIgnore, {20, 105, 190}},
    };
    for (const Case& c : cases) {
        const TDlgMessage dialog("Quarn", "Text", c.buttons);
        EXPECT_EQ(dialog.size(), QSize(289, 129));
        std::vector<int> lefts;
        for (const QPushButton* button : dialog.Buttons()) {
            lefts.push_back(button->x());
            EXPECT_EQ(button->size(), QSize(79, 23));
        }
        EXPECT_EQ(lefts, c.lefts) << c.buttons;
    }

    const TDlgMessage all("Quarn", "Text", 0x1FF);
    EXPECT_GE(all.Buttons().front()->x(), 0);
    EXPECT_LE(all.Buttons().back()->geometry().right(), all.width());

    const TDlgMessage remoteText("Quarn", "<b>DL1ABC</b>", mbOK);
    EXPECT_EQ(remoteText.Label()->textFormat(), Qt::PlainText);
    EXPECT_EQ(remoteText.Label()->text(), "<b>DL1ABC</b>");
}

} // namespace
} // namespace quarn
