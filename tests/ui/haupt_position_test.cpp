// The main window's saved rectangle fitted onto the screens there are, and its place and state kept
// from one run to the next.
#include "platform/Registry.h"
#include "ui/HauptPosition.h"
#include "ui/Hauptfenster.h"

#include <QApplication>
#include <QScreen>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// Two screens side by side, each with a panel taking some of it.
const QRect kLinks(0, 0, 1920, 1040);
const QRect kRechts(1920, 30, 1280, 994);
const std::vector<QRect> kScreens{kLinks, kRechts};

struct Fall {
    const char* name;
    TFensterPosition saved;
    QRect expected;
};

TEST(HauptPosition, TheSavedRectangleIsFittedIntoTheNearestWorkArea) {
    const std::vector<Fall> faelle{
        {"inside the right screen: kept", {2000, 100, 800, 600}, QRect(2000, 100, 800, 600)},
        {"mostly on the right screen: moved into it", {1800, 100, 800, 600}, QRect(1920, 100, 800, 600)},
        {"on a screen no longer there, to the right: the nearest, size kept",
         {5000, 200, 800, 600},
         QRect(2400, 200, 800, 600)},
        {"below every screen: moved up", {100, 3000, 800, 600}, QRect(100, 440, 800, 600)},
        {"larger than the work area: cut", {-50, -50, 4000, 3000}, QRect(0, 0, 1920, 1040)},
        {"left of the left screen: moved right", {-300, 100, 800, 600}, QRect(0, 100, 800, 600)},
        {"above the right screen: moved down", {2000, 0, 800, 600}, QRect(2000, 30, 800, 600)},
        {"past the right edge: moved left", {2900, 100, 800, 600}, QRect(2400, 100, 800, 600)},
        {"past the bottom: moved up", {100, 900, 800, 600}, QRect(100, 440, 800, 600)},
        {"values far out of range: the nearest screen, cut",
         {2147483647, -2147483647, 2147483647, 2147483647},
         kRechts},
    };
    for (const Fall& fall : faelle) {
        EXPECT_EQ(FensterRechteck(fall.saved, kScreens, kLinks), fall.expected) << fall.name;
    }
}

TEST(HauptPosition, AMissingValueGivesTwoThirdsOfTheDesktopCentred) {
    const QRect desktop(0, 0, 1800, 900);
    const QRect erwartet(300, 150, 1200, 600);
    for (const TFensterPosition& saved :
         {TFensterPosition{}, TFensterPosition{10, 10, 500, std::nullopt},
          TFensterPosition{std::nullopt, 10, 500, 400}, TFensterPosition{10, 10, 0, 400}}) {
        EXPECT_EQ(FensterRechteck(saved, kScreens, desktop), erwartet);
    }
}

// ---- The main window across two runs ----

constexpr std::string_view kKey = "\\Software\\Velmoor\\Quarn\\Windows\\Main";

std::optional<std::uint32_t> Gespeichert(std::string_view name) {
    return RegistryStore::Instance().ReadDWord(Hive::CurrentUser, kKey, name);
}

class HauptfensterPosition : public ::testing::Test {
protected:
    HauptfensterPosition() { RegistryStore::Instance().DeleteKey(Hive::CurrentUser, kKey); }
};

TEST_F(HauptfensterPosition, WithoutSavedValuesTheWindowTakesTwoThirdsOfTheDesktop) {
    const THauptfenster window(kFontFile);
    EXPECT_TRUE(RegistryStore::Instance().KeyExists(Hive::CurrentUser, kKey));
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window.geometry().size(), QSize(desktop.width() * 2 / 3, desktop.height() * 2 / 3));
    EXPECT_EQ(window.geometry().center(), desktop.center());
    EXPECT_FALSE(window.isMaximized());
}

TEST_F(HauptfensterPosition, APlaceComesBackAtTheNextStart) {
    const QRect platz(40, 30, 500, 400);
    {
        THauptfenster window(kFontFile);
        window.show();
        window.setGeometry(platz);
        QApplication::processEvents();
    }
    EXPECT_EQ(Gespeichert("S"), 0U);
    EXPECT_EQ(Gespeichert("DX"), 500U);
    THauptfenster window(kFontFile);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), platz);
    EXPECT_FALSE(window.isMaximized());
}

TEST_F(HauptfensterPosition, AWindowClosedMaximisedComesBackMaximisedWithItsNormalPlaceKept) {
    const QRect platz(60, 50, 520, 410);
    {
        THauptfenster window(kFontFile);
        window.show();
        window.setGeometry(platz);
        QApplication::processEvents();
        window.showMaximized();
        QApplication::processEvents();
        ASSERT_TRUE(window.isMaximized());
    }
    EXPECT_EQ(Gespeichert("S"), 2U);
    EXPECT_EQ(Gespeichert("X"), 60U) << "the normal bounds, not the maximised ones";
    EXPECT_EQ(Gespeichert("DY"), 410U);
    THauptfenster window(kFontFile);
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(window.isMaximized());
    window.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), platz);
}

} // namespace
} // namespace quarn
