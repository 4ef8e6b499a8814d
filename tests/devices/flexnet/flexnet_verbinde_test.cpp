// The FlexNet device's GUI-thread operations against the in-process kernel: connects with the SSID
// walk, disconnects, UI frames, radio ports, and all of them once the kernel has stopped.
#include "FlexnetFixture.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

struct ConnectRow {
    const char* name;
    int port;
    std::string path;
    std::string myCall;
    std::vector<std::pair<std::string, int>> bestehend; // own call -> state of its QSO with DK0XX
    FlexnetQso fconnect;
    TConnectResult result;
    std::string usedCall;   // own call the connect went out with
    std::string kernelPath; // the path build_frame got last
};

TEST_F(FlexnetTest, ConnectWalksTheSsidsAndKeepsOnlyAStartedLink) {
    const std::vector<ConnectRow> rows = {
        {"free", 0, "DK0XX", "DL1ABC", {}, 100, TConnectResult::Connected, "DL1ABC", "DK0XX"},
        {"first ssid busy",
         0,
         "DK0XX",
         "DL1ABC",
         {{"DL1ABC", 5}},
         100,
         TConnectResult::Connected,
         "DL1ABC-5",
         "DK0XX"},
        {"old qso ended",
         0,
         "DK0XX",
         "DL1ABC",
         {{"DL1ABC", 1}},
         100,
         TConnectResult::Connected,
         "DL1ABC",
         "DK0XX"},
        {"all busy",
         0,
         "DK0XX",
         "DL1ABC",
         {{"DL1ABC", 5}, {"DL1ABC-5", 7}},
         100,
         TConnectResult::NoFreeSsid,
         "",
         "DK0XX"},
        {"kernel refuses", 0, "DK0XX", "DL1ABC", {}, 0, TConnectResult::DeviceError, "", "DK0XX"},
        {"not to oneself", 0, "DL1ABC", "DL1ABC", {}, 100, TConnectResult::Connected, "DL1ABC-5", "DL1ABC"},
        {"given ssid", 0, "DK0XX", "DL1ABC-9", {}, 100, TConnectResult::Connected, "DL1ABC-9", "DK0XX"},
        {"port prefix", 3, "DK0XX", "DL1ABC", {}, 100, TConnectResult::Connected, "DL1ABC", "DK0XX 3"},
        {"port prefix before digis",
         3,
         "DK0XX DB0AAA",
         "DL1ABC",
         {},
         100,
         TConnectResult::Connected,
         "DL1ABC",
         "DK0XX 3 DB0AAA"},
        {"port 0 keeps digis",
         0,
         "DK0XX DB0AAA",
         "DL1ABC",
         {},
         100,
         TConnectResult::Connected,
         "DL1ABC",
         "DK0XX DB0AAA"},
        {"port 16 keeps digis",
         16,
         "DK0XX DB0AAA",
         "DL1ABC",
         {},
         100,
         TConnectResult::Connected,
         "DL1ABC",
         "DK0XX DB0AAA"},
    };
    ASSERT_TRUE(Starten());
    for (const ConnectRow& row : rows) {
        SCOPED_TRACE(row.name);
        state->Mit([&row](FakeFlexnetState& s) {
            s.qsos.clear();
            s.pfade.clear();
            s.connectKanal.clear();
            FlexnetQso qso = 1;
            for (const auto& [call, zustand] : row.bestehend) {
                FakeQso q;
                q.zustand = zustand;
                q.adresse.ziel = "DK0XX";
                q.adresse.quelle = call;
                s.qsos[qso++] = q;
            }
            s.naechsterQso = row.fconnect;
            return 0;
        });
        const std::size_t before = Made().size();
        std::string path = row.path;
        std::string myCall = row.myCall;
        std::shared_ptr<IVerbindung> connection;
        const auto channel = std::make_shared<TestKanal>(1);
        EXPECT_EQ(device->Verbinde(Port(row.port), path, connection, channel, myCall), row.result);
        ASSERT_EQ(Made().size(), before + 1);
        const std::shared_ptr<FakeVerbindung> made = Made().back();
        EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.pfade.back(); }), row.kernelPath);
        if (row.result != TConnectResult::Connected) {
            EXPECT_EQ(connection, nullptr);
            EXPECT_TRUE(made->Released());
            EXPECT_EQ(device->Verbindungen().size(), 0u);
            continue;
        }
        ASSERT_EQ(connection, made);
        EXPECT_FALSE(made->Released());
        EXPECT_EQ(made->Get_MyCall(), row.usedCall);
        EXPECT_EQ(myCall, row.usedCall);
        EXPECT_EQ(path, row.path.substr(0, row.path.find(' ')));
        EXPECT_EQ(made->Get_Handle(), 100);
        EXPECT_TRUE(made->GetAusgehend());
        EXPECT_FALSE(made->GetConnectText());
        EXPECT_TRUE(made->GetFernsteuerung());
        EXPECT_EQ(made->GetKanal(), channel);
        EXPECT_EQ(made->Get_RealPath(), made->Get_Path());
        EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.connectKanal; }),
                  std::vector<std::uint8_t>{static_cast<std::uint8_t>(row.port)});
        EXPECT_EQ(device->Verbindungen(), std::vector<std::shared_ptr<IVerbindung>>{connection});
        // The next row starts without links.
        state->Mit([](FakeFlexnetState& s) { return s.qsos[100].zustand = 0; });
        ASSERT_TRUE(WarteBis([this] { return device->Verbindungen().empty(); }));
    }
}

TEST_F(FlexnetTest, DisconnectTellsTheKernelByLevel) {
    ASSERT_TRUE(Starten());
    const std::vector<std::pair<std::uint8_t, int>> rows = {{1, 4}, {3, 5}, {5, 6}, {0, 0}, {2, 0}, {4, 0}};
    for (const auto& [level, code] : rows) {
        SCOPED_TRACE(static_cast<int>(level));
        auto connection = std::make_shared<FakeVerbindung>(device);
        connection->Set_Handle(42);
        connection->SetDiscLevel(level);
        state->Mit([](FakeFlexnetState& s) { return s.befehle.clear(), 0; });
        device->Trenne(connection);
        const auto expected = code == 0 ? std::vector<std::pair<int, FlexnetQso>>{}
                                        : std::vector<std::pair<int, FlexnetQso>>{{code, 42}};
        EXPECT_EQ(state->Befehle(), expected);
        EXPECT_EQ(connection->DiscDone(), code == 0 ? 0 : 1);
    }
}

TEST_F(FlexnetTest, UiFrameGoesOutOnThePortWithTheBaseOrderOfParameters) {
    ASSERT_TRUE(Starten());
    EXPECT_TRUE(device->SendUI(Port(2), "CQ", "DL1ABC", "hallo"));
    state->Mit([](FakeFlexnetState& s) { return s.uiErgebnis = false; });
    EXPECT_FALSE(device->SendUI(Port(0), "ID", "DL1ABC-5", "x"));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.uiFrames; }),
              (std::vector<std::string>{"DL1ABC|2 CQ|240|hallo", "DL1ABC-5|0 ID|240|x"}));
}

TEST_F(FlexnetTest, RadioPortsFollowTheKernelChannels) {
    state->kanaele = {{0, "Port A"}, {2, "Port C"}, {3, std::nullopt}, {4, "Port E"}};
    ASSERT_TRUE(Starten());
    const auto ports = [this] {
        std::vector<std::shared_ptr<IFunkKanal>> list;
        device->GetFunkKanaele(list, 32);
        return list;
    };
    std::vector<std::shared_ptr<IFunkKanal>> first = ports();
    // The scan stops at the active channel without ident.
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0]->GetBezeichnung(), "Port A");
    EXPECT_EQ(first[0]->GetName(), "FLEX00");
    EXPECT_EQ(first[0]->GetNummer(), 0);
    EXPECT_TRUE(first[0]->IsFlexnet());
    EXPECT_EQ(first[1]->GetName(), "FLEX02");
    EXPECT_EQ(first[1]->GetNummer(), 2);

    state->Mit([](FakeFlexnetState& s) { return s.kanaele = {{0, "Port A2"}, {5, "Port F"}}, 0; });
    const std::vector<std::shared_ptr<IFunkKanal>> second = ports();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_NE(second[0], first[0]); // remade: its ident changed
    EXPECT_EQ(second[0]->GetBezeichnung(), "Port A2");
    EXPECT_EQ(second[1]->GetName(), "FLEX05");
    EXPECT_EQ(ports()[1], second[1]); // kept while it stays the same
}

TEST_F(FlexnetTest, WithTheDigipeaterModuleThereIsOnePort) {
    state->initErgebnis = 2;
    ASSERT_TRUE(Starten());
    EXPECT_TRUE(device->DigiModul());
    std::vector<std::shared_ptr<IFunkKanal>> list;
    ASSERT_EQ(device->GetFunkKanaele(list, 32), 1);
    EXPECT_EQ(list[0]->GetBezeichnung(), "FlexNet Digi");
    EXPECT_EQ(list[0]->GetNummer(), 16);
    EXPECT_EQ(list[0]->GetName(), "FLEXDIGI");
    EXPECT_NE(device->KopfText().find(" mit Digipeater-Modul"), std::string::npos);
}

TEST_F(FlexnetTest, NoCallReachesTheKernelAfterItStopped) {
    ASSERT_TRUE(Starten());
    const std::shared_ptr<IFunkKanal> port = Port(0);
    device->DeInit();
    EXPECT_TRUE(state->Mit([](FakeFlexnetState& s) { return s.entladen; }));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.axExit; }), 1);
    EXPECT_FALSE(device->KernelVerfuegbar());

    std::string path = "DK0XX";
    std::string myCall = "DL1ABC";
    std::shared_ptr<IVerbindung> connection;
    EXPECT_EQ(device->Verbinde(port, path, connection, nullptr, myCall), TConnectResult::DeviceError);
    EXPECT_EQ(connection, nullptr);
    auto link = std::make_shared<FakeVerbindung>(device);
    link->SetDiscLevel(1);
    device->Trenne(link);
    EXPECT_EQ(link->DiscDone(), 0);
    EXPECT_FALSE(device->SendUI(port, "CQ", "DL1ABC", "x"));
    std::vector<std::shared_ptr<IFunkKanal>> list;
    EXPECT_EQ(device->GetFunkKanaele(list, 32), 0);
    EXPECT_EQ(device->KanalZeilen(), std::vector<std::string>{});
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.aufrufeNachEnde; }), 0);
}

} // namespace
} // namespace quarn::test
