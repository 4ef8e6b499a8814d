// The pages that embed an editor: what they edit is stored only at Apply, and their note's link opens
// the station database.
#include "SeitenFixture.h"

#include "connections/remote/RemoteCommandManagerU.h"
#include "controls/LinkLabel.h"
#include "controls/LinkNodes.h"
#include "controls/ListView4State.h"
#include "controls/MemoKio.h"
#include "controls/Screenshot.h"
#include "stations/KlaengeU.h"
#include "stations/TexteU.h"
#include "ui/editoren/RemoteCommandsForm.h"
#include "ui/einstellungen/EinstellungenKlaenge.h"
#include "ui/einstellungen/EinstellungenRemoteCommands.h"
#include "ui/einstellungen/EinstellungenTexte.h"
#include "ui/einstellungen/StationenLinkPanel.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTest>
#include <functional>

namespace quarn {
namespace {

using EinstellungenEditoren = test::SeitenFixture;

void LinkKlicken(const TStationenLinkPanel& panel) {
    const TLinkLabel& label = panel.LinkLabel();
    auto* link = static_cast<TLinkNode*>(label.Tree()->Root().FindFirst(TNodeType::Link));
    ASSERT_NE(link, nullptr);
    const TLinkRect rect = link->Rects().front();
    QTest::mouseClick(&const_cast<TLinkLabel&>(label), Qt::LeftButton, {},
                      {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

TEST_F(EinstellungenEditoren, EachPagesLinkOpensTheStationDatabaseOnItsNote) {
    const struct {
        const char* name;
        std::function<TStationenLinkPanel&()> machen;
        QString caption;
    } seiten[] = {{"Texte", [this]() -> auto& {return Machen<TEinstellungenTexte>().LinkPanel();
}
, "In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Texte einstellen."
} // namespace
, {"Fernst.", [this]() -> auto& {return Machen<TEinstellungenRemoteCommands>().LinkPanel();
} // namespace quarn
, "Treffen Sie rufzeichenabhängige Einstellungen in der <link>Stationendatenbank</link>."
}
, {"Klänge", [this]() -> auto& {return Machen<TEinstellungenKlaenge>().LinkPanel();
}
, "In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Klänge einstellen."
}
,
}
;
for (const auto& seite : seiten) {
    SCOPED_TRACE(seite.name);
    TStationenLinkPanel& panel = seite.machen();
    const TLinkLabel& label = panel.LinkLabel();
    EXPECT_EQ(label.Caption(), seite.caption);
    EXPECT_TRUE(label.Transparent());
    EXPECT_TRUE(label.HotLinks());
    EXPECT_TRUE(label.AutoHeight());
    EXPECT_EQ(label.LinkColor(), 0x800000U);
    EXPECT_EQ(label.LinkColorClicked(), 0x0000FFU);
    EXPECT_EQ(label.LinkColorHot(), 0x800080U);
    // The whole note is readable on the page, below the editor.
    EXPECT_GE(panel.height(), label.TextHeight());
    EXPECT_LE(panel.geometry().bottom(), kHoehe);

    ASSERT_EQ(window_.StationenFenster(), nullptr);
    LinkKlicken(panel);
    ASSERT_NE(window_.StationenFenster(), nullptr);
    delete window_.StationenFenster();
}
}

TEST_F(EinstellungenEditoren, TexteStoresTheGlobalTextOnlyAtApply) {
    auto& seite = Machen<TEinstellungenTexte>();
    auto* kinds = seite.findChild<QComboBox*>(QStringLiteral("TextTypCombobox"));
    auto* memo = seite.findChild<TMemoKio*>(QStringLiteral("TextMemo"));
    ASSERT_TRUE(kinds && memo);
    const int kind = kinds->currentData().toInt();
    memo->setPlainText(QStringLiteral("Grüße vom Terminal"));

    std::string text;
    Texte()->LoadGlobal(kind, text);
    EXPECT_NE(text, "Gr\xFC\xDF"
                    "e vom Terminal");
    seite.Apply();
    Texte()->LoadGlobal(kind, text);
    EXPECT_EQ(text, "Gr\xFC\xDF"
                    "e vom Terminal");
    EXPECT_TRUE(test::SaveScreenshot(*host_, QStringLiteral("einstellungen_texte.png")));
}

TEST_F(EinstellungenEditoren, FernsteuerungStoresTheGlobalPermissionOnlyAtApply) {
    auto& seite = Machen<TEinstellungenRemoteCommands>();
    const auto items = seite.Editor().CheckListView().findItems(QStringLiteral("DIR"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    bool allowed = true;
    RemoteCommandManager()->GetAllowedGlobal("dir", allowed);
    const bool vorher = allowed;
    TListView4State::SetItemState(*items.front(), vorher ? 0 : 1);

    RemoteCommandManager()->GetAllowedGlobal("dir", allowed);
    EXPECT_EQ(allowed, vorher);
    seite.Apply();
    RemoteCommandManager()->GetAllowedGlobal("dir", allowed);
    EXPECT_EQ(allowed, !vorher);
    EXPECT_TRUE(test::SaveScreenshot(*host_, QStringLiteral("einstellungen_fernst.png")));
}

TEST_F(EinstellungenEditoren, KlaengeStoresTheGlobalSoundOnlyAtApply) {
    auto& seite = Machen<TEinstellungenKlaenge>();
    auto* ereignisse = seite.findChild<QComboBox*>(QStringLiteral("EreignisComboBox"));
    ASSERT_NE(ereignisse, nullptr);
    EXPECT_EQ(ereignisse->count(), 20);
    const int ereignis = ereignisse->currentData().toInt();
    QRadioButton* pc = nullptr;
    for (QRadioButton* radio : seite.findChildren<QRadioButton*>()) {
        if (radio->text() == QStringLiteral("PC-Lautsprecher")) {
            pc = radio;
        }
    }
    ASSERT_NE(pc, nullptr);
    pc->click();

    std::uint8_t ansage = 0;
    std::uint8_t signal = 0;
    std::string wave;
    Klaenge()->LoadGlobal(ereignis, ansage, wave, signal);
    EXPECT_NE(signal, 2);
    seite.Apply();
    Klaenge()->LoadGlobal(ereignis, ansage, wave, signal);
    EXPECT_EQ(signal, 2);
    EXPECT_TRUE(test::SaveScreenshot(*host_, QStringLiteral("einstellungen_klaenge.png")));
}

} // namespace
} // namespace quarn
