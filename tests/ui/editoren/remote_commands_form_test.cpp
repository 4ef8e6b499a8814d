#include "connections/remote/RemoteCommandManagerU.h"
#include "controls/ListView4State.h"
#include "controls/Screenshot.h"
#include "platform/Registry.h"
#include "stations/stationen_test_fixture.h"
#include "ui/editoren/RemoteCommandsForm.h"

#include <QHeaderView>
#include <gtest/gtest.h>
#include <map>

namespace quarn {
namespace {

// The editor over the real manager, with a private registry and station database.
class RemoteCommandsFormTest : public test::StationenDatenbankFixture {
protected:
    void SetUp() override {
        Open();
        manager = std::make_unique<TRemoteCommandManager>(store);
        form = std::make_unique<TRemoteCommandsForm>(*manager);
        form->resize(460, 380);
    }
    void TearDown() override {
        form.reset();
        manager.reset();
        Close();
    }
    std::map<std::string, int> States() {
        std::map<std::string, int> states;
        TListView4State& list = form->CheckListView();
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            states[list.topLevelItem(row)->text(0).toStdString()] =
                TListView4State::ItemState(*list.topLevelItem(row));
        }
        return states;
    }
    void SetState(const char* caption, int state) {
        const auto items = form->CheckListView().findItems(QString::fromLatin1(caption), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << caption;
        TListView4State::SetItemState(*items.front(), state);
    }
    std::optional<bool> StationValue(const std::string& call, const char* name) {
        bool allowed = false;
        if (!manager->GetAllowedStation(call, name, allowed)) {
            return std::nullopt;
        }
        return allowed;
    }

    RegistryStore store{dir / "registry"};
    std::unique_ptr<TRemoteCommandManager> manager;
    std::unique_ptr<TRemoteCommandsForm> form;
};

TEST_F(RemoteCommandsFormTest, GlobalRowsShowTheGlobalPermissionWithDescriptions) {
    form->SetGlobal(true);
    TListView4State& list = form->CheckListView();
    ASSERT_EQ(list.topLevelItemCount(), 16);
    EXPECT_EQ(list.headerItem()->text(0), QStringLiteral("Befehl"));
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("Beschreibung"));
    EXPECT_EQ(list.topLevelItem(0)->text(0), QStringLiteral("BINmode"));
    EXPECT_EQ(list.topLevelItem(3)->text(1), QStringLiteral("Zeigt den Inhalt des aktuellen Ordners an"));
    EXPECT_FALSE(list.AllowGrayed());
    const auto states = States();
    EXPECT_EQ(states.at("DIR"), 0);
    EXPECT_EQ(states.at("Echo"), 1);

    SetState("DIR", 1);
    SetState("Echo", 0);
    form->Apply();
    bool allowed = false;
    manager->GetAllowedGlobal("dir", allowed);
    EXPECT_TRUE(allowed);
    manager->GetAllowedGlobal("echo", allowed);
    EXPECT_FALSE(allowed);
}

TEST_F(RemoteCommandsFormTest, StationRowsShowOverridesOrTheGlobalOnesGreyAndGreyClearsTheOverride) {
    auto station = database->CreateEintrag("DB0ECH");
    ASSERT_TRUE(station);
    station->SetRemoteCommand("dir", true);
    station->SetRemoteCommand("echo", false);
    form->SetGlobal(false);
    form->SetCall("DB0ECH");
    EXPECT_TRUE(form->CheckListView().AllowGrayed());
    auto states = States();
    EXPECT_EQ(states.at("DIR"), 1);
    EXPECT_EQ(states.at("Echo"), 0);
    EXPECT_EQ(states.at("Read"), 2); // globally locked
    EXPECT_EQ(states.at("Help"), 3); // globally allowed

    SetState("DIR", 2);
    SetState("Read", 1);
    form->Apply();
    EXPECT_EQ(StationValue("DB0ECH", "dir"), std::nullopt);
    EXPECT_EQ(StationValue("DB0ECH", "echo"), false);
    EXPECT_EQ(StationValue("DB0ECH", "read"), true);
    EXPECT_EQ(StationValue("DB0ECH", "help"), std::nullopt);
    bool allowed = true;
    manager->GetAllowedGlobal("dir", allowed);
    EXPECT_FALSE(allowed); // the global value is not touched

    // The grey state that follows "allowed" is the global one.
    form->SetCall("DL1ABC");
    states = States();
    EXPECT_EQ(states.at("DIR"), 2);
    EXPECT_EQ(states.at("Read"), 2);
    auto* help = form->CheckListView().findItems(QStringLiteral("Help"), Qt::MatchExactly).front();
    auto* cd = form->CheckListView().findItems(QStringLiteral("CD"), Qt::MatchExactly).front();
    EXPECT_EQ(NextItemState(1, true, TListView4State::HasItemData(*help)), 3);
    EXPECT_EQ(NextItemState(1, true, TListView4State::HasItemData(*cd)), 2);

    form->SetGlobal(true);
    EXPECT_EQ(States().at("DIR"), 0);
}

TEST_F(RemoteCommandsFormTest, AStationPageWithoutAStationStoresNothing) {
    form->SetGlobal(false);
    EXPECT_EQ(States().at("Echo"), 3);
    SetState("Echo", 0);
    form->Apply();
    bool allowed = false;
    manager->GetAllowedGlobal("echo", allowed);
    EXPECT_TRUE(allowed);
}

TEST_F(RemoteCommandsFormTest, Screenshot) {
    auto station = database->CreateEintrag("DB0ECH");
    ASSERT_TRUE(station);
    station->SetRemoteCommand("dir", true);
    station->SetRemoteCommand("ring", false);
    form->SetGlobal(false);
    form->SetCall("DB0ECH");
    form->show();
    EXPECT_TRUE(test::SaveScreenshot(*form, QStringLiteral("fernsteuerung_editor.png")));
}

} // namespace
} // namespace quarn
