// The simulated TNC where it must answer as the firmware does: the channel range, the link states of
// "L", "C" on a busy channel, own calls per channel, refused commands, the time of one exchange, and
// the opens of its port.
#include "HostFrames.h"
#include "PtyPort.h"
#include "TraceReplay.h"
#include "support/Elapsed.h"
#include "support/ManualClock.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimTransport.h"
#include "tools/tncsim/TncSimCore.h"
#include "tools/tncsim/TncSimText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;
using namespace std::chrono;

class TncSimFidelityTest : public ::testing::Test {
protected:
    ManualClock clock{0};
};

TEST_F(TncSimFidelityTest, ChannelRangeUpTo255AndAnOptionWithoutInvalidChannels) {
    struct Case {
        const char* name;
        int channels;
        bool everyChannelValid;
        bool extendedPoll;
        int channel;
        std::string expected;
    };
    const std::string invalid = "INVALID CHANNEL NUMBER";
    const std::vector<Case> cases = {
        {"above the last", 10, false, true, 11, Answer(11, 2, invalid)},
        {"254 channels", 254, false, false, 254, Answer(254, 1, "NOCALL")},
        {"254 channels, 255 asked", 254, false, false, 255, Answer(255, 2, invalid)},
        {"255 channels", 255, false, false, 255, Answer(255, 1, "NOCALL")},
        {"more than 255 asked for", 4000, false, false, 255, Answer(255, 1, "NOCALL")},
        {"every channel valid", 4, true, true, 200, Answer(200, 1, "NOCALL")},
        {"every channel valid, the last", 4, true, false, 255, Answer(255, 1, "NOCALL")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TncSimConfig config = HostConfig();
        config.channels = c.channels;
        config.everyChannelValid = c.everyChannelValid;
        config.extendedPoll = c.extendedPoll;
        TncSimCore core(config, &clock);
        EXPECT_EQ(Hex(Ask(core, c.channel, "I")), Hex(c.expected));
    }
    // A probe of the own calls that never hears "INVALID CHANNEL NUMBER"; "G" on 255 stays the
    // extended poll.
    TncSimConfig config = HostConfig();
    config.everyChannelValid = true;
    TncSimCore core(config, &clock);
    for (int channel = 1; channel <= 255; ++channel) {
        ASSERT_EQ(Ask(core, channel, "I")[1], '\x01') << channel;
    }
    EXPECT_TRUE(core.IncomingConnect(254, "DL2BBB"));
    EXPECT_EQ(Hex(Ask(core, 255, "G")), Hex(Answer(255, 1, "\xff")));
}

TEST_F(TncSimFidelityTest, EveryLinkStateCanBeSetForL) {
    TncSimCore core(HostConfig(), &clock);
    ASSERT_TRUE(core.IncomingConnect(2, "DL2BBB"));
    for (int state = 0; state <= 15; ++state) {
        SCOPED_TRACE(state);
        ASSERT_TRUE(core.SetLinkState(2, state));
        EXPECT_EQ(Ask(core, 2, "L"), Answer(2, 1, "1 0 0 0 0 " + std::to_string(state)));
    }
    ASSERT_TRUE(core.SetLinkState(2, -1));
    EXPECT_EQ(Ask(core, 2, "L"), Answer(2, 1, "1 0 0 0 0 4")); // the link's own state again
    EXPECT_FALSE(core.SetLinkState(2, 16));
    EXPECT_FALSE(core.SetLinkState(2, -2));
    EXPECT_FALSE(core.SetLinkState(0, 4));
    EXPECT_FALSE(core.SetLinkState(11, 4));
    // Set on a free channel, it is what "L" says there as well.
    ASSERT_TRUE(core.SetLinkState(5, 12));
    EXPECT_EQ(Ask(core, 5, "L"), Answer(5, 1, "0 0 0 0 0 12"));
}

TEST_F(TncSimFidelityTest, ConnectOnABusyChannel) {
    struct Case {
        const char* name;
        std::function<void(TncSimCore&)> setUp;
        std::string command;
        std::string expected;
        LinkState after;
    };
    const std::string already = "CHANNEL ALREADY CONNECTED";
    const auto connected = [this](TncSimCore& core) { Ask(core, 1, "C DL2BBB via DB0AA"); };
    const auto settingUp = [this](TncSimCore& core) {
        Ask(core, 1, "C DL2BBB");
        Ask(core, 0, "G"); // the connect is due later
    };
    const auto disconnecting = [this](TncSimCore& core) {
        Ask(core, 1, "C DL2BBB");
        clock.Advance(1000);
        Ask(core, 1, "D");
    };
    const std::vector<Case> cases = {
        // As recorded: the same station again on a standing link is taken.
        {"connected, the same station", connected, "C DL2BBB", Answer(1, 0), LinkState::Connected},
        {"connected, the same station with a port", connected, "C 1:dl2bbb", Answer(1, 0),
         LinkState::Connected},
        {"connected, another station", connected, "C DL3CCC", Answer(1, 2, already), LinkState::Connected},
        {"while setting up", settingUp, "C DL2BBB", Answer(1, 2, already), LinkState::Setup},
        {"while disconnecting", disconnecting, "C DL2BBB", Answer(1, 2, already), LinkState::Disconnecting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TncSimConfig config = HostConfig();
        config.connectDelayMs = 500;
        config.disconnectDelayMs = 500;
        TncSimCore core(config, &clock);
        c.setUp(core);
        clock.Advance(c.after == LinkState::Connected ? 500 : 0);
        EXPECT_EQ(Hex(Ask(core, 1, c.command)), Hex(c.expected));
        EXPECT_EQ(core.Channel(1).state, c.after);
        EXPECT_EQ(FirstCall(core.Channel(1).remote), "DL2BBB"); // the standing link is untouched
    }
}

TEST_F(TncSimFidelityTest, OwnCallOfChannelZeroIsTheCallOfEveryChannelWithoutALink) {
    TncSimConfig config = HostConfig();
    config.connectDelayMs = 100;
    config.disconnectDelayMs = 100;
    config.outcomes["DL4BUS"] = ConnectOutcome::Busy;
    config.outcomes["DL5GONE"] = ConnectOutcome::LinkFailure;
    TncSimCore core(config, &clock);
    ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    EXPECT_EQ(Ask(core, 3, "I DL1AAA-3"), Answer(3, 0));
    EXPECT_EQ(Ask(core, 0, "I DL1AAA"), Answer(0, 0));
    EXPECT_EQ(core.Channel(1).ownCall, "NOCALL"); // its link keeps the call it was made with
    for (int channel : {2, 3, 4, 10}) {
        EXPECT_EQ(core.Channel(channel).ownCall, "DL1AAA") << channel;
    }
    EXPECT_EQ(Ask(core, 1, "I DL1AAA-1"), Answer(1, 2, "NOT WHILE CONNECTED"));

    // However a link ends, its channel falls back to channel 0's call.
    struct Ending {
        const char* name;
        std::function<void(int)> end;
    };
    const std::vector<Ending> endings = {
        {"remote disconnect",
         [&](int ch) {
             ASSERT_TRUE(core.IncomingConnect(ch, "DL2BBB-5"));
             core.RemoteDisconnect(ch);
         }},
        {"own disconnect",
         [&](int ch) {
             Ask(core, ch, "C DL6AAA");
             clock.Advance(100);
             Ask(core, ch, "D");
             clock.Advance(100);
         }},
        {"set-up cancelled",
         [&](int ch) {
             Ask(core, ch, "C DL6BBB");
             Ask(core, ch, "D");
             clock.Advance(200);
         }},
        {"busy",
         [&](int ch) {
             Ask(core, ch, "C DL4BUS");
             clock.Advance(100);
         }},
        {"link failure",
         [&](int ch) {
             Ask(core, ch, "C DL5GONE");
             clock.Advance(60'000);
         }},
        {"failure on the air",
         [&](int ch) {
             ASSERT_TRUE(core.IncomingConnect(ch, "DL7CCC"));
             core.LinkFailure(ch);
         }},
    };
    int channel = 4;
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.name);
        ++channel;
        EXPECT_EQ(Ask(core, channel, "I DL1AAA-" + std::to_string(channel)), Answer(channel, 0));
        e.end(channel);
        EXPECT_EQ(Ask(core, channel, "I"), Answer(channel, 1, "DL1AAA"));
        EXPECT_EQ(core.Channel(channel).state, LinkState::Free);
    }
}

TEST_F(TncSimFidelityTest, InformationOnAChannelWithoutALinkIsTakenAndDropped) {
    TncSimCore core(HostConfig(), &clock);
    for (const char* data : {"hello\r", "x"}) {
        EXPECT_EQ(Ask(core, 3, data, false), Answer(3, 0));
    }
    EXPECT_EQ(core.Channel(3).unsent, 0);
    EXPECT_EQ(Ask(core, 3, "L"), Answer(3, 1, "0 0 0 0 0 0"));
    EXPECT_EQ(Ask(core, 0, "@B"), Answer(0, 1, "8184"));
    // A link made later does not send it.
    ASSERT_TRUE(core.IncomingConnect(3, "DL2BBB"));
    clock.Advance(1000);
    EXPECT_EQ(Ask(core, 3, "L"), Answer(3, 1, "1 0 0 0 0 4"));
}

// Single exchanges of the firmware recordings, each in the state it was recorded in: the answers the
// changes above must keep.
TEST_F(TncSimFidelityTest, AnswersAsRecordedFromTheFirmware) {
    struct Case {
        const char* name;
        const char* trace;
        std::size_t exchange;
        std::function<void(TncSimCore&)> setUp;
    };
    const auto connectedTo = [this](const char* path) {
        return [this, path](TncSimCore& core) {
            Ask(core, 1, std::string("C ") + path);
            Ask(core, 1, "G");
        };
    };
    const std::vector<Case> cases = {
        {"C on a connected channel, the same station: taken", "connect_twice", 3, connectedTo("DL2BBB")},
        {"the same station from another channel", "connect_twice", 4, connectedTo("DL2BBB")},
        {"D on a free channel", "disconnect_idle_channel", 0, {}},
        {"C to a station on a free channel", "link_failure", 2, {}},
        {"information on a connected channel", "g0_g1_variants", 2,
         [](TncSimCore& core) { core.IncomingConnect(1, "DL1AAA"); }},
        {"UI frame on channel 0", "unproto_ui_monitor", 3, {}},
        {"L on channel 0 with nothing pending", "jhost0_roundtrip", 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto exchanges = LoadTrace(c.trace);
        ASSERT_GT(exchanges.size(), c.exchange) << c.trace;
        TncSimCore core(HostConfig(), &clock);
        if (c.setUp) {
            c.setUp(core);
        }
        core.Take();
        core.Feed(exchanges[c.exchange].sent);
        EXPECT_EQ(Hex(core.Take()), Hex(exchanges[c.exchange].answer));
    }
}

TEST_F(TncSimFidelityTest, ExchangeTimeIsChargedOncePerFrame) {
    TncSimConfig config = HostConfig();
    config.exchangeDelayMs = 44;
    TncSimCore core(config, &clock);
    EXPECT_EQ(core.ExchangeDelayMs(), 44u);
    SimTransport transport(core, SimTiming::Instant, &clock);
    ASSERT_TRUE(transport.Open());
    const std::string frame = Frame(0, true, "V");
    std::size_t written = 0;
    // As the device writes: the header, then the data.
    ASSERT_TRUE(transport.Write(frame.data(), 3, written));
    EXPECT_EQ(clock.NowMs(), 0u);
    ASSERT_TRUE(transport.Write(frame.data() + 3, frame.size() - 3, written));
    EXPECT_EQ(clock.NowMs(), 44u);
    const std::string two = Frame(1, true, "G") + Frame(2, true, "G");
    ASSERT_TRUE(transport.Write(two.data(), two.size(), written));
    EXPECT_EQ(clock.NowMs(), 44u + 88u);
    EXPECT_EQ(transport.Opens(), 1);
    transport.Close();
    ASSERT_TRUE(transport.Open());
    EXPECT_EQ(transport.Opens(), 2);
}

TEST_F(TncSimFidelityTest, PtySimCountsOpensAndAnswersAfterTheExchangeTime) {
    TncSimConfig config = HostConfig();
    config.exchangeDelayMs = 44;
    TncSimCore core(config); // the process clock
    PtySim pty(core);
    EXPECT_EQ(pty.Opens(), 0);
    for (int i = 0; i < 3; ++i) {
        PtyPort port(pty.SlavePath());
        ASSERT_TRUE(port.ok());
    }
    EXPECT_TRUE(WaitFor([&] { return pty.Opens() == 3; }, 2000)) << pty.Opens();

    PtyPort port(pty.SlavePath());
    ASSERT_TRUE(port.ok());
    const std::string version = Answer(0, 1, "TNC2 Host Firmware 2.7");
    for (int round = 0; round < 2; ++round) {
        const auto start = steady_clock::now();
        ASSERT_TRUE(port.Write(Frame(0, true, "V")));
        EXPECT_EQ(port.Read(version.size()), version);
        EXPECT_GE(steady_clock::now() - start, milliseconds(40));
    }
    EXPECT_TRUE(WaitFor([&] { return pty.Opens() == 4; }, 2000)) << pty.Opens();
}

} // namespace
} // namespace quarn::test
