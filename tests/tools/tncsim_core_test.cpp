// The simulated host-mode TNC as a byte machine: replays of recorded traces, the command table,
// terminal mode, links on the air, the monitor, faults, and its two adapters.
#include "HostFrames.h"
#include "PtyPort.h"
#include "TraceReplay.h"
#include "support/ManualClock.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimTransport.h"
#include "tools/tncsim/TncSimCore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

class TncSimTest : public ::testing::Test {
protected:
    ManualClock clock{0};

    // Feeds the program's side of `exchanges` (but those in `skip`) and compares the TNC's side.
    void Replay(TncSimCore& core, const std::vector<TraceExchange>& exchanges,
                const std::set<std::size_t>& skip = {}, const std::function<void(std::size_t)>& before = {}) {
        for (std::size_t i = 0; i < exchanges.size(); ++i) {
            if (skip.count(i) > 0) {
                continue;
            }
            if (before) {
                before(i);
            }
            core.Feed(exchanges[i].sent);
            EXPECT_EQ(Hex(core.Take()), Hex(exchanges[i].answer))
                << "exchange " << i << ": " << Hex(exchanges[i].sent);
        }
    }

    std::vector<TraceExchange> Trace(const std::string& name) {
        auto exchanges = LoadTrace(name);
        if (exchanges.empty()) {
            ADD_FAILURE() << "trace missing: " << (HostmodeTraceDir() / name).string();
        }
        return exchanges;
    }
};

// ---- replays of the recordings ----

TEST_F(TncSimTest, ReplaysOfSingleClientTraces) {
    {
        SCOPED_TRACE("disconnect_idle_channel");
        TncSimCore core(HostConfig(), &clock);
        Replay(core, Trace("disconnect_idle_channel"));
    }
    {
        SCOPED_TRACE("jhost0_roundtrip: acknowledged, then terminal mode with echo, then host mode again");
        TncSimCore core(HostConfig(), &clock);
        Replay(core, Trace("jhost0_roundtrip"));
        EXPECT_TRUE(core.InHostMode());
        EXPECT_EQ(core.SwitchRequests(), 1);
    }
    {
        SCOPED_TRACE("unproto_ui_monitor: own UI frame monitored as code 5 and code 6");
        TncSimConfig config = HostConfig();
        config.ownCall = "DL1AAA";
        TncSimCore core(config, &clock);
        ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
        Replay(core, Trace("unproto_ui_monitor"));
        EXPECT_EQ(core.UnprotoDestination(), "CQ");
        EXPECT_EQ(core.UiFrames(), std::vector<std::string>{"fm DL1AAA to CQ: UI test\r"});
    }
    {
        SCOPED_TRACE("link_failure: every retry of FRACK passes before the failure");
        TncSimConfig config = HostConfig();
        config.outcomes["NOCALL"] = ConnectOutcome::LinkFailure; // nobody answers
        TncSimCore core(config, &clock);
        const auto exchanges = Trace("link_failure");
        ASSERT_GE(exchanges.size(), 3u);
        const std::size_t failurePoll = exchanges.size() - 2;
        Replay(core, exchanges, {}, [&](std::size_t i) {
            // "N 2" and "F 100" (100 ms units): three tries of ten seconds.
            clock.Advance(i == failurePoll ? 30000 : 1);
        });
    }
}

TEST_F(TncSimTest, ReplaysOfTheTwoClientTraces) {
    {
        SCOPED_TRACE("connect_twice, the connecting side");
        TncSimConfig config = HostConfig();
        config.ownCall = "DL1AAA";
        TncSimCore core(config, &clock);
        Replay(core, Trace("connect_twice"), {2});
    }
    {
        SCOPED_TRACE("connect_twice, the connected side");
        TncSimCore core(HostConfig(), &clock);
        ASSERT_TRUE(core.IncomingConnect(1, "DL1AAA"));
        const auto exchanges = Trace("connect_twice");
        std::set<std::size_t> others;
        for (std::size_t i = 0; i < exchanges.size(); ++i) {
            if (i != 2) {
                others.insert(i);
            }
        }
        Replay(core, exchanges, others);
    }
    {
        SCOPED_TRACE("g0_g1_variants, the connecting side");
        TncSimCore core(HostConfig(), &clock);
        Replay(core, Trace("g0_g1_variants"), {1, 3, 4, 5});
    }
    {
        SCOPED_TRACE("g0_g1_variants, the connected side: G1 status only, G0 data only");
        TncSimCore core(HostConfig(), &clock);
        ASSERT_TRUE(core.IncomingConnect(1, "DL1AAA"));
        Replay(core, Trace("g0_g1_variants"), {0, 2, 6}, [&](std::size_t i) {
            if (i == 3) {
                core.RemoteData(1, "x\r");
            }
        });
    }
    {
        SCOPED_TRACE("timestamp_K1, the side with K 1");
        TncSimCore core(HostConfig(), &clock);
        Ask(core, 0, "K 1");
        clock.Set(26 * 60'000 + 52'000);
        Ask(core, 1, "C DL2BBB");
        clock.Set(26 * 60'000 + 55'000);
        Replay(core, Trace("timestamp_K1"), {4});
    }
}

TEST_F(TncSimTest, FloodOfFramesFillsTheBuffersAndTheCounts) {
    const auto exchanges = Trace("flood_busy");
    ASSERT_GT(exchanges.size(), 3u);
    TncSimCore core(HostConfig(), &clock);
    ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    Ask(core, 1, "G");
    // The frames are taken as fast as they come; the closing "@B" and "L" depend on the air's pace.
    Replay(core, std::vector<TraceExchange>(exchanges.begin(), exchanges.end() - 2));
    EXPECT_EQ(core.Channel(1).unsent, 400);
    EXPECT_EQ(Ask(core, 0, "@B"), Answer(0, 1, std::to_string(8184 - 10 * 400)));
    clock.Advance(100);
    EXPECT_EQ(Ask(core, 1, "L"), Answer(1, 1, "0 0 393 7 1 4")); // one window in flight
    core.SetRemoteBusy(1, true);
    clock.Advance(1000);
    EXPECT_EQ(Ask(core, 1, "L"), Answer(1, 1, "0 0 393 7 1 8"));
    core.SetRemoteBusy(1, false);
    clock.Advance(100 * 56);
    EXPECT_EQ(Ask(core, 1, "L"), Answer(1, 1, "0 0 1 7 1 4"));
    clock.Advance(100);
    EXPECT_EQ(Ask(core, 1, "L"), Answer(1, 1, "0 0 0 1 1 4"));
    clock.Advance(100);
    EXPECT_EQ(Ask(core, 1, "L"), Answer(1, 1, "0 0 0 0 0 4"));
    EXPECT_EQ(Ask(core, 1, "@B"), Answer(1, 1, "8184"));
}

// ---- the command table ----

struct CommandCase {
    const char* name;
    int channel;
    bool command;
    std::string data;
    std::string expected;
};

TEST_F(TncSimTest, CommandTable) {
    const std::vector<CommandCase> cases = {
        {"host-mode check", 1, true, "\x01\x01", Answer(1, 2, "INVALID COMMAND: \x01")},
        {"unknown command", 3, true, "?", Answer(3, 2, "INVALID COMMAND: ?")},
        {"unknown command in lower case", 0, true, "jx", Answer(0, 2, "INVALID COMMAND: J")},
        {"channel above the last", 11, true, "G", Answer(11, 2, "INVALID CHANNEL NUMBER")},
        {"information above the last", 11, false, "x", Answer(11, 2, "INVALID CHANNEL NUMBER")},
        {"extended poll, nothing pending", 255, true, "G", Answer(255, 1, "")},
        {"version", 0, true, "V", Answer(0, 1, "TNC2 Host Firmware 2.7")},
        {"counts of channel 0", 0, true, "L", Answer(0, 1, "0 0")},
        {"counts of a free channel", 4, true, "L", Answer(4, 1, "0 0 0 0 0 0")},
        {"free buffers", 2, true, "@B", Answer(2, 1, "8184")},
        {"own call asked", 3, true, "I", Answer(3, 1, "NOCALL")},
        {"own call set", 3, true, "IDL1AAA", Answer(3, 0)},
        {"own call set, blank", 3, true, "I DL1AAA-2", Answer(3, 0)},
        {"C query on a free channel", 1, true, "C", Answer(1, 1, "CHANNEL NOT CONNECTED")},
        {"D on a free channel", 1, true, "D", Answer(1, 1, "CHANNEL NOT CONNECTED")},
        {"information on a free channel: taken, dropped", 2, false, "hello", Answer(2, 0)},
        {"unproto destination", 0, true, "C 1:CQ via DB0AA", Answer(0, 0)},
        {"UI frame", 0, false, "text", Answer(0, 0)},
        {"poll with nothing", 5, true, "G", Answer(5, 0)},
        {"parameter set", 0, true, "T 25", Answer(0, 0)},
        {"parameter asked", 0, true, "T", Answer(0, 1, "0")},
        {"monitor off", 0, true, "MN", Answer(0, 0)},
        {"incoming limit", 0, true, "Y4", Answer(0, 0)},
        {"maxframe", 1, true, "O", Answer(1, 1, "7")},
        {"frack in 100 ms units", 1, true, "F", Answer(1, 1, "40")},
        {"no ports on a TNC2", 0, true, "#PORT1", Answer(0, 2, "INVALID COMMAND: #")},
        {"no PTC commands on a TNC2", 0, true, "%B", Answer(0, 2, "INVALID COMMAND: %")},
        {"JHOST with another number", 0, true, "JHOST2", Answer(0, 2, "INVALID COMMAND: J")},
        {"JHOST1 in host mode", 0, true, "JHOST1", Answer(0, 0)},
        {"JHOST 1 in host mode", 0, true, "JHOST 1", Answer(0, 0)},
        {"leaving host mode", 0, true, "JHOST0", Answer(0, 0)},
        {"leaving host mode, blank", 0, true, "jhost 0", Answer(0, 0)},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        TncSimCore core(HostConfig(), &clock);
        EXPECT_EQ(Hex(Ask(core, c.channel, c.data, c.command)), Hex(c.expected));
        const auto received = core.Received();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].channel, c.channel);
        EXPECT_EQ(received[0].command, c.command);
        EXPECT_EQ(received[0].data, c.data);
    }
}

TEST_F(TncSimTest, ExtendedPollOffMakesChannel255Invalid) {
    TncSimConfig config = HostConfig();
    config.extendedPoll = false;
    TncSimCore core(config, &clock);
    EXPECT_EQ(Ask(core, 255, "G"), Answer(255, 2, "INVALID CHANNEL NUMBER"));
}

struct IdentityCase {
    Identity identity;
    std::vector<std::tuple<int, std::string, std::string>> asks; // channel, command, reply
};

TEST_F(TncSimTest, IdentityTable) {
    const std::vector<IdentityCase> cases = {
        {Identity::Tnc2, {{0, "#PORT0", Answer(0, 2, "INVALID COMMAND: #")}, {1, "F", Answer(1, 1, "40")}}},
        {Identity::TfLinux,
         {{0, "V", Answer(0, 1, "TF2.7b/Linux 1.0")},
          {0, "#PORT0", Answer(0, 2, "INVALID COMMAND: #")},
          {0, "%B", Answer(0, 2, "INVALID COMMAND: %")},
          {1, "F", Answer(1, 1, "40")}}},
        {Identity::Tnc3,
         {{0, "V", Answer(0, 1, "TNC3 TURBO-FIRMWARE 2.7")},
          {0, "#PORT0", Answer(0, 0)},
          {0, "#PORT1", Answer(0, 0)},
          {0, "#PORT2", Answer(0, 2, "INVALID PORT")},
          {1, "F", Answer(1, 1, "400")}}},
        {Identity::PtcII,
         {{0, "V", Answer(0, 1, "PTC-II DSP Firmware 3.8")},
          {0, "%P9", Answer(0, 2, "INVALID PORT NUMBER")},
          {0, "%P1", Answer(0, 0)},
          {0, "%P2", Answer(0, 0)},
          {0, "%P3", Answer(0, 2, "INVALID PORT NUMBER")},
          {0, "%B", Answer(0, 1, "Modem\rsettings: SCS - DSP\r")},
          {1, "%T", Answer(1, 0)},
          {10, "%T", Answer(10, 1, "PACTOR")},
          {11, "%T", Answer(11, 2, "INVALID CHANNEL NUMBER")},
          {10, "%I", Answer(10, 0)}}},
        {Identity::PtcIIe, {{0, "%P9", Answer(0, 0)}, {0, "%B", Answer(0, 1, "NO MODEM")}}},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.identity));
        TncSimCore core(HostConfig(ConfigFor(c.identity)), &clock);
        for (const auto& [channel, data, reply] : c.asks) {
            EXPECT_EQ(Hex(Ask(core, channel, data)), Hex(reply)) << data;
        }
    }
}

TEST_F(TncSimTest, PactorChannelAboveTheLastIsStillFoundByPercentT) {
    TncSimConfig config = HostConfig(ConfigFor(Identity::PtcII));
    config.channels = 4;
    config.pactorChannel = 31;
    TncSimCore core(config, &clock);
    EXPECT_EQ(Ask(core, 5, "%T"), Answer(5, 0));
    EXPECT_EQ(Ask(core, 31, "%T"), Answer(31, 1, "PACTOR"));
    EXPECT_EQ(Ask(core, 5, "I"), Answer(5, 2, "INVALID CHANNEL NUMBER"));
}

// ---- terminal mode ----

TEST_F(TncSimTest, TerminalModeSwitchesOnJhost1AfterTheIgnoredRequests) {
    const std::string request("\x11\x18\x1bJHOST1\r", 10);
    for (int ignored = 0; ignored <= 3; ++ignored) {
        SCOPED_TRACE(ignored);
        TncSimConfig config;
        config.ignoreSwitches = ignored;
        TncSimCore core(config, &clock);
        for (int attempt = 0; attempt < ignored; ++attempt) {
            core.Feed(request);
            EXPECT_FALSE(core.InHostMode());
        }
        core.Feed(request);
        EXPECT_TRUE(core.InHostMode());
        EXPECT_EQ(core.SwitchRequests(), ignored + 1);
    }
}

TEST_F(TncSimTest, TerminalModeLineEditing) {
    struct Case {
        const char* name;
        std::string input;
        bool hostMode;
    };
    const std::vector<Case> cases = {
        {"lower case", "\x1bjhost1\r", true},
        {"blank before the digit, as terminal programs send it", "\x11\x18\x1bJHOST 1\r", true},
        {"blanks before the digit, lower case", "\x1bjhost  1\r", true},
        {"no digit", "\x1bJHOST \r", false},
        {"more after the digit", "\x1bJHOST 1 2\r", false},
        {"XON inside the line", "\x1bJHO\x11ST1\r", true},
        {"CAN clears the line", "\x1bJHOST1\x18\r", false},
        {"without ESC", "JHOST1\r", false},
        {"another command", "\x1bJHOST0\r", false},
        {"host-mode check", std::string("\x01\x01\x01\x01\x01", 5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TncSimCore core({}, &clock);
        core.Feed(c.input);
        EXPECT_EQ(core.InHostMode(), c.hostMode);
    }
}

TEST_F(TncSimTest, TerminalModeEchoChatterAndQuietProbe) {
    {
        TncSimCore core({}, &clock);
        core.Feed("\x01");
        EXPECT_EQ(core.Take(), "\x01"); // a resynchronisation probe reads something back
    }
    {
        TncSimConfig config;
        config.quietSoh = true;
        TncSimCore core(config, &clock);
        core.Feed("\x01\x01");
        EXPECT_EQ(core.Take(), "");
    }
    {
        TncSimConfig config;
        config.echo = false;
        TncSimCore core(config, &clock);
        core.Feed("\x1bJHOST1\r");
        EXPECT_EQ(core.Take(), "");
        EXPECT_TRUE(core.InHostMode());
    }
    {
        TncSimConfig config;
        config.chatter = true;
        TncSimCore core(config, &clock);
        EXPECT_EQ(core.Take(1000).size(), 1000u);
        EXPECT_EQ(core.Take(1000).size(), 1000u); // it never stops
        core.Feed("\x1bJHOST1\r");
        core.Take();
        EXPECT_EQ(core.Take(), ""); // but host mode is quiet
    }
}

// ---- links ----

struct OutcomeCase {
    ConnectOutcome outcome;
    std::string text;
    LinkState after;
};

TEST_F(TncSimTest, ConnectOutcomesAfterTheirDelay) {
    const std::vector<OutcomeCase> cases = {
        {ConnectOutcome::Connected, "(2) CONNECTED to DL2BBB via DB0AA", LinkState::Connected},
        {ConnectOutcome::Busy, "(2) BUSY fm DL2BBB", LinkState::Free},
        {ConnectOutcome::LinkFailure, "(2) LINK FAILURE with DL2BBB", LinkState::Free},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.text);
        TncSimConfig config = HostConfig();
        config.connectDelayMs = 500;
        config.outcomes["DL2BBB"] = c.outcome;
        TncSimCore core(config, &clock);
        EXPECT_EQ(Ask(core, 2, "C 1:dl2bbb  via db0aa"), Answer(2, 0));
        EXPECT_EQ(core.Channel(2).state, LinkState::Setup);
        EXPECT_EQ(Ask(core, 2, "C"), Answer(2, 1, "DL2BBB via DB0AA"));
        EXPECT_EQ(Ask(core, 2, "L"), Answer(2, 1, "0 0 0 0 1 1"));
        EXPECT_EQ(Ask(core, 2, "G"), Answer(2, 0));
        clock.Advance(c.outcome == ConnectOutcome::LinkFailure ? 11 * 4000 : 500);
        EXPECT_EQ(Ask(core, 255, "G"), Answer(255, 1, "\x03"));
        EXPECT_EQ(Ask(core, 2, "L"),
                  Answer(2, 1, c.after == LinkState::Connected ? "1 0 0 0 0 4" : "1 0 0 0 0 0"));
        EXPECT_EQ(Ask(core, 2, "G"), Answer(2, 3, c.text));
        EXPECT_EQ(core.Channel(2).state, c.after);
    }
}

TEST_F(TncSimTest, CQueryAnswerFormsAndSetupOption) {
    TncSimConfig config = HostConfig();
    config.connectedPrefix = "1:";
    config.connectedBlank = true;
    config.setupAnswersTarget = false;
    config.connectDelayMs = 100;
    TncSimCore core(config, &clock);
    Ask(core, 1, "C DL2BBB via DB0AA");
    EXPECT_EQ(Ask(core, 1, "C"), Answer(1, 1, "CHANNEL NOT CONNECTED"));
    clock.Advance(100);
    EXPECT_EQ(Ask(core, 1, "C"), Answer(1, 1, "1: DL2BBB via DB0AA"));
}

TEST_F(TncSimTest, UnprotoDestinationLosesItsPortPrefix) {
    TncSimCore core(HostConfig(), &clock);
    Ask(core, 0, "C 1:cq  VIA db0aa");
    EXPECT_EQ(core.UnprotoDestination(), "CQ via DB0AA");
    EXPECT_EQ(Ask(core, 0, "C"), Answer(0, 1, "CQ via DB0AA"));
}

TEST_F(TncSimTest, PactorAndPacketClash) {
    TncSimConfig config = HostConfig(ConfigFor(Identity::PtcII));
    config.clashChannels = {10};
    TncSimCore core(config, &clock);
    EXPECT_EQ(Ask(core, 10, "C"), Answer(10, 1, "*** SIMULTANEOUS USE OF PACTOR AND PACKET"));
    EXPECT_EQ(Ask(core, 10, "C DL2BBB"), Answer(10, 2, "*** SIMULTANEOUS USE OF PACTOR AND PACKET"));
    EXPECT_EQ(Ask(core, 9, "C"), Answer(9, 1, "CHANNEL NOT CONNECTED"));
}

TEST_F(TncSimTest, DataStaysAheadOfTheDisconnectAndTheChannelIsFreeAfterwards) {
    TncSimCore core(HostConfig(), &clock);
    Ask(core, 0, "Y2");
    EXPECT_TRUE(core.IncomingConnect(3, "DL2BBB via DB0AA"));
    EXPECT_FALSE(core.IncomingConnect(3, "DL3CCC")); // busy channel
    const std::string binary("\x00\xff\x11\x13\x1a", 5);
    EXPECT_TRUE(core.RemoteData(3, binary));
    EXPECT_TRUE(core.RemoteData(3, std::string(300, 'z'))); // two frames
    EXPECT_TRUE(core.RemoteDisconnect(3));
    EXPECT_EQ(Ask(core, 3, "L"), Answer(3, 1, "2 3 0 0 0 0"));
    EXPECT_EQ(Ask(core, 3, "IDL1AAA"), Answer(3, 0)); // free again at once
    EXPECT_EQ(Ask(core, 3, "G"), Answer(3, 3, "(3) CONNECTED to DL2BBB via DB0AA"));
    EXPECT_EQ(Ask(core, 3, "G"), Answer(3, 7, binary));
    EXPECT_EQ(Ask(core, 3, "G"), Answer(3, 7, std::string(256, 'z')));
    EXPECT_EQ(Ask(core, 3, "G"), Answer(3, 7, std::string(44, 'z')));
    EXPECT_EQ(Ask(core, 3, "G"), Answer(3, 3, "(3) DISCONNECTED fm DL2BBB"));
    EXPECT_EQ(Ask(core, 3, "G"), Answer(3, 0));
    EXPECT_FALSE(core.RemoteData(3, "late"));
}

TEST_F(TncSimTest, AirEventsGiveTheirLinkStatusTexts) {
    TncSimCore core(HostConfig(), &clock);
    ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    Ask(core, 1, "G");
    EXPECT_TRUE(core.LinkReset(1, true));
    EXPECT_TRUE(core.LinkReset(1, false));
    EXPECT_TRUE(core.FrameReject(1));
    EXPECT_TRUE(core.ConnectRequestNotice(1, "DL4DDD"));
    EXPECT_TRUE(core.LinkFailure(1));
    EXPECT_FALSE(core.LinkFailure(1));
    for (const char* text :
         {"(1) LINK RESET fm DL2BBB", "(1) LINK RESET to DL2BBB", "(1) FRAME REJECT fm DL2BBB",
          "(1) CONNECT REQUEST fm DL4DDD", "(1) LINK FAILURE with DL2BBB"}) {
        EXPECT_EQ(Ask(core, 1, "G1"), Answer(1, 3, text));
    }
}

TEST_F(TncSimTest, ConnectedChannelRefusesOwnCallAndTheSameStationTwice) {
    TncSimCore core(HostConfig(), &clock);
    Ask(core, 1, "C DL2BBB");
    EXPECT_EQ(Ask(core, 1, "IDL1AAA"), Answer(1, 2, "NOT WHILE CONNECTED"));
    EXPECT_EQ(Ask(core, 2, "C DL2BBB-1"), Answer(2, 0)); // another station
    EXPECT_EQ(Ask(core, 3, "C DL2BBB"), Answer(3, 2, "STATION ALREADY CONNECTED"));
    EXPECT_EQ(Ask(core, 4, "IDL9ZZZ"), Answer(4, 0));
    EXPECT_EQ(Ask(core, 4, "C DL2BBB"), Answer(4, 0)); // from another own call it is a new link
    EXPECT_EQ(Ask(core, 1, "D"), Answer(1, 0));
    EXPECT_EQ(Ask(core, 1, "D"), Answer(1, 1, "CHANNEL NOT CONNECTED")); // no delay: done by the next frame
}

TEST_F(TncSimTest, IncomingConnectsAreLimitedByY) {
    TncSimCore core(HostConfig(), &clock);
    Ask(core, 0, "Y1");
    EXPECT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    EXPECT_FALSE(core.IncomingConnect(2, "DL3CCC"));
    Ask(core, 0, "Y0");
    EXPECT_FALSE(core.IncomingConnect(5, "DL3CCC"));
}

TEST_F(TncSimTest, FramesWaitForAcknowledgementsThatNeverCome) {
    TncSimConfig config = HostConfig();
    config.neverAck = true;
    TncSimCore core(config, &clock);
    core.IncomingConnect(1, "DL2BBB");
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(Ask(core, 1, "data", false), Answer(1, 0));
    }
    clock.Advance(10'000);
    EXPECT_EQ(Ask(core, 1, "L"), Answer(1, 1, "1 0 2 7 1 4"));
    EXPECT_EQ(core.FreeBuffers(), 8184 - 90);
}

// ---- the monitor ----

TEST_F(TncSimTest, MonitorFramesByKindAndTheirFilter) {
    TncSimCore core(HostConfig(), &clock);
    core.Monitor("1:fm DL1AAA to DL2BBB ctl RR3v");
    core.Monitor("1:fm DL1AAA to DL2BBB via DB0AA ctl I23^ pid F0", "hello");
    core.MonitorInfoOnly("orphan");
    EXPECT_EQ(Ask(core, 255, "G"), Answer(255, 1, "\x01"));
    EXPECT_EQ(Ask(core, 0, "L"), Answer(0, 1, "2 2"));
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 4, "1:fm DL1AAA to DL2BBB ctl RR3v"));
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 5, "1:fm DL1AAA to DL2BBB via DB0AA ctl I23^ pid F0"));
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 6, "hello"));
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 6, "orphan"));
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 0));

    Ask(core, 0, "M U");
    core.Monitor("fm A to B ctl SABM+");
    core.Monitor("fm A to B ctl I00^ pid F0", "x");
    core.Monitor("fm A to CQ ctl UI^ pid F0", "beacon");
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 5, "fm A to CQ ctl UI^ pid F0"));
    Ask(core, 0, "G");
    Ask(core, 0, "M-");
    core.Monitor("fm A to CQ ctl UI^ pid F0", "beacon");
    EXPECT_EQ(Ask(core, 0, "G"), Answer(0, 0));
}

// ---- faults ----

TEST_F(TncSimTest, FaultsOfTheNextReply) {
    TncSimCore core(HostConfig(), &clock);
    core.DropNextReply();
    EXPECT_EQ(Ask(core, 0, "V"), "");
    core.CutNextReply(1);
    EXPECT_EQ(Ask(core, 0, "V"), std::string(1, '\0'));
    core.CutNextReply(5);
    EXPECT_EQ(Ask(core, 0, "V"), std::string("\x00\x01TNC", 5));
    core.WrongCodeNextReply(9);
    EXPECT_EQ(Ask(core, 0, "V"), std::string("\x00\x09", 2));
    EXPECT_EQ(Ask(core, 0, "V"), Answer(0, 1, "TNC2 Host Firmware 2.7")); // one shot each
    core.ReplaceNextReply("\x02\x07");
    EXPECT_EQ(Ask(core, 0, "V"), "\x02\x07");
    core.Inject("garbage");
    EXPECT_EQ(core.Take(), "garbage");
}

TEST_F(TncSimTest, LostBytesDesynchroniseUntilProbesFillTheFrame) {
    for (std::size_t lost = 1; lost <= 5; ++lost) {
        SCOPED_TRACE(lost);
        TncSimCore core(HostConfig(), &clock);
        core.LoseInput(lost);
        EXPECT_EQ(Ask(core, 0, "V"), "");
        int probes = 0;
        while (core.Available() == 0 && probes < 300) {
            core.Feed("\x01");
            ++probes;
        }
        EXPECT_LT(probes, 300);
        core.Take();
        // In step again: the host-mode check answers on channel 1.
        core.Feed(std::string(5, '\x01'));
        EXPECT_EQ(core.Take(), Answer(1, 2, "INVALID COMMAND: \x01"));
    }
}

TEST_F(TncSimTest, SilentTncThenTerminalModeAfterAReset) {
    TncSimCore core(HostConfig(), &clock);
    core.SetSilent(true);
    EXPECT_EQ(Ask(core, 0, "V"), "");
    EXPECT_TRUE(core.Received().empty());
    core.SetSilent(false);
    core.FallBackToTerminalMode();
    EXPECT_FALSE(core.InHostMode());
    core.Feed(std::string(5, '\x01'));
    EXPECT_EQ(core.Take(), std::string(5, '\x01')); // echoed, no host-mode answer
    core.Feed("\x11\x18\x1bJHOST1\r");
    core.Take();
    EXPECT_EQ(Ask(core, 0, "L"), Answer(0, 1, "0 0"));
}

// ---- the in-process transport ----

TEST_F(TncSimTest, SimTransportInstantTimeOutsAdvanceTheTestClock) {
    TncSimConfig config = HostConfig();
    config.connectDelayMs = 2000;
    TncSimCore core(config, &clock);
    SimTransport transport(core, SimTiming::Instant, &clock);
    char buffer[64];
    std::size_t count = 0;
    EXPECT_FALSE(transport.Read(buffer, 1, count));
    ASSERT_TRUE(transport.Open());
    const std::string frame = Frame(1, true, "C DL2BBB");
    std::size_t written = 0;
    ASSERT_TRUE(transport.Write(frame.data(), frame.size(), written));
    EXPECT_EQ(written, frame.size());
    ASSERT_TRUE(transport.Read(buffer, 4, count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(clock.NowMs(), 700u); // 500 + 50 per byte asked
    transport.SetFast(true);
    EXPECT_EQ(transport.ReadTimeoutMs(10), 100u);
    for (int i = 0; i < 30 && core.Channel(1).state != LinkState::Connected; ++i) {
        transport.Read(buffer, 1, count);
    }
    EXPECT_EQ(core.Channel(1).state, LinkState::Connected);
    transport.Write("\x00\x01\x00V", 4, written);
    transport.Purge();
    EXPECT_TRUE(transport.Read(buffer, 1, count));
    EXPECT_EQ(count, 0u);
    transport.FailNextWrites(1);
    EXPECT_FALSE(transport.Write("\x00\x01\x00V", 4, written));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(transport.Write("\x00\x01\x00V", 4, written));
    EXPECT_TRUE(transport.Close());
    EXPECT_FALSE(transport.Write("x", 1, written));
    transport.SetOpenFails(true);
    EXPECT_FALSE(transport.Open());
}

TEST_F(TncSimTest, SimTransportRealTimeOutsAndStop) {
    TncSimCore core(HostConfig()); // the process clock
    SimTransport transport(core, SimTiming::Real);
    ASSERT_TRUE(transport.Open());
    transport.SetFast(true);
    char buffer[8];
    std::size_t count = 0;
    auto start = std::chrono::steady_clock::now();
    transport.Read(buffer, 2, count);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_EQ(count, 0u);
    EXPECT_GE(ms, 55);
    EXPECT_LT(ms, 400);

    // Injected bytes wake the reader before its time-out.
    transport.SetFast(false);
    std::thread injector([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        core.Inject("ab");
    });
    start = std::chrono::steady_clock::now();
    transport.Read(buffer, 2, count);
    ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
             .count();
    injector.join();
    EXPECT_EQ(count, 2u);
    EXPECT_LT(ms, 400);

    start = std::chrono::steady_clock::now();
    transport.Read(buffer, 8, count, [] { return true; });
    ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
             .count();
    EXPECT_LT(ms, 100);
}

// ---- the pseudo-terminal ----

TEST_F(TncSimTest, PtySimCarriesEveryByteAndSurvivesReopening) {
    TncSimCore core(HostConfig());
    PtySim pty(core);
    ASSERT_FALSE(pty.SlavePath().empty());
    const std::string binary("\x00\x11\x13\x1a\xff\x0d\x0a", 7);
    {
        PtyPort slave(pty.SlavePath());
        ASSERT_TRUE(slave.ok());
        ASSERT_TRUE(slave.Write(Frame(1, false, "x"))); // not connected: taken and dropped
        EXPECT_EQ(slave.Read(2), Answer(1, 0));
        ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
        core.RemoteData(1, binary);
        ASSERT_TRUE(slave.Write(Frame(1, true, "G0")));
        EXPECT_EQ(Hex(slave.Read(3 + binary.size())), Hex(Answer(1, 7, binary)));
        ASSERT_TRUE(slave.Write(Frame(1, false, binary)));
        EXPECT_EQ(Hex(slave.Read(2)), Hex(Answer(1, 0)));
        EXPECT_EQ(core.Received().back().data, binary);
    }
    // The client went away; the TNC stays in host mode for the next one.
    PtyPort again(pty.SlavePath());
    ASSERT_TRUE(again.ok());
    ASSERT_TRUE(again.Write(std::string(5, '\x01')));
    EXPECT_EQ(again.Read(2 + 19), Answer(1, 2, "INVALID COMMAND: \x01"));
    const auto start = std::chrono::steady_clock::now();
    pty.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(TncSimTest, PtySimPacesItsOutputAtTheBaudRate) {
    TncSimCore core(HostConfig());
    PtySim pty(core, 9600); // 960 bytes a second
    PtyPort slave(pty.SlavePath());
    ASSERT_TRUE(slave.ok());
    core.Inject(std::string(192, 'p'));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(slave.Read(192).size(), 192u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

} // namespace
} // namespace quarn::test
