// The real host-mode device against the simulated TNC: the whole start over a pseudo-terminal with
// the serial kind, and the same start and the fault scenarios in-process.
#include "TncSimHostmode.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "foundation/DebOutU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/Elapsed.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/TncSimCore.h"

#include "TraceLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

const std::vector<TEigenesRufzeichen> kCalls = {{"DL1AAA", {0, 1}}, {"DL9ZZZ", {0}}};

// Own calls for the serial kind, which has none of its own in this build.
class SerialWithCalls : public TGeraetHostmodeSerial {
protected:
    std::vector<TEigenesRufzeichen> EigeneRufzeichenHolen() const override { return kCalls; }
};

// The own calls the walk leaves on channels 0..4 for kCalls.
void ExpectOwnCallWalk(const TncSimCore& core) {
    const std::vector<std::string> expected = {"DL1AAA", "DL1AAA", "DL9ZZZ", "DL1AAA-1", "DL1AAA"};
    for (int channel = 0; channel <= 4; ++channel) {
        EXPECT_EQ(core.Channel(channel).ownCall, expected[static_cast<std::size_t>(channel)]) << channel;
    }
    EXPECT_TRUE(core.HasCommand("IDL9ZZZ", 5)); // refused there: the walk ended
    EXPECT_TRUE(core.HasCommand("Y4", 0));
}

TncSimConfig SmallTnc(Identity identity) {
    TncSimConfig config = ConfigFor(identity);
    config.channels = 4;
    if (config.pactorChannel > 0) {
        config.pactorChannel = 4;
    }
    return config;
}

constexpr const char* kDeviceKey = "\\Software\\Velmoor\\Quarn\\Geraete\\9";

TEST(HostmodeTncSim, WholeStartOfTheSerialKindOnAPseudoTerminal) {
    TncSimCore core(SmallTnc(Identity::Tnc3));
    PtySim pty(core);
    RegistryStore& store = RegistryStore::Instance();
    store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM6", pty.SlavePath());
    store.WriteDWord(Hive::LocalMachine, kDeviceKey, "Anschluss", 6);
    store.WriteDWord(Hive::LocalMachine, kDeviceKey, "Baudrate", 19200);
    store.WriteBinary(Hive::LocalMachine, kDeviceKey, "Init", std::string("T 25\0K 1\0", 10));

    auto device = std::make_shared<SerialWithCalls>();
    device->SetRegistryKey(kDeviceKey);
    device->Init();
    ASSERT_TRUE(
        WaitFor([&] { return core.HasCommand("K 1") && device->GetStatus() == TGeraetStatus::Bereit; }));
    EXPECT_EQ(device->GetStatusText(), "Bereit");
    EXPECT_EQ(device->GetStatusDetail(), "COM6, 19200");
    EXPECT_EQ(core.SwitchRequests(), 1); // it was in terminal mode
    EXPECT_EQ(device->GetGeraeteKlasse(), "TNC3");
    EXPECT_TRUE(device->GetFrackSkaliert());
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_TRUE(device->GetExtended());
    EXPECT_TRUE(core.HasCommand("V", 0));
    EXPECT_TRUE(core.HasCommand("U0", 0));
    EXPECT_TRUE(core.HasCommand("T 25", 0));
    const auto entries = device->GetFunkKanalEintraege();
    ASSERT_TRUE(entries[1].has_value());
    EXPECT_EQ(entries[1]->bezeichnung, "TNC3 Port 1");
    ExpectOwnCallWalk(core);

    auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    ASSERT_TRUE(WaitFor([&] { return !core.InHostMode(); }, 2000));
    EXPECT_TRUE(core.HasCommand("JHOST0", 0));

    // Started again: the port opens anew, the TNC is switched once more.
    device->Init();
    ASSERT_TRUE(WaitFor(
        [&] { return core.CountCommand("K 1") == 2 && device->GetStatus() == TGeraetStatus::Bereit; }));
    EXPECT_EQ(core.SwitchRequests(), 2);
    start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    store.DeleteKey(Hive::LocalMachine, kDeviceKey);
}

TEST(HostmodeTncSim, SerialKindFindsATncLeftInHostModeByAnotherClient) {
    TncSimConfig config = SmallTnc(Identity::Tnc2);
    config.startInHostMode = true;
    TncSimCore core(config);
    PtySim pty(core);
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM7", pty.SlavePath());
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(7);
    device->Init();
    ASSERT_TRUE(
        WaitFor([&] { return device->GetStatus() == TGeraetStatus::Bereit && core.HasCommand("U0"); }));
    EXPECT_EQ(core.SwitchRequests(), 0);
    EXPECT_EQ(device->GetGeraeteKlasse(), "TNC2");
    EXPECT_TRUE(core.HasCommand("I", 5)); // no own calls: the channels were probed
    EXPECT_TRUE(core.HasCommand("Y0", 0));
    device->DeInit();
}

// ---- in-process ----

class SimDeviceTest : public ::testing::Test {
protected:
    static void Start(TncSimHostmode& device, bool& started) {
        device.RunOnThread([&](TncSimHostmode& d) { started = d.Hochfahren(); });
    }
};

TEST_F(SimDeviceTest, WholeStartInProcess) {
    TncSimCore core(SmallTnc(Identity::Tnc2));
    auto device = std::make_shared<TncSimHostmode>(core);
    device->calls = kCalls;
    device->Parameter().initListe = {"T 25"};
    device->Init();
    ASSERT_TRUE(
        WaitFor([&] { return device->GetStatus() == TGeraetStatus::Bereit && core.HasCommand("T 25"); }));
    EXPECT_EQ(device->GetStatusText(), "Bereit");
    EXPECT_EQ(device->GetGeraeteKlasse(), "TNC2");
    ExpectOwnCallWalk(core);
    device->DeInit();
    EXPECT_FALSE(core.InHostMode());
    EXPECT_TRUE(core.HasCommand("S0", 0));
}

TEST_F(SimDeviceTest, StartWithIgnoredSwitchRequests) {
    for (int ignored = 0; ignored <= 3; ++ignored) {
        SCOPED_TRACE(ignored);
        TncSimConfig config = SmallTnc(Identity::Tnc2);
        config.ignoreSwitches = ignored;
        TncSimCore core(config);
        auto device = std::make_shared<TncSimHostmode>(core);
        bool started = false;
        Start(*device, started);
        EXPECT_TRUE(started);
        EXPECT_EQ(core.SwitchRequests(), ignored + 1);
        EXPECT_EQ(device->GetFehlerZaehler(), ignored == 3 ? 1 : 0); // the fourth needs a resync
        EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    }
}

TEST_F(SimDeviceTest, ATncThatNeverRefusesAChannelIsServedUpTo255) {
    for (const bool withCalls : {false, true}) {
        SCOPED_TRACE(withCalls ? "own-call walk" : "channel probe");
        TncSimConfig config = SmallTnc(Identity::Tnc2);
        config.everyChannelValid = true;
        TncSimCore core(config);
        auto device = std::make_shared<TncSimHostmode>(core);
        if (withCalls) {
            device->calls = kCalls;
        }
        bool started = false;
        Start(*device, started);
        ASSERT_TRUE(started);
        EXPECT_EQ(device->GetKanalAnzahl(), 255);
        if (withCalls) {
            // A, A, B, A-1, A, B, ... : the list runs round until the last channel, once.
            EXPECT_EQ(core.Channel(255).ownCall, "DL1AAA-1");
            EXPECT_EQ(core.CountCommand("IDL1AAA", 1), 1);
        } else {
            EXPECT_EQ(core.CountCommand("I", 255), 1);
            EXPECT_EQ(core.CountCommand("I", 1), 1);
        }
    }
}

struct IdentityRow {
    Identity identity;
    const char* klasse;
    bool frackScaled;
    int pactorChannel;
    std::vector<std::pair<int, std::string>> ports; // entry, description
};

TEST_F(SimDeviceTest, IdentificationTable) {
    const std::vector<IdentityRow> rows = {
        {Identity::Tnc2, "TNC2", false, -1, {{0, "TNC2"}}},
        {Identity::Tnc3, "TNC3", true, -1, {{0, "TNC3 intern"}, {1, "TNC3 Port 1"}}},
        {Identity::PtcII, "PTC-II", true, 4, {{0, "PTC-II DSP"}, {1, "PTC-II DSP"}, {7, "PTC-II PACTOR"}}},
        {Identity::PtcIIe, "PTC-IIe", true, 4, {{0, "PTC-IIe "}, {7, "PTC-IIe PACTOR"}}},
        {Identity::TfLinux, "Hostmode", false, -1, {{0, "Hostmode"}}},
    };
    for (const IdentityRow& row : rows) {
        SCOPED_TRACE(row.klasse);
        TncSimCore core(SmallTnc(row.identity));
        auto device = std::make_shared<TncSimHostmode>(core);
        bool started = false;
        Start(*device, started);
        ASSERT_TRUE(started);
        EXPECT_EQ(device->GetGeraeteKlasse(), row.klasse);
        EXPECT_EQ(device->GetFrackSkaliert(), row.frackScaled);
        EXPECT_EQ(device->GetPactorKanal(), row.pactorChannel);
        const auto entries = device->GetFunkKanalEintraege();
        EXPECT_EQ(static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                         [](const auto& e) { return e.has_value(); })),
                  row.ports.size());
        for (const auto& [index, description] : row.ports) {
            ASSERT_TRUE(entries[static_cast<std::size_t>(index)].has_value()) << index;
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->bezeichnung, description);
        }
    }
}

struct FaultRow {
    const char* id;
    std::function<void(TncSimCore&, SimTransport&)> arm;
    int channel;
    std::string command;
};

TEST_F(SimDeviceTest, TransactionFaultsAreNamedAndResynchronised) {
    const std::vector<FaultRow> rows = {
        {"1a", [](TncSimCore&, SimTransport& t) { t.FailNextWrites(1); }, 0, "V"},
        {"2a", [](TncSimCore&, SimTransport& t) { t.FailNextWrites(2); }, 0, "V"},
        {"3b", [](TncSimCore& c, SimTransport&) { c.DropNextReply(); }, 0, "V"},
        {"4b", [](TncSimCore& c, SimTransport&) { c.CutNextReply(1); }, 0, "V"},
        {"5b", [](TncSimCore& c, SimTransport&) { c.CutNextReply(4); }, 0, "V"},
        {"5c",
         [](TncSimCore& c, SimTransport&) {
             c.ReplaceNextReply(std::string("\x00\x01", 2) + std::string(300, 'a'));
         },
         0, "V"},
        {"8", [](TncSimCore& c, SimTransport&) { c.WrongCodeNextReply(9); }, 0, "V"},
        {"6b", [](TncSimCore& c, SimTransport&) { c.CutNextReply(2); }, 1, "G"},
        {"7b", [](TncSimCore& c, SimTransport&) { c.CutNextReply(5); }, 1, "G"},
    };
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.id);
        TncSimConfig config = SmallTnc(Identity::Tnc2);
        config.startInHostMode = true;
        TncSimCore core(config);
        ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
        core.Take(); // nothing yet; the connect text waits for the poll
        core.Feed(std::string("\x01\x01\x00G", 4));
        core.Take();
        ASSERT_TRUE(core.RemoteData(1, "0123456789"));
        ASSERT_TRUE(core.RemoteData(1, "0123456789"));
        auto device = std::make_shared<TncSimHostmode>(core);
        TraceLines trace;
        bool sent = false;
        int code = -1;
        std::string text;
        device->RunOnThread([&](TncSimHostmode& d) {
            d.CommOpen();
            row.arm(core, d.Transport());
            sent = d.Sende(row.channel, true, code, text, row.command);
        });
        EXPECT_TRUE(sent);
        EXPECT_TRUE(trace.Contains(std::string("FEHLER: ") + row.id + ":"));
        EXPECT_EQ(device->GetFehlerZaehler(), 1);
        EXPECT_EQ(device->GetStatusText(), "Bereit - 1 Fehler");
        if (row.command == "V") {
            EXPECT_EQ(text, "TNC2 Host Firmware 2.7");
        } else {
            EXPECT_EQ(code, 7);
            EXPECT_EQ(text, "0123456789"); // the second frame, after the resync
        }
    }
}

TEST_F(SimDeviceTest, ChatteringTerminalModeDoesNotHoldTheHostModeCheck) {
    TncSimConfig config = SmallTnc(Identity::Tnc2);
    config.chatter = true;
    TncSimCore core(config);
    auto device = std::make_shared<TncSimHostmode>(core);
    bool inHostMode = true;
    const auto start = std::chrono::steady_clock::now();
    device->RunOnThread([&](TncSimHostmode& d) {
        d.CommOpen();
        inHostMode = d.PruefeHostmode();
    });
    EXPECT_FALSE(inHostMode);
    EXPECT_LT(msSince(start), 3500);
}

TEST_F(SimDeviceTest, RecoversFromLostBytes) {
    for (std::size_t lost = 1; lost <= 5; ++lost) {
        SCOPED_TRACE(lost);
        TncSimConfig config = SmallTnc(Identity::Tnc2);
        config.startInHostMode = true;
        TncSimCore core(config);
        auto device = std::make_shared<TncSimHostmode>(core);
        bool sent = false;
        int code = -1;
        std::string text;
        device->RunOnThread([&](TncSimHostmode& d) {
            d.CommOpen();
            core.LoseInput(lost);
            sent = d.Sende(0, true, code, text, "V");
        });
        EXPECT_TRUE(sent);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(text, "TNC2 Host Firmware 2.7");
        EXPECT_GE(device->GetFehlerZaehler(), 1);
        EXPECT_EQ(core.SwitchRequests(), 0); // the frame was filled, host mode never left
    }
}

std::string Hex(std::string_view bytes) {
    std::string hex;
    for (const unsigned char c : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x ", c);
        hex += digits;
    }
    return hex;
}

// Frames the device means to send are host-mode checks or printable commands. The first frame the TNC
// takes is the one a previous client began, filled up by the device's check bytes.
void ExpectNoStrayFrame(const std::vector<ReceivedFrame>& frames) {
    const auto printable = [](const std::string& data) {
        return std::all_of(data.begin(), data.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
    };
    for (std::size_t i = 1; i < frames.size(); ++i) {
        const ReceivedFrame& f = frames[i];
        const bool check = f.channel == 1 && f.command && f.data == "\x01\x01";
        EXPECT_TRUE(check || (f.command && printable(f.data)))
            << "frame " << i << " on channel " << f.channel << (f.command ? " command " : " information ")
            << Hex(f.data);
    }
}

TEST_F(SimDeviceTest, StartAfterAFrameLeftHalfSentIdentifiesTheTncAndSendsNoStrayFrame) {
    const std::vector<std::string> frames = {
        std::string("\x00\x01\x05#PORT1", 9), // a command on channel 0
        std::string("\x01\x01\x05L 1234", 9), // a command on channel 1, like the check's own frame
    };
    for (const std::string& frame : frames) {
        for (std::size_t left = 1; left <= 5; ++left) {
            SCOPED_TRACE(Hex(frame.substr(0, left)));
            TncSimConfig config = SmallTnc(Identity::Tnc3);
            config.startInHostMode = true;
            TncSimCore core(config);
            core.Feed(frame.substr(0, left));
            auto device = std::make_shared<TncSimHostmode>(core);
            TraceLines trace;
            bool started = false;
            Start(*device, started);
            EXPECT_TRUE(started);
            EXPECT_TRUE(trace.Contains("Version: TNC3 TURBO-FIRMWARE 2.7"));
            EXPECT_EQ(device->GetGeraeteKlasse(), "TNC3");
            std::vector<std::string> ports;
            for (const auto& entry : device->GetFunkKanalEintraege()) {
                ports.push_back(entry ? entry->bezeichnung : "");
            }
            EXPECT_EQ(ports,
                      (std::vector<std::string>{"TNC3 intern", "TNC3 Port 1", "", "", "", "", "", ""}));
            EXPECT_EQ(device->GetKanalAnzahl(), 4);
            EXPECT_EQ(core.SwitchRequests(), 0);
            ExpectNoStrayFrame(core.Received());
        }
    }
}

TEST_F(SimDeviceTest, SilentTncThatComesBackInTerminalMode) {
    TncSimConfig config = SmallTnc(Identity::Tnc2);
    config.startInHostMode = true;
    TncSimCore core(config);
    auto device = std::make_shared<TncSimHostmode>(core);
    std::atomic<bool> sent{false};
    int code = -1;
    std::string text;
    core.SetSilent(true);
    device->body = [&](TncSimHostmode& d) {
        d.CommOpen();
        sent = d.Sende(0, true, code, text, "V");
    };
    device->Init();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(sent);
    core.FallBackToTerminalMode(); // a power cycle
    core.SetSilent(false);
    device->WaitEnded(5000);
    device->DeInit();
    EXPECT_TRUE(sent);
    EXPECT_EQ(text, "TNC2 Host Firmware 2.7");
    EXPECT_EQ(core.SwitchRequests(), 1);
    EXPECT_TRUE(core.InHostMode());
}

TEST_F(SimDeviceTest, StopsWithinASecondWhileTheTncIsSilent) {
    for (SimTiming timing : {SimTiming::Instant, SimTiming::Real}) {
        TncSimConfig config = SmallTnc(Identity::Tnc2);
        TncSimCore core(config);
        core.SetSilent(true);
        auto device = std::make_shared<TncSimHostmode>(core, timing);
        device->Init();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const auto start = std::chrono::steady_clock::now();
        device->DeInit();
        EXPECT_LT(msSince(start), 1000);
        EXPECT_FALSE(device->HasThread());
    }
}

} // namespace
} // namespace quarn::test
