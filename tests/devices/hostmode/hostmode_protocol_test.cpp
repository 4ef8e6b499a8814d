// The host-mode protocol of the device against the simulated TNC in-process: entering host mode, the
// identification, own calls, transactions, a TNC that fell back to terminal mode, leaving host mode.
// The transaction faults, lost bytes and switch retries are in hostmode_tncsim_test.cpp.
#include "TncSimHostmode.h"
#include "devices/MonitorFrameU.h"
#include "foundation/DebOutU.h"
#include "support/Elapsed.h"
#include "tools/tncsim/TncSimCore.h"

#include "TraceLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

TncSimConfig SmallTnc(Identity identity = Identity::Tnc2, bool inHostMode = true) {
    TncSimConfig config = ConfigFor(identity);
    config.channels = 4;
    config.startInHostMode = inHostMode;
    if (config.pactorChannel > 0) {
        config.pactorChannel = 4;
    }
    return config;
}

// The commands the program sent on one channel, in order.
std::vector<std::string> CommandsOn(const TncSimCore& core, int channel) {
    std::vector<std::string> commands;
    for (const ReceivedFrame& frame : core.Received()) {
        if (frame.channel == channel && frame.command) {
            commands.push_back(frame.data);
        }
    }
    return commands;
}

std::vector<std::string> OwnCallCommandsOn(const TncSimCore& core, int channel) {
    std::vector<std::string> commands = CommandsOn(core, channel);
    std::erase_if(commands, [](const std::string& text) { return text.empty() || text[0] != 'I'; });
    return commands;
}

void Start(TncSimHostmode& device, bool* started = nullptr) {
    device.RunOnThread([&](TncSimHostmode& d) {
        const bool ok = d.Hochfahren();
        if (started != nullptr) {
            *started = ok;
        }
    });
}

TEST(HostmodeProtocol, StartInHostModeSendsNoSwitchAndAsksTheVersionFirst) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    bool started = false;
    Start(*device, &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(core.SwitchRequests(), 0);
    const std::vector<ReceivedFrame> frames = core.Received();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(std::tie(frames[0].channel, frames[0].command, frames[0].data),
              std::make_tuple(1, true, std::string("\x01\x01"))); // the host-mode check
    EXPECT_EQ(std::tie(frames[1].channel, frames[1].command, frames[1].data),
              std::make_tuple(0, true, std::string("V")));
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    EXPECT_EQ(device->GetStatusText(), "Bereit");
}

struct PortRow {
    Identity identity;
    std::set<int> ports;                                                 // "#PORTp" known
    std::vector<std::tuple<int, std::string, int, std::string>> entries; // entry, description, number, name
};

TEST(HostmodeProtocol, RadioPortsAreNumberedAndNamedAfterTheDevicesPort) {
    const std::vector<PortRow> rows = {
        {Identity::Tnc2, {0, 1}, {{0, "TNC2 intern", 0, "HM10"}, {1, "TNC2 Port 1", 1, "HM11"}}},
        {Identity::Tnc3, {0, 1}, {{0, "TNC3 intern", 0, "HM10"}, {1, "TNC3 Port 1", 1, "HM11"}}},
        {Identity::PtcII,
         {},
         {{0, "PTC-II DSP", 1, "HM11"}, {1, "PTC-II DSP", 2, "HM12"}, {7, "PTC-II PACTOR", 255, "HM1255"}}},
        {Identity::PtcIIe, {}, {{0, "PTC-IIe ", -1, "HM10"}, {7, "PTC-IIe PACTOR", 255, "HM1255"}}},
    };
    for (const PortRow& row : rows) {
        TncSimConfig config = SmallTnc(row.identity);
        config.ports = row.ports;
        SCOPED_TRACE(config.version);
        TncSimCore core(config);
        auto device = std::make_shared<TncSimHostmode>(core);
        device->Parameter().portNummer = 1;
        Start(*device);
        const auto entries = device->GetFunkKanalEintraege();
        EXPECT_EQ(static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(),
                                                         [](const auto& e) { return e.has_value(); })),
                  row.entries.size());
        for (const auto& [index, description, number, name] : row.entries) {
            ASSERT_TRUE(entries[static_cast<std::size_t>(index)].has_value()) << index;
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->bezeichnung, description);
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->nummer, number);
            EXPECT_EQ(entries[static_cast<std::size_t>(index)]->name, name);
        }
    }
}

TEST(HostmodeProtocol, OwnCallsTooLongForACommandAreSkippedWithATraceLine) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    const std::string longest(253, 'Y'); // "I" + 253 bytes fits a frame, with "-15" it does not
    device->calls = {{std::string(300, 'X'), {0}}, {"A", {0}}, {longest, {0, 15}}};
    TraceLines trace;
    bool started = false;
    Start(*device, &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    EXPECT_EQ(device->EigeneRufzeichen(), (std::vector<std::string>{"A", longest}));
    ASSERT_FALSE(OwnCallCommandsOn(core, 2).empty());
    EXPECT_EQ(OwnCallCommandsOn(core, 2).back(), "I" + longest);
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_TRUE(trace.Contains("FEHLER: Rufzeichen \"" + longest + "-15\""));
}

TEST(HostmodeProtocol, WithoutOwnCallsTheChannelsAreProbedAndY0Sent) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    Start(*device);
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_EQ(CommandsOn(core, 5), std::vector<std::string>{"I"});
    EXPECT_TRUE(core.HasCommand("Y0", 0));
}

TEST(HostmodeProtocol, OwnCallWalkEndsAtTheLastChannelWhenTheTncNeverSaysInvalid) {
    TncSimConfig config = SmallTnc();
    config.everyChannelValid = true;
    TncSimCore core(config);
    auto device = std::make_shared<TncSimHostmode>(core);
    device->calls = {{"A", {0}}};
    int count = 0;
    device->RunOnThread([&](TncSimHostmode& d) {
        d.CommOpen();
        d.EigeneRufzeichenGeaendert();
        count = d.EigeneRufzeichenSetzen(true);
    });
    EXPECT_EQ(count, 255);
    EXPECT_EQ(CommandsOn(core, 255), std::vector<std::string>{"IA"});
    EXPECT_TRUE(core.HasCommand("Y255", 0));
}

TEST(HostmodeProtocol, EmptyOwnCallListSendsNoCallToThePactorChannel) {
    TncSimConfig config = SmallTnc(Identity::PtcII);
    config.pactorChannel = 3;
    TncSimCore core(config);
    auto device = std::make_shared<TncSimHostmode>(core);
    Start(*device);
    ASSERT_EQ(device->GetPactorKanal(), 3);
    EXPECT_EQ(CommandsOn(core, 3), (std::vector<std::string>{"%T", "I"})); // the probes only
}

TEST(HostmodeProtocol, CodeSevenWithoutLengthSkipsTheDataRead) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    TraceLines trace;
    bool ok = true;
    device->RunOnThread([&](TncSimHostmode& d) {
        d.CommOpen();
        core.ReplaceNextReply(std::string("\x00\x07", 2));
        int code = 0;
        std::string text;
        ok = d.Befehl(0, true, code, text, "V");
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(trace.Contains("FEHLER: 6b:"));
    EXPECT_FALSE(trace.Contains("FEHLER: 7"));
}

TEST(HostmodeProtocol, EmptyDataSendsNothingAndSucceeds) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    bool ok = false;
    int code = -1;
    device->RunOnThread([&](TncSimHostmode& d) {
        d.CommOpen();
        std::string text;
        ok = d.Befehl(3, true, code, text, "");
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(core.Received().empty());
}

TEST(HostmodeProtocol, TncBackInTerminalModeIsSwitchedAndTheNextCycleIsAFullCheck) {
    TncSimConfig config = SmallTnc();
    config.echo = false; // an echoed frame would read as a reply of its own
    TncSimCore core(config);
    auto device = std::make_shared<TncSimHostmode>(core);
    int pollAfter = 0;
    std::string version;
    device->RunOnThread([&](TncSimHostmode& d) {
        d.Hochfahren();
        core.FallBackToTerminalMode(); // switched off and on again
        int code = 0;
        d.Sende(0, true, code, version, "V");
        pollAfter = d.GetPollZaehler();
    });
    EXPECT_EQ(version, SmallTnc().version);
    EXPECT_EQ(core.SwitchRequests(), 1);
    EXPECT_EQ(pollAfter, -1);
}

TEST(HostmodeProtocol, StopEndsAResyncThatNeverSucceedsWithinASecond) {
    TncSimConfig config = SmallTnc(Identity::Tnc2, false);
    config.ignoreSwitches = 1000000;
    TncSimCore core(config);
    auto device = std::make_shared<TncSimHostmode>(core);
    device->body = [](TncSimHostmode& d) {
        d.CommOpen();
        d.Resync();
    };
    device->Init();
    ASSERT_TRUE(WaitFor([&] { return core.SwitchRequests() >= 2; }));
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_FALSE(device->HasThread());
}

TEST(HostmodeProtocol, LeavingHostModeSendsDeinitAndSwitchesBack) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    device->Parameter().deinitListe = {" K 1 ", ""};
    device->RunOnThread([](TncSimHostmode& d) {
        d.Hochfahren();
        d.Herunterfahren();
    });
    const std::vector<std::string> all = CommandsOn(core, 0);
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(all.end() - 5, all.end()),
              (std::vector<std::string>{"K 1", "MN", "Z3", "S0", "JHOST0"}));
    EXPECT_FALSE(core.InHostMode());
    EXPECT_FALSE(device->CommIsOpen());
}

TEST(HostmodeProtocol, WholeStartSendsTheInitListAndIsReady) {
    TncSimCore core(SmallTnc());
    auto device = std::make_shared<TncSimHostmode>(core);
    device->Parameter().initListe = {"T 25", "c nicht senden", ""};
    device->Init();
    ASSERT_TRUE(WaitFor([&] { return core.HasCommand("T 25", 0); }, 5000));
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    device->DeInit();
    EXPECT_TRUE(core.HasCommand("U0", 0));
    EXPECT_FALSE(core.HasCommand("c nicht senden"));
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Inaktiv); // stopped
    EXPECT_FALSE(core.InHostMode());                        // left at the stop
}

struct HeaderCase {
    const char* text;
    bool ok;
    int port, kind, seq1, seq2, pollFinal, command, pid, dama;
    const char* from;
    const char* via;
};

TEST(MonitorHeader, ParsesAndRejects) {
    const HeaderCase cases[] = {
        {"1:fm A to B via C ctl I23^ pid F0", true, 1, 1, 2, 3, 1, 0, 0xF0, 0, "A", "C"},
        {"1:fm A to B via C ctl RNR5v", true, 1, 3, 5, 0, 0, 0, 0, 0, "A", "C"},
        {"fm DL1AB to CQ ctl UI+ pid F0 [DAMA]", true, 0, 10, 0, 0, 1, 1, 0xF0, 1, "DL1AB", ""},
        {"fm A to B ctl SABM-", true, 0, 5, 0, 0, 0, 1, 0, 0, "A", ""},
        {"fm A to B ctl RR1 pid 08", true, 0, 2, 1, 0, 0, 0, 8, 0, "A", ""}, // no mark
        {"fm A to B ctl RR", false, 0, 0, 0, 0, 0, 0, 0, 0, "A", ""},        // nothing after the field
        {"fm A to B", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},                // no control field
        {"A to B ctl I00+", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},          // no "fm "
        {"fm A ctl I00+ xx", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},         // no "to "
        {"fm A to B ctl XX+", false, 0, 0, 0, 0, 0, 0, 0, 0, "A", ""},
        {"short", false, 0, 0, 0, 0, 0, 0, 0, 0, "", ""},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.text);
        TMonitorFrame frame;
        const bool ok = MonitorKopfLesen(c.text, 2, frame);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(frame.from, c.from);
        if (!ok) {
            continue;
        }
        EXPECT_EQ(frame.geraet, 2);
        EXPECT_EQ(frame.port, c.port);
        EXPECT_EQ(frame.kind, c.kind);
        EXPECT_EQ(frame.sequence1, c.seq1);
        EXPECT_EQ(frame.sequence2, c.seq2);
        if (std::string_view(c.text).find("RR") == std::string_view::npos) {
            EXPECT_EQ(frame.pollFinal, c.pollFinal);
            EXPECT_EQ(frame.command, c.command);
        }
        EXPECT_EQ(frame.pid, c.pid);
        EXPECT_EQ(frame.dama, c.dama);
        EXPECT_EQ(frame.via, c.via);
    }
}

} // namespace
} // namespace quarn::test
