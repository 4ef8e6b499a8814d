// The settings page "Anzeige": the font list of the program's font file, the colour buttons and what
// Apply gives the running channels.
#include "console/ConsoleU.h"
#include "controls/Colorbtn.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/ConfigU.h"
#include "platform/Registry.h"
#include "platform/SystemColor.h"
#include "ui/Hauptfenster.h"
#include "ui/einstellungen/EinstellungenAnzeige.h"

#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

TEST(SchriftWahl, TheStoredFontElse08x12ElseTheFirstElseNone) {
    const QStringList sechs = {"07x09", "08x09", "08x12", "08x13", "08x15", "10x18"};
    const QStringList zwei = {"07x09", "10x18"};
    const struct {
        QStringList eintraege;
        QString gespeichert;
        std::optional<int> wahl;
    } cases[] = {
        {sechs, "10x18", 5},     {sechs, "08x15", 4},         {sechs, "12x24", 2}, {sechs, "", 2},
        {zwei, "10x18", 1},      {zwei, "08x12", 0},          {zwei, "08x13", 0}, // fewer than three faces
        {{"08x12"}, "07x09", 0}, {{}, "08x12", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SchriftWahl(c.eintraege, c.gespeichert), c.wahl)
            << c.eintraege.join(',').toStdString() << " / " << c.gespeichert.toStdString();
    }
}

TEST(SchriftEintraege, FacesOfTheTerminalFontWithoutTheirPrefix) {
    EXPECT_EQ(SchriftEintraege({"DejaVu Sans", "quarn 08x12", "Quarn 10x18", "QUARN 07x09", "quarn",
                                "quarn 08x12", "Sans quarn 08x09"}),
              (QStringList{"08x12", "10x18", "07x09"}));
}

TEST(EinstellungenAnzeigeOhneSchrift, NoFacesLeaveTheListEmptyAndTheStoredFontAlone) {
    test::TempDir folder;
    RegistryStore store(folder / "registry");
    TConfig config(store, "1.0", [] { return 2; });
    const ScopedConfig scoped(config);
    config.SetFont("10x18");
    {
        TEinstellungenAnzeige page(nullptr); // no font file loaded, no channels
        EXPECT_EQ(page.SchriftListe()->count(), 0);
        EXPECT_EQ(page.SchriftListe()->currentItem(), nullptr);
        config.SetColor(4, 0x123456);
        page.FarbKnopf(4)->SetColor(0x654321);
        page.Apply();
    }
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Font"), "10x18");
    EXPECT_EQ(config.GetColor(4), 0x654321U);
}

// The main window with its channels, the page on its own beside it.
class EinstellungenAnzeige : public ::testing::Test {
protected:
    EinstellungenAnzeige() {
        for (int index = 0; index < 13; ++index) {
            Config()->SetColor(index, TConfig::DefaultColors[static_cast<std::size_t>(index)]);
        }
        Config()->SetFont("08x12");
        TKanaele::Instance()->FarbenUebernehmen();
    }
    TConsole& Konsole(int number) const { return *TKanaele::Instance()->GetTKanal(number)->GetConsole(); }
    void Screenshot(TEinstellungenAnzeige& page, int tab, const char* name) const {
        page.FarbTabs()->setCurrentIndex(tab);
        page.resize(520, 440);
        ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
        EXPECT_TRUE(page.grab().save(QString(QUARN_BINARY_DIR "/tests/screenshots/") + name));
    }

    std::unique_ptr<THauptfenster> window_ = std::make_unique<THauptfenster>(kFontFile);
};

TEST_F(EinstellungenAnzeige, ListsTheSixFacesAndAppliesTheChosenOneToEveryChannel) {
    TEinstellungenAnzeige page(nullptr);
    QListWidget& liste = *page.SchriftListe();
    QStringList shown;
    for (int row = 0; row < liste.count(); ++row) {
        shown.append(liste.item(row)->text());
    }
    EXPECT_EQ(shown, (QStringList{"07x09", "08x09", "08x12", "08x13", "08x15", "10x18"}));
    ASSERT_NE(liste.currentItem(), nullptr);
    EXPECT_EQ(liste.currentItem()->text(), "08x12");

    liste.setCurrentRow(5);
    EXPECT_EQ(page.Vorschau()->font().family(), "quarn 10x18");
    EXPECT_EQ(Konsole(1).font().family(), "quarn 08x12") << "nothing changes before Apply";
    page.Apply();
    EXPECT_EQ(Config()->GetFont(), "10x18");
    for (const int number : {0, 1, TKanaele::Instance()->GetAnzahl()}) {
        EXPECT_EQ(Konsole(number).font().family(), "quarn 10x18") << number;
        EXPECT_EQ(Konsole(number).font().pixelSize(), 18) << number;
    }
}

TEST_F(EinstellungenAnzeige, StandardfarbenAndApplyWriteTheThirteenColours) {
    for (int index = 0; index < 13; ++index) {
        Config()->SetColor(index, 0x010203U * static_cast<std::uint32_t>(index + 1));
    }
    TEinstellungenAnzeige page(nullptr);
    EXPECT_EQ(page.FarbKnopf(11)->Color(), 0x010203U * 12);
    for (int tab = 0; tab < 3; ++tab) {
        page.FarbTabs()->setCurrentIndex(tab);
        page.Standardfarben(tab)->click();
    }
    for (int index = 0; index < 13; ++index) {
        EXPECT_EQ(Config()->GetColor(index), 0x010203U * static_cast<std::uint32_t>(index + 1))
            << "nothing is written before Apply";
    }
    page.Apply();
    for (int index = 0; index < 13; ++index) {
        EXPECT_EQ(Config()->GetColor(index), TConfig::DefaultColors[static_cast<std::size_t>(index)])
            << index;
    }
    EXPECT_EQ(Konsole(1).GetPaletteColor(10), ColorValueToQColor(TConfig::DefaultColors[2]));
    EXPECT_EQ(Konsole(0).Color(), ColorValueToQColor(TConfig::DefaultColors[8]));
}

TEST_F(EinstellungenAnzeige, AChosenColourReachesThePreviewAndAfterApplyTheChannels) {
    const TColorDialogSeam saved = ColorDialogSeam();
    ColorDialogSeam() = [](const TColorDialogRequest&) { return std::optional<std::uint32_t>(0x00FF0000); };
    TEinstellungenAnzeige page(nullptr);
    page.FarbTabs()->setCurrentIndex(0);
    page.FarbKnopf(2)->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(page.FarbKnopf(2), &press);
    QApplication::sendEvent(page.FarbKnopf(2), &release);
    ColorDialogSeam() = saved;
    ASSERT_EQ(page.FarbKnopf(2)->Color(), 0x00FF0000U);
    EXPECT_EQ(page.Vorschau()->GetPaletteColor(10), QColor(0, 0, 0xFF));
    EXPECT_NE(Konsole(1).GetPaletteColor(10), QColor(0, 0, 0xFF));
    page.Apply();
    EXPECT_EQ(Config()->GetColor(2), 0x00FF0000U);
    EXPECT_EQ(Konsole(1).GetPaletteColor(10), QColor(0, 0, 0xFF));
}

TEST_F(EinstellungenAnzeige, StoredValuesComeBackUnchangedWithoutAnEdit) {
    Config()->SetColor(2, 0x7F00FF00U); // a value with bits no colour dialog gives
    Config()->SetColor(0, 0x80000005U); // the system's window colour
    Config()->SetColor(8, 0x8000000FU); // the system's button face
    {
        TEinstellungenAnzeige page(nullptr);
        page.Apply();
    }
    EXPECT_EQ(Config()->GetColor(2), 0x7F00FF00U);
    EXPECT_EQ(Config()->GetColor(0), 0x80000005U);
    EXPECT_EQ(Config()->GetColor(8), 0x8000000FU);
    EXPECT_EQ(Config()->GetFont(), "08x12");
}

TEST_F(EinstellungenAnzeige, Screenshots) {
    TEinstellungenAnzeige page(nullptr);
    Screenshot(page, 0, "einstellungen_anzeige_ausgabe.png");
    Screenshot(page, 1, "einstellungen_anzeige_eingabe.png");
    Screenshot(page, 2, "einstellungen_anzeige_monitor.png");
}

} // namespace
} // namespace quarn
