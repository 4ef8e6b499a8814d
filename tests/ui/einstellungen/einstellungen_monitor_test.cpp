// The settings page "Monitor": its boxes against the monitor flags, their enabling and the preview.
#include "console/ConsoleU.h"
#include "foundation/ConfigU.h"
#include "platform/FontFile.h"
#include "platform/Registry.h"
#include "ui/einstellungen/EinstellungenMonitor.h"

#include "support/TempDir.h"

#include <QCheckBox>
#include <QDir>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quarn {
namespace {

class EinstellungenMonitor : public ::testing::Test {
protected:
    test::TempDir folder_;
    RegistryStore store_{folder_ / "registry"};
    TConfig config_{store_, "1.0", [] { return 2; }};
    ScopedConfig scoped_{config_};
};

// The text of a console row, blanks at the end dropped.
std::string Zeile(TConsole& console, int row) {
    std::string text(reinterpret_cast<const char*>(console.TextPtr(0, row)),
                     static_cast<std::size_t>(console.Cols()));
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

TEST_F(EinstellungenMonitor, EveryBoxRoundTripsAndBitsWithoutABoxBecomeZero) {
    const struct {
        std::int32_t stored;
        std::int32_t applied;
    } cases[] = {
        {0, 0},
        {0x2, 0x2},
        {0x4, 0x4},
        {0x8, 0x8},
        {0x10, 0x10},
        {0x40, 0x40},
        {0x80, 0x80},
        {0x100, 0x100},
        {0x15E, 0x15E}, // the default
        {0x7FFFFFFF, 0x1DE},
        {0x21, 0},
        {-1, 0x1DE},
    };
    for (const auto& c : cases) {
        config_.SetMonitorFlags(c.stored);
        TEinstellungenMonitor page(nullptr);
        EXPECT_EQ(page.Flags(), c.applied) << std::hex << c.stored;
        config_.SetMonitorFlags(0x12345);
        page.Apply();
        EXPECT_EQ(config_.GetMonitorFlags(), c.applied) << std::hex << c.stored;
    }
}

TEST_F(EinstellungenMonitor, ClickedBoxesAreWhatApplyWrites) {
    config_.SetMonitorFlags(0);
    TEinstellungenMonitor page(nullptr);
    for (const std::int32_t flag : {0x4, 0x8, 0x80, 0x100}) {
        page.Kasten(flag)->click();
    }
    page.Apply();
    EXPECT_EQ(config_.GetMonitorFlags(), 0x18C);
    page.Kasten(0x100)->click();
    page.Apply();
    EXPECT_EQ(config_.GetMonitorFlags(), 0x8C);
}

TEST_F(EinstellungenMonitor, ContentNeedsInformationAndBinaryNeedsBoth) {
    const struct {
        std::int32_t flags;
        bool inhalt;
        bool binaer;
    } cases[] = {
        {0, false, false}, {0x4, true, false},   {0x8, false, false},
        {0xC, true, true}, {0x88, false, false}, {0x84, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MonitorKastenAktiv(0x8, c.flags), c.inhalt) << std::hex << c.flags;
        EXPECT_EQ(MonitorKastenAktiv(0x80, c.flags), c.binaer) << std::hex << c.flags;
        EXPECT_TRUE(MonitorKastenAktiv(0x100, c.flags));
    }
    config_.SetMonitorFlags(0xC);
    TEinstellungenMonitor page(nullptr);
    EXPECT_TRUE(page.Kasten(0x80)->isEnabled());
    page.Kasten(0x4)->click();
    EXPECT_FALSE(page.Kasten(0x8)->isEnabled());
    EXPECT_FALSE(page.Kasten(0x80)->isEnabled());
    EXPECT_TRUE(page.Kasten(0x8)->isChecked()) << "a disabled box keeps its tick";
    page.Kasten(0x4)->click();
    EXPECT_TRUE(page.Kasten(0x80)->isEnabled());
}

TEST(MonitorVorschau, LinesFollowTheFlags) {
    using Z = TVorschauZeile;
    const std::string i00 = "DB0ECH > DL1QRN I00^ pid F0";
    const std::string i11 = "DB0ECH > DL1QRN I11^ pid F0";
    const std::string text = "Willkommen im Digipeater Echhausen, 73 de DB0ECH";
    const struct {
        std::int32_t flags;
        std::vector<Z> lines;
    } cases[] = {
        {0, {}},
        {0x8, {}}, // content without I frames shows nothing
        {0x4, {{"[" + i00 + "]", 10}, {"[" + i11 + "]", 10}}},
        {0x84, {{"[" + i00 + "]", 10}, {"[" + i11 + "]", 10}}},
        {0xC, {{"[" + i00 + "]", 10}, {text, 5}, {"[" + i11 + " BIN230]", 10}}},
        {0x10C, {{"[001: " + i00 + "]", 10}, {text, 5}, {"[001: " + i11 + " BIN230]", 10}}},
        {0x42,
         {{"[Initialisierung TNC: COM2, 38400]", 6},
          {"  T15: ok", 6},
          {"[DL1QRN > DB0ECH SABM+]", 1},
          {"[DB0ECH > DL1QRN UA-]", 10},
          {"[DL1QRN > DB0ECH RR1-]", 1}}},
        {0x110, {{"[001: DB0BCN > BEACON UI pid F0]", 1}, {"Hallo aus dem Ortsverband", 5}}},
        {0x140, {{"[Initialisierung TNC: COM2, 38400]", 6}, {"  T15: ok", 6}}}, // notices have no prefix
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MonitorVorschau(c.flags), c.lines) << std::hex << c.flags;
    }
    const std::vector<Z> binaer = MonitorVorschau(0x8C);
    ASSERT_EQ(binaer.size(), 4U);
    EXPECT_EQ(binaer[2], (Z{"[" + i11 + "]", 10}));
    EXPECT_EQ(binaer[3].farbe, 5);
    EXPECT_TRUE(binaer[3].text.find('\r') == std::string::npos) << "raw bytes stay on one line";
    EXPECT_GT(static_cast<unsigned char>(binaer[3].text[0]), 0x7F);
}

TEST_F(EinstellungenMonitor, TheConsoleShowsThePreviewInTheMonitorColours) {
    config_.SetColor(8, 0x202020);
    config_.SetColor(9, 0x00FF00);
    config_.SetColor(11, 0x0000FF);
    config_.SetMonitorFlags(0x4);
    TEinstellungenMonitor page(nullptr);
    TConsole& console = *page.Vorschau();
    EXPECT_EQ(console.Color(), QColor(0x20, 0x20, 0x20));
    EXPECT_EQ(console.GetPaletteColor(10), QColor(0, 0xFF, 0));
    EXPECT_EQ(console.GetPaletteColor(5), QColor(0xFF, 0, 0)) << "stored values are 0x00BBGGRR";
    EXPECT_EQ(Zeile(console, 0), "[DB0ECH > DL1QRN I00^ pid F0]");
    page.Kasten(0x100)->click();
    EXPECT_EQ(Zeile(console, 0), "[001: DB0ECH > DL1QRN I00^ pid F0]");
    page.Kasten(0x4)->click();
    EXPECT_EQ(Zeile(console, 0), "");
}

TEST_F(EinstellungenMonitor, Screenshot) {
    const std::filesystem::path fontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
    ASSERT_EQ(AddFontResource(fontFile), 6);
    config_.SetMonitorFlags(0x15E);
    {
        TEinstellungenMonitor page(nullptr);
        page.resize(420, 440);
        ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
        EXPECT_TRUE(page.grab().save(QUARN_BINARY_DIR "/tests/screenshots/einstellungen_monitor.png"));
    }
    RemoveFontResource(fontFile);
}

} // namespace
} // namespace quarn
