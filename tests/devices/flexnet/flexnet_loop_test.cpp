// The FlexNet device thread against the in-process kernel: connect requests by the rule for incoming
// links, data both ways, link ends, the link values, saved links checked at start, and the clean-up
// after an exception.
#include "FlexnetFixture.h"

#include <future>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

FakeQso Qso(int zustand, std::string ziel, std::string quelle, std::vector<std::string> digis = {}) {
    FakeQso q;
    q.zustand = zustand;
    q.adresse.ziel = std::move(ziel);
    q.adresse.quelle = std::move(quelle);
    q.adresse.digis = std::move(digis);
    return q;
}

struct IncomingRow {
    const char* name;
    TIncomingConnects rule;
    int freeChannels;
    std::vector<std::pair<int, FlexnetQso>> befehle;
    bool kept;
};

TEST_F(FlexnetTest, ConnectRequestsFollowTheRuleForIncomingLinks) {
    const std::vector<IncomingRow> rows = {
        {"accept", TIncomingConnects::Accept, 8, {{2, 7}, {7, 7}}, true},
        {"accept without channel", TIncomingConnects::Accept, 0, {{3, 7}}, false},
        {"ignore", TIncomingConnects::Ignore, 8, {}, false},
        {"reject", TIncomingConnects::Reject, 8, {{3, 7}}, false},
    };
    for (const IncomingRow& row : rows) {
        SCOPED_TRACE(row.name);
        rule_ = row.rule;
        freeChannels_ = row.freeChannels;
        state = std::make_shared<FakeFlexnetState>();
        state->sabm["DL1ABC-5"] = 7;
        state->qsos[7] = Qso(5, "DK0XX", "DL1ABC-5", {"DB0AAA"});
        const std::size_t before = Made().size();
        ASSERT_TRUE(Starten());
        // Two rounds that look for requests (every 8th), so an ignored one is seen twice.
        ASSERT_TRUE(WarteBis([&] { return Made().size() >= before + 2 || !state->Befehle().empty(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Stoppen();
        std::vector<std::pair<int, FlexnetQso>> befehle = state->Befehle();
        std::erase_if(befehle, [](const auto& b) { return b.first == 18; });
        EXPECT_EQ(befehle, row.befehle);
        const std::shared_ptr<FakeVerbindung> made = Made()[before];
        EXPECT_EQ(made->Get_MyCall(), "DL1ABC-5");
        EXPECT_EQ(made->Get_Call(), "DK0XX");
        EXPECT_EQ(made->Get_Digis(), "DB0AAA");
        EXPECT_EQ(made->Get_RealPath(), "DK0XX DB0AAA");
        EXPECT_EQ(made->Get_Handle(), 7);
        EXPECT_FALSE(made->GetAusgehend());
        EXPECT_EQ(made->Released(), !row.kept);
        EXPECT_EQ(made->Starts(), row.kept ? 1 : 0);
        if (row.kept) {
            EXPECT_TRUE(made->GetConnectText());
            EXPECT_TRUE(made->GetFernsteuerung());
            EXPECT_NE(made->GetKanal(), nullptr);
            EXPECT_EQ(device->Verbindungen(), std::vector<std::shared_ptr<IVerbindung>>{made});
        } else {
            EXPECT_TRUE(device->Verbindungen().empty());
        }
        if (row.rule == TIncomingConnects::Ignore) {
            // Still pending in the kernel, and seen again.
            EXPECT_GE(Made().size(), before + 2);
        }
        device.reset();
        RegistryStore::Instance().DeleteKey(Hive::LocalMachine, registryKey_);
    }
}

// A connect started on the GUI thread, with the kernel's QSO 100 for it.
class FlexnetLinkTest : public FlexnetTest {
protected:
    std::shared_ptr<FakeVerbindung> Verbinden() {
        std::string path = "DK0XX DB0AAA";
        std::string myCall = "DL1ABC";
        std::shared_ptr<IVerbindung> connection;
        EXPECT_EQ(device->Verbinde(Port(0), path, connection, std::make_shared<TestKanal>(1), myCall),
                  TConnectResult::Connected);
        return Made().back();
    }
    void Setze(const std::function<void(FakeQso&)>& change) {
        state->Mit([&](FakeFlexnetState& s) { return change(s.qsos[100]), 0; });
    }
    FakeQso Lies() {
        return state->Mit([](FakeFlexnetState& s) { return s.qsos[100]; });
    }
};

TEST_F(FlexnetLinkTest, AnOutgoingLinkStartsWhenTheKernelReportsItUp) {
    ASSERT_TRUE(Starten());
    const std::shared_ptr<FakeVerbindung> link = Verbinden();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(link->Starts(), 0);
    Setze([](FakeQso& q) {
        q.zustand = 0x25; // connected, with more link bits above the state
        q.adresse = Qso(5, "DK0XX-1", "DL1ABC", {"DB0AAA", "DB0BBB"}).adresse;
    });
    ASSERT_TRUE(WarteBis([&] { return link->Starts() == 1; }));
    EXPECT_EQ(link->Get_MyCall(), "DL1ABC");
    EXPECT_EQ(link->Get_Call(), "DK0XX-1");
    EXPECT_EQ(link->Get_Digis(), "DB0AAA DB0BBB");
    auto status = std::dynamic_pointer_cast<TStatus>(link->GetStatus());
    ASSERT_NE(status, nullptr);
    Setze([](FakeQso& q) {
        q.ausstehend = 3;
        q.platz = 0; // keeps the text in the queue
    });
    link->GetTransmitQueue().PushString("a");
    ASSERT_TRUE(WarteBis([&] { return status->GetOutstanding() == 4; }));
    EXPECT_EQ(status->GetLinkStatus(), 0x25);
    EXPECT_EQ(status->GetMaxframe(), 7);
    EXPECT_EQ(status->GetTries(), 2);
    EXPECT_EQ(status->GetFrack(), 5);
}

TEST_F(FlexnetLinkTest, ReceivedFramesAreTakenAtMost28ARound) {
    ASSERT_TRUE(Starten());
    const std::shared_ptr<FakeVerbindung> link = Verbinden();
    std::string expected;
    Setze([&expected](FakeQso& q) {
        for (int i = 0; i < 30; ++i) {
            const std::string text = "f" + std::to_string(i) + "\r";
            q.empfang.push_back({0xF0, text});
            expected += text;
        }
        q.zustand = 5;
    });
    ASSERT_TRUE(WarteBis([&] { return link->Empfangen() == expected; }));
    const std::vector<std::string> ablauf = state->Mit([](FakeFlexnetState& s) { return s.ablauf; });
    int most = 0;
    int run = 0;
    for (const std::string& step : ablauf) {
        run = step == "i" ? run + 1 : (step.starts_with("stat") ? 0 : run);
        most = std::max(most, run);
    }
    EXPECT_EQ(most, 28);
    int confirmed = 0;
    for (const auto& [code, qso] : state->Befehle()) {
        confirmed += code == 15 && qso == 100 ? 1 : 0;
    }
    EXPECT_EQ(confirmed, 30);
}

TEST_F(FlexnetLinkTest, SendingStaysWithinTheWindowAndTheKernelsRoom) {
    ASSERT_TRUE(Starten());
    const std::shared_ptr<FakeVerbindung> link = Verbinden();
    Setze([](FakeQso& q) {
        q.zustand = 5;
        q.ausstehend = 10;
    });
    ASSERT_TRUE(WarteBis([&] { return link->Starts() == 1; }));
    for (int i = 0; i < 10; ++i) {
        link->GetTransmitQueue().PushString("t" + std::to_string(i));
    }
    // 14 - 10 outstanding: four frames, then nothing until the kernel has them out.
    ASSERT_TRUE(WarteBis([&] { return Lies().gesendet.size() == 4; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Lies().gesendet.size(), 4u);
    EXPECT_EQ(Lies().gesendet[0].pid, 0xF0);
    EXPECT_EQ(Lies().gesendet[3].daten, "t3");
    // Room for two more frames in the kernel only.
    Setze([](FakeQso& q) {
        q.ausstehend = 0;
        q.platz = 2;
    });
    ASSERT_TRUE(WarteBis([&] { return Lies().gesendet.size() == 6; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Lies().gesendet.size(), 6u);
    EXPECT_EQ(link->GetTransmitQueue().Count(), 4);
    // A text longer than one frame goes out in pieces of 256 bytes, in order.
    link->GetTransmitQueue().PushString(std::string(300, 'x'));
    Setze([](FakeQso& q) {
        q.ausstehend = 0;
        q.platz = 100;
    });
    ASSERT_TRUE(WarteBis([&] { return link->GetTransmitQueue().IsEmpty(); }));
    const std::vector<FlexnetInfo> sent = Lies().gesendet;
    ASSERT_EQ(sent.size(), 12u);
    EXPECT_EQ(sent[9].daten, "t9");
    EXPECT_EQ(sent[10].daten, std::string(256, 'x'));
    EXPECT_EQ(sent[11].daten, std::string(44, 'x'));
}

struct EndRow {
    const char* name;
    bool started;
    int zustand;
    int reason;         // -1: the link stays
    std::uint8_t state; // the connection's state afterwards
};

TEST_F(FlexnetLinkTest, TheQsoStateEndsOrWindsDownTheLink) {
    const std::vector<EndRow> rows = {
        {"failed", true, 0, 1, 0},         {"ended", true, 1, 0, 0},
        {"busy", false, 1, 2, 0},          {"failed before start", false, 0, 1, 0},
        {"disconnecting", true, 4, -1, 1},
    };
    ASSERT_TRUE(Starten());
    for (const EndRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::shared_ptr<FakeVerbindung> link = Verbinden();
        if (row.started) {
            Setze([](FakeQso& q) { q.zustand = 5; });
            ASSERT_TRUE(WarteBis([&] { return link->Starts() == 1; }));
        }
        Setze([&row](FakeQso& q) { q.zustand = row.zustand; });
        if (row.reason < 0) {
            ASSERT_TRUE(WarteBis([&] { return link->GetState() == row.state; }));
            EXPECT_FALSE(link->Released());
            EXPECT_EQ(device->Verbindungen().size(), 1u);
            Setze([](FakeQso& q) { q.zustand = 1; });
        }
        ASSERT_TRUE(WarteBis([&] { return link->Released(); }));
        if (row.reason >= 0) {
            EXPECT_EQ(link->GetrenntGruende(), std::vector<int>{row.reason});
        }
        EXPECT_TRUE(device->Verbindungen().empty());
    }
}

TEST_F(FlexnetTest, SavedLinksAreCheckedAgainstTheKernelAtStart) {
    struct Saved {
        int handle;
        std::string myCall, realPath;
    };
    const std::vector<Saved> saved = {
        {11, "DL1ABC", "DK0XX DB0AAA"}, // matches
        {12, "DL1ABC-3", "DK0XX"},      // another own call than the kernel's
        {13, "DL1ABC", "DK0ZZ"},        // the kernel has no such QSO
        {14, "DL1ABC", "DK0YY"},        // the kernel has no record for it
        {15, "DL1ABC-5", "DK0YY"},      // matches, no digipeaters
        {16, "DL1ABC", "DK0XX"},        // the path differs
    };
    RegistryStore& registry = RegistryStore::Instance();
    for (const Saved& s : saved) {
        const std::string sub = registryKey_ + "\\" + std::to_string(s.handle);
        registry.CreateKey(Hive::LocalMachine, sub);
        registry.WriteString(Hive::LocalMachine, sub, "C", s.realPath);
        registry.WriteString(Hive::LocalMachine, sub, "R", s.realPath);
        registry.WriteString(Hive::LocalMachine, sub, "M", s.myCall);
    }
    state->qsos[11] = Qso(5, "DK0XX", "DL1ABC", {"DB0AAA"});
    state->qsos[12] = Qso(5, "DK0XX", "DL1ABC");
    state->qsos[14] = Qso(5, "DK0YY", "DL1ABC");
    state->qsos[14].ohneAdresse = true;
    state->qsos[15] = Qso(5, "DK0YY", "DL1ABC-5");
    state->qsos[16] = Qso(5, "DK0XX", "DL1ABC", {"DB0CCC"});
    ASSERT_TRUE(Starten());
    std::vector<int> kept;
    for (const std::shared_ptr<IVerbindung>& connection : device->Verbindungen()) {
        kept.push_back(connection->Get_Handle());
    }
    EXPECT_EQ(kept, (std::vector<int>{11, 15}));
    for (const std::shared_ptr<FakeVerbindung>& made : Made()) {
        const bool keeps = made->Get_Handle() == 11 || made->Get_Handle() == 15;
        EXPECT_EQ(made->Released(), !keeps) << made->Get_Handle();
        EXPECT_EQ(made->GetrenntGruende(), keeps ? std::vector<int>{} : std::vector<int>{1});
    }
    // At the end the kept links are saved again, after the kernel was told.
    Stoppen();
    std::vector<std::pair<int, FlexnetQso>> saves = state->Befehle();
    std::erase_if(saves, [](const auto& b) { return b.first != 18; });
    EXPECT_EQ(saves, (std::vector<std::pair<int, FlexnetQso>>{{18, 11}, {18, 15}}));
    std::vector<std::string> keys = registry.SubKeyNames(Hive::LocalMachine, registryKey_);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"11", "15"}));
}

TEST_F(FlexnetLinkTest, AnExceptionInTheLoopEndsTheKernelAndUnloadsIt) {
    ASSERT_TRUE(Starten(0x10));
    Verbinden();
    state->Mit([](FakeFlexnetState& s) { return s.statWirft = true; });
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Fehler; }));
    // Reported for the round, then for the run that it ended.
    ASSERT_TRUE(WarteBis([this] { return Reports().size() >= 2; }));
    EXPECT_NE(Reports()[0].find("TGeraetFlexnet"), std::string::npos);
    EXPECT_TRUE(Reports()[0].ends_with("(1)")) << Reports()[0];
    EXPECT_TRUE(Reports()[1].ends_with("(2)")) << Reports()[1];
    EXPECT_FALSE(device->KernelVerfuegbar());
    EXPECT_TRUE(state->Mit([](FakeFlexnetState& s) { return s.entladen; }));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.axExit; }), 1);
    std::string path = "DK0XX";
    std::string myCall = "DL1ABC";
    std::shared_ptr<IVerbindung> connection;
    EXPECT_EQ(device->Verbinde(Port(0), path, connection, nullptr, myCall), TConnectResult::DeviceError);
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.aufrufeNachEnde; }), 0);
}

TEST_F(FlexnetTest, ASlowKernelStartHoldsNoOneWhoAsksForThePorts) {
    std::promise<void> weiter;
    std::shared_future<void> freigabe = weiter.get_future().share();
    state->Mit([&](FakeFlexnetState& s) {
        s.beimInit = [freigabe] { freigabe.wait_for(std::chrono::seconds(10)); };
        return 0;
    });
    device = std::make_shared<TestFlexnet>(state);
    device->Init();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatusText().find("ax_init") != std::string::npos; }));

    // The connect dialog and the automation service ask on the GUI thread while the kernel starts.
    auto gefragt = std::async(std::launch::async, [this] {
        std::vector<std::shared_ptr<IFunkKanal>> ports;
        return device->GetFunkKanaele(ports, TGeraetFlexnet::kFunkKanaele);
    });
    ASSERT_EQ(gefragt.wait_for(std::chrono::seconds(2)), std::future_status::ready) << "waited for ax_init";
    EXPECT_EQ(gefragt.get(), 0) << "not available before it is up";
    EXPECT_FALSE(device->KernelVerfuegbar());

    weiter.set_value();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Bereit; }));
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    EXPECT_EQ(device->GetFunkKanaele(ports, TGeraetFlexnet::kFunkKanaele), 2);
}

TEST_F(FlexnetTest, StartFailuresLeaveNothingLoaded) {
    device = std::make_shared<TestFlexnet>(state);
    device->ladeFehler = "DLL nicht gefunden";
    device->Init();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Fehler; }));
    EXPECT_NE(device->GetStatusText().find("DLL nicht gefunden"), std::string::npos);
    device->DeInit();

    state->initErgebnis = 0;
    device = std::make_shared<TestFlexnet>(state);
    device->Init();
    ASSERT_TRUE(WarteBis([this] { return device->GetStatus() == TGeraetStatus::Fehler; }));
    EXPECT_NE(device->GetStatusText().find("Kernel nicht geladen"), std::string::npos);
    EXPECT_TRUE(state->Mit([](FakeFlexnetState& s) { return s.entladen; }));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.axExit; }), 0);
    EXPECT_FALSE(device->KernelVerfuegbar());
}

} // namespace
} // namespace quarn::test
