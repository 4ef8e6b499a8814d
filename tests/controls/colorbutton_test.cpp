#include "controls/Colorbtn.h"
#include "platform/SystemColor.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace quarn {
namespace {

// The colour dialog answered by the test; the program's own is put back at the end.
class AnsweredDialog {
public:
    explicit AnsweredDialog(std::optional<std::uint32_t> answer) : saved_(ColorDialogSeam()) {
        ColorDialogSeam() = [this, answer](const TColorDialogRequest& request) {
            requests.push_back(request);
            return answer;
        };
    }
    ~AnsweredDialog() { ColorDialogSeam() = saved_; }
    std::vector<TColorDialogRequest> requests;

private:
    TColorDialogSeam saved_;
};

QRgb SwatchCentre(QWidget& button) {
    return button.grab().toImage().pixel(button.width() / 2, button.height() / 2);
}

TEST(ColorButton, OnlyTheDialogsChoiceFiresColorChange) {
    TColorButton button;
    button.show();
    QSignalSpy changes(&button, &TColorButton::ColorChange);
    QSignalSpy clicks(&button, &TColorButton::Clicked);
    button.SetColor(0x00FF00U);
    EXPECT_EQ(changes.size(), 0);
    EXPECT_EQ(SwatchCentre(button), qRgb(0, 0xFF, 0));
    {
        AnsweredDialog dialog(0x0000FFU);
        button.SetCustomColors({"ColorA=808080"});
        button.SetOptions(QColorDialog::ShowAlphaChannel);
        QTest::mouseClick(&button, Qt::LeftButton);
        ASSERT_EQ(dialog.requests.size(), 1u);
        EXPECT_EQ(dialog.requests[0].color, 0x00FF00U);
        EXPECT_EQ(dialog.requests[0].customColors, QStringList{"ColorA=808080"});
        EXPECT_EQ(dialog.requests[0].options, QColorDialog::ShowAlphaChannel);
    }
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(button.Color(), 0x0000FFU);
    EXPECT_EQ(SwatchCentre(button), qRgb(0xFF, 0, 0)) << "0x00BBGGRR: red";
    {
        AnsweredDialog cancelled(std::nullopt);
        QTest::mouseClick(&button, Qt::LeftButton);
    }
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(clicks.size(), 2);
    EXPECT_EQ(button.Color(), 0x0000FFU);
}

TEST(ColorButton, ASystemColourShowsThroughTheWindowColourAndIsKept) {
    TColorButton button;
    button.show();
    button.SetColor(0x80000005U);
    EXPECT_EQ(SwatchCentre(button), ColorValueToQColor(0x80000005U).rgb());
    AnsweredDialog dialog(std::nullopt);
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].color, 0x80000005U);
    EXPECT_EQ(button.Color(), 0x80000005U);
}

TEST(ColorButton, TheButtonTracksTheMouseWhileHeld) {
    TColorButton button;
    button.show();
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    AnsweredDialog dialog(0x123456U);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(button.IsPressed());
    EXPECT_TRUE(button.hasFocus());
    QMouseEvent away(QEvent::MouseMove, QPointF(60, 10), button.mapToGlobal(QPointF(60, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &away);
    EXPECT_FALSE(button.IsPressed());
    QMouseEvent back(QEvent::MouseMove, QPointF(10, 10), button.mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &back);
    EXPECT_TRUE(button.IsPressed());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 10));
    EXPECT_FALSE(button.IsPressed());
    EXPECT_TRUE(dialog.requests.empty()) << "released outside: no click";
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(dialog.requests.size(), 1u);
    button.SetMargin(3);
    EXPECT_EQ(button.Margin(), 1) << "larger margins are ignored";
}

TEST(ColorButtonScreenshot, NormalPressedFocusedAndDisabled) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    TColorButton* buttons[4];
    const std::uint32_t colours[] = {0x0000FFU, 0x00C000U, 0xFF0000U, 0x00FFFFU};
    for (int i = 0; i < 4; ++i) {
        buttons[i] = new TColorButton(&window);
        buttons[i]->setFixedSize(45, 25);
        buttons[i]->SetColor(colours[i]);
        row->addWidget(buttons[i]);
    }
    buttons[3]->setEnabled(false);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    buttons[2]->setFocus();
    QApplication::processEvents();
    QTest::mousePress(buttons[1], Qt::LeftButton, {}, QPoint(5, 5)); // pressed (and focused while held)
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    // The pressed one took the focus: show it pressed, then the focused one on its own.
    QImage shot(window.size(), QImage::Format_RGB32);
    window.render(&shot);
    buttons[2]->setFocus();
    buttons[2]->render(&shot, buttons[2]->pos());
    EXPECT_TRUE(shot.scaled(shot.size() * 2).save(folder + "colorbutton.png"));
    AnsweredDialog dialog(std::nullopt);
    QTest::mouseRelease(buttons[1], Qt::LeftButton, {}, QPoint(5, 5));
}

} // namespace
} // namespace quarn
