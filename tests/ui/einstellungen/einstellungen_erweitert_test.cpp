// The page "Erweitert" and the main window's picture lists it switches.
#include "SeitenFixture.h"

#include "controls/MultiCheckBox.h"
#include "controls/Screenshot.h"
#include "foundation/ConfigU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"
#include "ui/BilderListen.h"
#include "ui/einstellungen/EinstellungenErweitert.h"

#include <QAction>
#include <QImage>
#include <set>

namespace quarn {
namespace {

constexpr const char* kQuarnKey = "\\Software\\Velmoor\\Quarn";

class ErweitertWerteTest : public ::testing::Test {
protected:
    std::unique_ptr<TConfig> Make(int colorCapability) {
        return std::make_unique<TConfig>(store_, "1.0.0", [colorCapability] { return colorCapability; });
    }
    std::optional<std::string> Stored(const std::string& subKey, const char* name) {
        return store_.ReadString(Hive::CurrentUser, kQuarnKey + subKey, name);
    }

    test::TempDir dir_;
    RegistryStore store_{dir_ / "registry"};
};

TEST_F(ErweitertWerteTest, HighColorShowsOnlyOnAHighColourScreenAndResultsAreTheInverseOfDetailed) {
    const struct {
        int capability;
        const char* highColor;
        const char* detailed;
        bool enabled, shown, simplified;
    } faelle[] = {
        {2, "1", "0", true, true, true},         {2, "0", "1", true, false, false},
        {2, nullptr, nullptr, true, true, true}, // the defaults
        {0, "1", "1", false, false, false},      {1, "1", "0", false, false, true},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(testing::Message() << fall.capability << " " << (fall.highColor ? fall.highColor : "-"));
        store_.DeleteKey(Hive::CurrentUser, kQuarnKey);
        if (fall.highColor) {
            store_.WriteString(Hive::CurrentUser, kQuarnKey, "HighColor", fall.highColor);
            store_.WriteString(Hive::CurrentUser, std::string(kQuarnKey) + "\\PGP", "DetailedOutput",
                               fall.detailed);
        }
        const TErweitertWerte werte = ErweitertWerteLesen(*Make(fall.capability), fall.capability);
        EXPECT_EQ(werte.highColorEnabled, fall.enabled);
        EXPECT_EQ(werte.highColor, fall.shown);
        EXPECT_EQ(werte.simplifiedResults, fall.simplified);
    }
}

TEST_F(ErweitertWerteTest, WritingKeepsHighColorWhileItsBoxIsDisabled) {
    store_.WriteString(Hive::CurrentUser, kQuarnKey, "HighColor", "1");
    auto config = Make(0);
    TErweitertWerte werte;
    werte.sendSID = false;
    werte.hideSentSID = false;
    werte.hideReceivedSID = false;
    werte.collectPublicKeys = false;
    werte.simplifiedResults = false;
    werte.highColorEnabled = false;
    werte.highColor = false;
    EXPECT_FALSE(ErweitertWerteSchreiben(*config, werte));
    EXPECT_EQ(Stored("", "HighColor"), "1");
    EXPECT_EQ(Stored("\\SID", "SendSID"), "0");
    EXPECT_EQ(Stored("\\SID", "HideSentSID"), "0");
    EXPECT_EQ(Stored("\\SID", "HideReceivedSID"), "0");
    EXPECT_EQ(Stored("\\PGP", "CollectPublicKeys"), "0");
    EXPECT_EQ(Stored("\\PGP", "DetailedOutput"), "1");
    EXPECT_EQ(ErweitertWerteLesen(*config, 0), werte);

    werte.highColorEnabled = true;
    werte.simplifiedResults = true;
    EXPECT_TRUE(ErweitertWerteSchreiben(*config, werte));
    EXPECT_EQ(Stored("", "HighColor"), "0");
    EXPECT_EQ(Stored("\\PGP", "DetailedOutput"), "0");
}

TEST(SechzehnFarbenTest, APixelTakesTheNearestBasicColourAndAHalfClearOneVanishes) {
    const struct {
        QRgb pixel;
        QRgb farbe;
    } faelle[] = {
        {qRgb(0, 140, 60), qRgb(0, 128, 0)},  {qRgb(250, 250, 250), qRgb(255, 255, 255)},
        {qRgb(200, 10, 10), qRgb(255, 0, 0)}, {qRgb(150, 150, 150), qRgb(128, 128, 128)},
        {qRgba(0, 0, 200, 127), 0},           {qRgba(0, 0, 200, 128), qRgb(0, 0, 255)},
    };
    for (const auto& fall : faelle) {
        EXPECT_EQ(SechzehnFarben(fall.pixel), fall.farbe) << std::hex << fall.pixel;
    }
    EXPECT_TRUE(EchtfarbenBilder(2, true));
    EXPECT_FALSE(EchtfarbenBilder(2, false));
    EXPECT_FALSE(EchtfarbenBilder(0, true));
}

// The distinct opaque colours of an icon's picture.
std::set<QRgb> Farben(const QIcon& icon) {
    const QImage bild = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    std::set<QRgb> farben;
    for (int y = 0; y < bild.height(); ++y) {
        for (int x = 0; x < bild.width(); ++x) {
            if (qAlpha(bild.pixel(x, y)) == 255) {
                farben.insert(bild.pixel(x, y));
            }
        }
    }
    return farben;
}

bool NurGrundfarben(const std::set<QRgb>& farben) {
    return std::all_of(farben.begin(), farben.end(),
                       [](QRgb farbe) { return SechzehnFarben(farbe) == farbe; });
}

using EinstellungenErweitert = test::SeitenFixture;

TEST_F(EinstellungenErweitert, ApplyWritesTheBoxesAndSwitchesTheWindowsPictures) {
    Config()->SetHighColor(true);
    window_.BilderLaden();
    ASSERT_TRUE(window_.Bilder().Echtfarben());
    ASSERT_FALSE(NurGrundfarben(Farben(window_.Action("ActionConnect")->icon())));

    auto& seite = Machen<TEinstellungenErweitert>(); // a high-colour screen offscreen
    EXPECT_TRUE(seite.HighColorBox()->isEnabled());
    EXPECT_TRUE(seite.HighColorBox()->isChecked());
    seite.SendSIDBox()->setChecked(false);
    EXPECT_FALSE(seite.HideSentSIDBox()->isEnabled());
    seite.SendSIDBox()->setChecked(true);
    EXPECT_TRUE(seite.HideSentSIDBox()->isEnabled());
    EXPECT_TRUE(test::SaveScreenshot(*host_, QStringLiteral("einstellungen_erweitert.png")));

    seite.HighColorBox()->setChecked(false);
    seite.SimplifiedResultsBox()->setChecked(false);
    seite.Apply();
    EXPECT_FALSE(Config()->GetHighColor());
    EXPECT_TRUE(Config()->GetDetailedOutput());
    EXPECT_FALSE(window_.Bilder().Echtfarben());
    EXPECT_TRUE(NurGrundfarben(Farben(window_.Action("ActionConnect")->icon())));
    EXPECT_TRUE(NurGrundfarben(Farben(window_.Action("ActionStop")->icon())));
    for (const QPixmap& mark : window_.GutterBilder()) {
        EXPECT_TRUE(NurGrundfarben(Farben(QIcon(mark))));
    }
}

TEST_F(EinstellungenErweitert, WithoutHighColourTheBoxIsOffAndApplyLeavesHighColorAndThePictures) {
    Config()->SetHighColor(true);
    auto* seite = new TEinstellungenErweitert(host_.get(), 0);
    EXPECT_FALSE(seite->HighColorBox()->isEnabled());
    EXPECT_FALSE(seite->HighColorBox()->isChecked());
    const bool echtfarben = window_.Bilder().Echtfarben();
    seite->Apply();
    EXPECT_TRUE(Config()->GetHighColor());
    EXPECT_EQ(window_.Bilder().Echtfarben(), echtfarben);
}

} // namespace
} // namespace quarn
