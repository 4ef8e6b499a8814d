// Outgoing connects, UI frames and the Pactor commands of the host-mode device, run against the
// simulated TNC in-process. The connect deadline follows a hand-moved clock.
#include "FakeKanal.h"
#include "FakeVerbindung.h"
#include "TncSimHostmode.h"
#include "devices/FunkKanalU.h"
#include "devices/VerbindenLaeuft.h"
#include "foundation/GlobalU.h"
#include "platform/ThreadMessageQueue.h"
#include "platform/WaitForAny.h"
#include "support/Elapsed.h"
#include "support/ManualClock.h"
#include "tools/tncsim/TncSimCore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

const std::vector<TEigenesRufzeichen> kCalls = {{"DL1AAA", {0, 1}}, {"DL9ZZZ", {0}}};

// The device with a loop of its own that takes the thread messages and nothing else (the link polling
// is not what these tests look at), a hook on every frame it writes, and its monitor notices kept.
class ConnectDevice : public TncSimHostmode {
public:
    using TncSimHostmode::TncSimHostmode;

    std::function<void(std::string_view frame)> beforeWrite;
    std::atomic<bool> paused{false};
    // Set by the loop once it has seen `paused`: from then on no message is taken.
    std::atomic<bool> pauseSeen{false};
    // The whole cycle of the run loop, link polling included, in place of the thread messages alone.
    std::atomic<bool> polling{false};
    std::atomic<int> cycles{0};

    bool CommWrite(const char* data, std::size_t count, std::size_t& written) override {
        if (beforeWrite) {
            beforeWrite(std::string_view(data, count));
        }
        return TncSimHostmode::CommWrite(data, count, written);
    }
    std::shared_ptr<IVerbindung> EntryOf(int channel) { return GetKanalVerbindung(channel); }
    void SetEntry(int channel, std::shared_ptr<IVerbindung> connection) {
        if (connection) {
            KanalEintragen(channel, std::move(connection));
        } else {
            KanalFreigeben(channel);
        }
    }
    std::vector<std::string> Notices() const {
        const std::lock_guard lock(mutex_);
        return notices_;
    }

protected:
    void Schleife() override {
        while (!IsTerminated()) {
            if (polling) {
                ++cycles;
                Zyklus();
            } else if (paused) {
                pauseSeen = true;
            } else {
                ++cycles;
                WiedervorlagePosten();
                for (int i = 0; i < 3; ++i) {
                    const std::optional<ThreadMessage> message = Messages().Peek(true);
                    if (!message) {
                        break;
                    }
                    NachrichtBehandeln(*message);
                }
            }
            // Real time: the hand-moved clock decides deadlines here, not the pace of this loop.
            if (WaitForAny({StopEvent(), QuitEvent()}, 10) != kWaitTimeout) {
                break;
            }
        }
    }
    void MonitorMeldung(std::string_view header, std::string_view text) override {
        const std::lock_guard lock(mutex_);
        notices_.push_back(std::string(header) + "|" + std::string(text));
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> notices_;
};

TncSimConfig SmallTnc(int channels = 4) {
    TncSimConfig config = ConfigFor(Identity::Tnc2);
    config.channels = channels;
    return config;
}

TncSimConfig SmallPtc() {
    TncSimConfig config = ConfigFor(Identity::PtcII);
    config.channels = 4;
    config.pactorChannel = 4;
    return config;
}

struct Attempt {
    TConnectResult result = TConnectResult::UnknownError;
    std::string path;
    std::string myCall;
    std::shared_ptr<IVerbindung> connection;
};

class HostmodeConnect : public ::testing::Test {
protected:
    // Before the core: the simulator takes its timers from the clock in place when it is made.
    ManualClock clock_{0x1'0000'0000ull - 100'000}; // 100 s before a 32-bit tick count would wrap
    ScopedClock scoped_{clock_};
    FakeVerbindungen made_;
    std::unique_ptr<TncSimCore> core_;
    std::shared_ptr<ConnectDevice> device_;

    // `hook` sees every frame the device writes, on the device thread.
    void Start(const TncSimConfig& config, std::function<void(std::string_view)> hook = nullptr) {
        core_ = std::make_unique<TncSimCore>(config);
        device_ = std::make_shared<ConnectDevice>(*core_);
        device_->calls = kCalls;
        device_->beforeWrite = std::move(hook);
        device_->Init();
        ASSERT_TRUE(WaitFor(
            [&] { return device_->GetStatus() == TGeraetStatus::Bereit && core_->HasCommand("U0"); }));
    }
    void TearDown() override {
        if (device_) {
            device_->DeInit();
        }
    }
    std::shared_ptr<IFunkKanal> Port(int number) {
        auto port = std::make_shared<TFunkKanal>(device_);
        port->SetNummer(number);
        return port;
    }
    Attempt Connect(std::string path, std::string myCall = "DL1AAA", int port = -1,
                    const std::shared_ptr<IKanal>& channel = nullptr) {
        Attempt attempt;
        attempt.path = std::move(path);
        attempt.myCall = std::move(myCall);
        attempt.result =
            device_->Verbinde(Port(port), attempt.path, attempt.connection, channel, attempt.myCall);
        return attempt;
    }
    std::shared_ptr<FakeVerbindung> LastMade() const { return made_.Made().back(); }
};

// ---- the outgoing connect table ----

struct ConnectRow {
    const char* name;
    std::function<void(TncSimConfig&)> setup;
    std::vector<std::pair<std::string, std::string>> before; // connects made first: path, own call
    std::string path;
    std::string myCall;
    int port;
    TConnectResult result;
    std::string usedCall; // the own call handed back
    int channel;          // the TNC channel of the link, -1 none
    std::string connectFrame;
};

TEST_F(HostmodeConnect, OutgoingConnectTable) {
    const auto none = [](TncSimConfig&) {};
    const std::vector<ConnectRow> rows = {
        {"free channel", none, {}, "DB0XYZ", "DL1AAA", -1, TConnectResult::Connected, "DL1AAA", 4, "CDB0XYZ"},
        {"port prefix",
         none,
         {},
         "DB0XYZ via DB0AB",
         "DL1AAA",
         1,
         TConnectResult::Connected,
         "DL1AAA",
         4,
         "C1:DB0XYZ via DB0AB"},
        {"STATION ALREADY for two SSIDs",
         none,
         {{"DB0XYZ", "DL1AAA"}, {"DB0XYZ", "DL1AAA"}},
         "DB0XYZ",
         "DL1AAA",
         -1,
         TConnectResult::Connected,
         "DL1AAA-2",
         2,
         "CDB0XYZ"},
        {"no SSID left",
         none,
         {{"DB0XYZ", "DL1AAA-3"}},
         "DB0XYZ",
         "DL1AAA-3",
         -1,
         TConnectResult::NoFreeSsid,
         "DL1AAA-3",
         -1,
         ""},
        {"all channels busy",
         [](TncSimConfig& c) { c.channels = 2; },
         {{"DB0A", "DL1AAA"}, {"DB0B", "DL1AAA"}},
         "DB0C",
         "DL1AAA",
         -1,
         TConnectResult::DeviceError,
         "DL1AAA",
         -1,
         ""},
        {"SIMULT",
         [](TncSimConfig& c) { c.clashChannels = {4}; },
         {},
         "DB0XYZ",
         "DL1AAA",
         -1,
         TConnectResult::ModesNotTogether,
         "DL1AAA",
         -1,
         ""},
    };
    for (const ConnectRow& row : rows) {
        SCOPED_TRACE(row.name);
        TncSimConfig config = SmallTnc();
        row.setup(config);
        Start(config);
        for (const auto& [path, call] : row.before) {
            ASSERT_EQ(Connect(path, call).result, TConnectResult::Connected);
        }
        const Attempt attempt = Connect(row.path, row.myCall, row.port);
        EXPECT_EQ(attempt.result, row.result);
        EXPECT_EQ(attempt.myCall, row.usedCall);
        const std::shared_ptr<FakeVerbindung> connection = LastMade();
        EXPECT_TRUE(connection->GetAusgehend());
        EXPECT_EQ(connection->Get_Path(), row.path);
        if (row.channel >= 0) {
            ASSERT_EQ(attempt.connection, connection);
            EXPECT_EQ(attempt.path, "DB0XYZ"); // the connected call
            EXPECT_EQ(connection->Get_Handle(), row.channel);
            EXPECT_EQ(device_->EntryOf(row.channel), connection);
            EXPECT_TRUE(core_->HasCommand(row.connectFrame, row.channel));
            EXPECT_TRUE(core_->HasCommand("I " + row.usedCall, row.channel));
            EXPECT_FALSE(connection->Released());
        } else {
            EXPECT_EQ(attempt.connection, nullptr);
            EXPECT_TRUE(connection->Released());
            for (int channel = 1; channel <= 4; ++channel) {
                if (device_->EntryOf(channel)) {
                    EXPECT_NE(device_->EntryOf(channel), connection) << channel;
                }
            }
        }
        EXPECT_FALSE(VerbindenLaeuft());
        device_->DeInit();
        device_.reset();
    }
}

TEST_F(HostmodeConnect, PactorConnectTable) {
    struct Row {
        const char* name;
        bool clash;
        bool busy;
        TConnectResult result;
    };
    const std::vector<Row> rows = {
        {"free", false, false, TConnectResult::Connected},
        {"busy", false, true, TConnectResult::ChannelConnected},
        {"SIMULT", true, false, TConnectResult::ModesNotTogether},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TncSimConfig config = SmallPtc();
        if (row.clash) {
            config.clashChannels = {4};
        }
        Start(config);
        ASSERT_EQ(device_->GetPactorKanal(), 4);
        if (row.busy) {
            ASSERT_EQ(Connect("DB0PTC", "DL1AAA", 255).result, TConnectResult::Connected);
        }
        const int before = core_->CountCommand("CDL2XYZ", 4);
        const Attempt attempt = Connect("DL2XYZ", "DL1AAA", 255);
        EXPECT_EQ(attempt.result, row.result);
        if (row.result == TConnectResult::Connected) {
            EXPECT_TRUE(core_->HasCommand("I DL1AAA", 4));
            EXPECT_EQ(core_->CountCommand("CDL2XYZ", 4), before + 1);
            EXPECT_EQ(attempt.connection->Get_Handle(), 4);
            EXPECT_TRUE(attempt.connection->GetPactor());
            // A packet connect on the same device walks past the Pactor channel.
            const Attempt packet = Connect("DB0XYZ");
            ASSERT_EQ(packet.result, TConnectResult::Connected);
            EXPECT_EQ(packet.connection->Get_Handle(), 3);
            EXPECT_FALSE(packet.connection->GetPactor());
        } else {
            EXPECT_EQ(core_->CountCommand("CDL2XYZ", 4), before);
        }
        device_->DeInit();
        device_.reset();
    }
}

// ---- the deadline ----

// The TNC takes the connect after the caller gave up: the link is disconnected and nothing of it stays
// in the device.
TEST_F(HostmodeConnect, DeadlineRaceAcceptedAfterCallerGaveUpIsDisconnected) {
    std::atomic<bool> fired{false};
    std::atomic<bool> callerGone{false};
    Start(SmallTnc(1), [&](std::string_view frame) {
        if (frame.find("CDB0XYZ") != std::string_view::npos && !fired.exchange(true)) {
            clock_.Advance(8001);
            callerGone = WaitFor([&] { return LastMade()->Released(); }, 5000);
        }
    });
    const Attempt attempt = Connect("DB0XYZ");
    EXPECT_EQ(attempt.result, TConnectResult::DeviceTimeout);
    EXPECT_EQ(attempt.connection, nullptr);
    ASSERT_TRUE(WaitFor([&] { return core_->HasCommand("D", 1); }));
    EXPECT_TRUE(callerGone);
    const std::shared_ptr<FakeVerbindung> abandoned = LastMade();
    EXPECT_TRUE(abandoned->Released());
    EXPECT_EQ(abandoned->Starts(), 0);
    EXPECT_EQ(device_->EntryOf(1), nullptr);
    EXPECT_TRUE(core_->HasCommand("CDB0XYZ", 1)); // the TNC did take it

    // The TNC's reports of that link ("CONNECTED to", then "DISCONNECTED fm") raise no incoming link.
    const std::size_t made = made_.Made().size();
    const int cycles = device_->cycles;
    device_->polling = true;
    ASSERT_TRUE(WaitFor([&] { return device_->cycles > cycles + 60; })) << "a full check included";
    device_->polling = false;
    EXPECT_EQ(made_.Made().size(), made);
    EXPECT_FALSE(core_->HasCommand("I", 1)) << "no incoming link was accepted";

    // The channel is free for the next connect: no live link was left behind.
    const Attempt next = Connect("DB0NXT");
    EXPECT_EQ(next.result, TConnectResult::Connected);
    EXPECT_EQ(next.connection->Get_Handle(), 1);
}

// A reply the device takes just before the deadline is the caller's result; the deadline lies beyond
// the point where a 32-bit tick count wraps, and the connect still runs its whole time.
TEST_F(HostmodeConnect, ReplyJustBeforeA64BitDeadlineIsTaken) {
    std::atomic<bool> fired{false};
    Start(SmallTnc(1), [&](std::string_view frame) {
        if (frame.find("CDB0XYZ") != std::string_view::npos && !fired.exchange(true)) {
            clock_.Advance(7999); // across the 32-bit wrap, 1 ms before the deadline
        }
    });
    clock_.Set(0xFFFF'FFFFull - 3000);
    const Attempt attempt = Connect("DB0XYZ");
    EXPECT_GT(clock_.NowMs(), 0xFFFF'FFFFull);
    ASSERT_EQ(attempt.result, TConnectResult::Connected);
    EXPECT_EQ(device_->EntryOf(1), attempt.connection);
    EXPECT_FALSE(core_->HasCommand("D", 1));
}

// A message the device takes after the deadline is dropped unanswered; while it waits, the same
// channel takes no second connect and the program is told a connect is pending.
TEST_F(HostmodeConnect, LateMessageIsDroppedAndTheChannelTakesNoSecondConnect) {
    Start(SmallTnc());
    device_->paused = true;
    // The device may still be finishing its start, or be in the middle of a cycle.
    ASSERT_TRUE(WaitFor([&] { return device_->pauseSeen.load(); }));
    const auto channel = std::make_shared<FakeKanal>(3);
    TConnectResult second = TConnectResult::Connected;
    bool pendingSeen = false;
    std::thread other([&] {
        // Never a second connect before the first is pending: with the device paused it would wait for a
        // deadline only this thread moves the clock to.
        pendingSeen = WaitFor([] { return VerbindenLaeuft(); }, 30000);
        if (!pendingSeen) {
            clock_.Advance(8000);
            return;
        }
        std::string path = "DB0OTH";
        std::string call = "DL1AAA";
        std::shared_ptr<IVerbindung> connection;
        const auto start = std::chrono::steady_clock::now();
        second = device_->Verbinde(Port(-1), path, connection, channel, call);
        EXPECT_LT(msSince(start), 5000) << "answered at once, not after the device";
        clock_.Advance(8000);
    });
    const Attempt attempt = Connect("DB0XYZ", "DL1AAA", -1, channel);
    other.join();
    EXPECT_TRUE(pendingSeen);
    EXPECT_EQ(second, TConnectResult::ChannelConnected);
    EXPECT_EQ(attempt.result, TConnectResult::DeviceTimeout);
    EXPECT_FALSE(VerbindenLaeuft());

    device_->paused = false;
    ASSERT_TRUE(WaitFor([&] { return device_->cycles > 3; }));
    EXPECT_FALSE(core_->HasCommand("C", 4)); // not even the query
    for (const auto& connection : made_.Made()) {
        EXPECT_TRUE(connection->Released());
    }
}

// The TNC calls the channel free while its entry still holds a connection: the request waits in the
// queue, is tried once a cycle, and connects in the cycle after the entry was cleared.
TEST_F(HostmodeConnect, OccupiedEntryRequeuesUntilItIsCleared) {
    Start(SmallTnc(1));
    const Attempt first = Connect("DB0XYZ");
    ASSERT_EQ(first.result, TConnectResult::Connected);
    ASSERT_TRUE(WaitFor([&] { return core_->RemoteDisconnect(1); }));
    const int queriesBefore = core_->CountCommand("C", 1);
    const int cyclesBefore = device_->cycles;
    std::thread clearer([&] {
        if (WaitFor([&] { return core_->CountCommand("C", 1) >= queriesBefore + 3; }, 5000)) {
            device_->SetEntry(1, nullptr);
        }
    });
    const Attempt second = Connect("DB0NXT");
    clearer.join();
    const int cycles = device_->cycles - cyclesBefore;
    ASSERT_EQ(second.result, TConnectResult::Connected);
    EXPECT_EQ(device_->EntryOf(1), second.connection);
    const int queries = core_->CountCommand("C", 1) - queriesBefore;
    EXPECT_GE(queries, 4);
    EXPECT_LE(queries, cycles + 1); // once a cycle, not again in the same one
}

// The TNC takes the connect, but the channel's entry was taken in the meantime: the link is ended at
// once and the caller gets an error, while the entry's owner keeps it.
TEST_F(HostmodeConnect, ALinkWhoseEntryWasTakenMeanwhileIsDisconnectedAndFails) {
    const auto owner = std::make_shared<FakeVerbindung>(std::weak_ptr<TGeraet>{});
    std::atomic<bool> fired{false};
    Start(SmallTnc(1), [&](std::string_view frame) {
        if (frame.find("CDB0XYZ") != std::string_view::npos && !fired.exchange(true)) {
            device_->SetEntry(1, owner);
        }
    });
    const Attempt attempt = Connect("DB0XYZ");
    EXPECT_EQ(attempt.result, TConnectResult::DeviceError);
    EXPECT_EQ(attempt.connection, nullptr);
    EXPECT_TRUE(LastMade()->Released());
    EXPECT_TRUE(WaitFor([&] { return core_->HasCommand("D", 1); }));
    EXPECT_EQ(device_->EntryOf(1), owner);
    device_->SetEntry(1, nullptr);
}

// ---- UI frames ----

TEST_F(HostmodeConnect, UiFrameWithPortOneGoesOutOnChannelZero) {
    Start(SmallTnc());
    const std::string walkedCall = core_->Channel(3).ownCall;
    EXPECT_TRUE(device_->SendUI(Port(1), "BEACON", "DL1AAA-9", "Hallo Welt"));
    ASSERT_TRUE(WaitFor([&] { return !core_->UiFrames().empty(); }));
    EXPECT_EQ(core_->UiFrames().back(), "fm DL1AAA-9 to BEACON: Hallo Welt");
    EXPECT_TRUE(core_->HasCommand("IDL1AAA-9", 0));
    EXPECT_TRUE(core_->HasCommand("C1:BEACON", 0));
    // The idle channels took the UI frame's call with it: they get their own back.
    ASSERT_TRUE(WaitFor([&] { return core_->Channel(3).ownCall == walkedCall; }));
    EXPECT_EQ(core_->Channel(0).ownCall, "DL1AAA");

    EXPECT_TRUE(device_->SendUI(nullptr, "CQ", "DL1AAA", "ohne Port"));
    ASSERT_TRUE(WaitFor([&] { return core_->UiFrames().size() == 2; }));
    EXPECT_TRUE(core_->HasCommand("CCQ", 0));
}

TEST_F(HostmodeConnect, SendUiIsFalseWhenNothingTookTheMessage) {
    TncSimCore core(SmallTnc());
    auto idle = std::make_shared<ConnectDevice>(core);
    EXPECT_FALSE(idle->SendUI(nullptr, "CQ", "DL1AAA", "text")); // never started

    Start(SmallTnc());
    EXPECT_FALSE(device_->SendUI(nullptr, "CQ", "DL1AAA", "")); // nothing to send
    device_->DeInit();
    EXPECT_FALSE(device_->SendUI(nullptr, "CQ", "DL1AAA", "text")); // stopped
    EXPECT_TRUE(core_->UiFrames().empty());
}

// ---- thread messages ----

TEST_F(HostmodeConnect, InitReportAndPactorNotices) {
    TncSimConfig config = SmallPtc();
    core_ = std::make_unique<TncSimCore>(config);
    device_ = std::make_shared<ConnectDevice>(*core_);
    device_->calls = kCalls;
    device_->Parameter().initListe = {"c 5", "T 25", "", " N "};
    device_->Init();
    ASSERT_TRUE(WaitFor([&] { return !device_->Notices().empty(); }));
    ASSERT_NE(device_->GetMonitorFlags() & kMonitorNotices, 0);
    EXPECT_EQ(device_->Notices().front(),
              "[TNC Sim: Init]|  c 5: ignoriert\r  T 25: ok\r  : \r  N: \"10\"\r");
    EXPECT_FALSE(core_->HasCommand("c 5"));

    const Attempt pactor = Connect("DL2XYZ", "DL1AAA", 255);
    ASSERT_EQ(pactor.result, TConnectResult::Connected);
    device_->PactorBreakIn(pactor.connection);
    device_->PactorChangeOver(pactor.connection);
    ASSERT_TRUE(WaitFor([&] { return device_->Notices().size() == 3; }));
    EXPECT_TRUE(core_->HasCommand("%I", 4));
    EXPECT_TRUE(core_->HasCommand("%O", 4));
    EXPECT_EQ(device_->Notices()[1], "[TNC Sim: Pactor BreakIn]|");
    EXPECT_EQ(device_->Notices()[2], "[TNC Sim: Pactor ChangeOver]|");
}

} // namespace
} // namespace quarn::test
