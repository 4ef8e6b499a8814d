#include "Screenshot.h"
#include "controls/HintManager.h"
#include "controls/HintWindowKio.h"
#include "foundation/HintWindowU.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quarn {
namespace {

const QString kText = QStringLiteral("DB0ABC DB0XYZ\nName: Otto, Verbunden seit 12:34");

TEST(HintWindowKio, TheSizeIsTheWrappedTextPlusTenByFive) {
    THintWindowKio window(2);
    const QFontMetrics metrics(window.font());
    const QRect text = metrics.boundingRect(QRect(0, 0, 600, 0x7FFF), Qt::TextWordWrap, kText);
    EXPECT_EQ(window.CalcHintRect(600, kText).size(), text.size() + QSize(10, 5));

    // A narrow maximum wraps the text onto more lines.
    const QRect narrow = window.CalcHintRect(80, kText);
    EXPECT_LE(narrow.width(), 80 + 10);
    EXPECT_GT(narrow.height(), window.CalcHintRect(600, kText).height());
}

TEST(HintWindowKio, AScreenOfFewColoursShowsThePlainHintColour) {
    THintWindowKio plain(0);
    THintWindowKio pictured(2);
    EXPECT_FALSE(plain.HasBackground());
    EXPECT_TRUE(pictured.HasBackground());

    plain.ActivateHint(plain.CalcHintRect(300, "Hinweis").translated(40, 40), "Hinweis");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    const QImage image = plain.grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 3, image.height() - 3),
              QToolTip::palette().color(QPalette::ToolTipBase));
    EXPECT_FALSE(plain.isActiveWindow());
}

TEST(HintWindowKio, ScreenshotOfAChannelHint) {
    QWidget backdrop;
    backdrop.resize(340, 110);
    auto* layout = new QVBoxLayout(&backdrop);
    layout->addWidget(new QLabel("Kanal 3", &backdrop));
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));
    THintWindowKio window(2);
    window.ActivateHint(window.CalcHintRect(640, kText).translated(backdrop.mapToGlobal(QPoint(10, 30))),
                        kText);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(test::SaveScreenshot(window, "controls_hint.png"));
}

class HintManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterHintWindowKio();
        manager = std::make_unique<THintManager>(150, 20, 600);
        auto* layout = new QVBoxLayout(&form);
        first = new QPushButton("Verbinden", &form);
        first->setToolTip("Verbindet den Kanal|Baut eine Verbindung auf");
        second = new QPushButton("Trennen", &form);
        second->setToolTip("Trennt die Verbindung");
        plain = new QLabel("ohne Hinweis", &form);
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addWidget(plain);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    void TearDown() override {
        manager.reset();
        CloseChannelHint();
        SetHintWindowClass({});
    }

    bool Shown() const { return manager->Window() != nullptr && manager->Window()->HintShown(); }
    // Milliseconds until the hint shows, or -1 when it did not within `limit`.
    int MsUntilShown(int limit) {
        QElapsedTimer timer;
        timer.start();
        return QTest::qWaitFor([&] { return Shown(); }, limit) ? static_cast<int>(timer.elapsed()) : -1;
    }

    QWidget form;
    std::unique_ptr<THintManager> manager;
    QPushButton* first = nullptr;
    QPushButton* second = nullptr;
    QLabel* plain = nullptr;
};

TEST_F(HintManagerTest, AHintShowsAfterThePauseInTheProgramsOwnWindowAndHidesLater) {
    QTest::mouseMove(first, QPoint(5, 5));
    const int waited = MsUntilShown(2000);
    EXPECT_GE(waited, 100);
    EXPECT_EQ(manager->Window()->HintText(), "Verbindet den Kanal");
    EXPECT_NE(QApplication::topLevelAt(QCursor::pos() + QPoint(4, 30)), nullptr);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Shown(); }, 2000));
}

TEST_F(HintManagerTest, MovingOnWhileAHintShowsTakesOnlyTheShortPause) {
    QTest::mouseMove(first, QPoint(5, 5));
    ASSERT_GE(MsUntilShown(2000), 0);
    QTest::mouseMove(second, QPoint(5, 5));
    const int waited = MsUntilShown(2000);
    ASSERT_GE(waited, 0);
    EXPECT_LT(waited, 120);
    EXPECT_EQ(manager->Window()->HintText(), "Trennt die Verbindung");

    QTest::mouseMove(plain, QPoint(5, 5));
    EXPECT_FALSE(Shown());
}

TEST_F(HintManagerTest, AClickHidesTheHintAndANewHintClosesTheChannelsHint) {
    ShowChannelHint(form.mapToGlobal(QPoint(0, form.height() + 3)), "Kanal 1: DB0ABC", 640);
    ASSERT_NE(ChannelHint(), nullptr);
    EXPECT_TRUE(ChannelHint()->HintShown());

    QTest::mouseMove(first, QPoint(5, 5));
    ASSERT_GE(MsUntilShown(2000), 0);
    EXPECT_EQ(ChannelHint(), nullptr);

    QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(Shown());
}

} // namespace
} // namespace quarn
