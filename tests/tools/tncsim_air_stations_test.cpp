// Remote stations and beacons on the simulated air, the firmware recordings replayed with two TNCs on one
// air, and the pty's TNC on the air of its stations.
#include "AirFixture.h"
#include "PtyPort.h"
#include "TraceReplay.h"
#include "support/Elapsed.h"
#include "tools/tncsim/PtySim.h"

#include <algorithm>
#include <chrono>
#include <functional>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

TEST_F(AirTest, EchoAndScriptedStations) {
    std::vector<ScriptStep> script;
    std::string error;
    ASSERT_TRUE(ParseScript("# a mailbox with a login challenge\n"
                            "send DB0XYZ BBS>\\r\n"
                            "expect LOGIN\n"
                            "send Challenge: 4711\\r\n"
                            "expect 0815\n"
                            "send Welcome!\\r\\x00\\xff\n"
                            "\n"
                            "disconnect\n",
                            script, error))
        << error;
    air->AddStation({"DL4ECH", StationBehaviour::Echo, {}, -1, {}});
    air->AddStation({"DB0XYZ", StationBehaviour::Script, script, -1, {}});

    ASSERT_EQ(Ask(*a, 1, "C DL4ECH"), Answer(1, 0));
    air->Run();
    EXPECT_EQ(Statuses(*a, 1), std::vector<std::string>{"(1) CONNECTED to DL4ECH"});
    Send(*a, 1, "hello\rhalf");
    air->Run();
    std::string echoed;
    Statuses(*a, 1, &echoed);
    Send(*a, 1, " a line\r");
    air->Run();
    Statuses(*a, 1, &echoed);
    EXPECT_EQ(echoed, "hello\rhalf a line\r");

    ASSERT_EQ(Ask(*a, 2, "C DB0XYZ"), Answer(2, 0));
    air->Run();
    std::string mailbox;
    EXPECT_EQ(Statuses(*a, 2, &mailbox), std::vector<std::string>{"(2) CONNECTED to DB0XYZ"});
    EXPECT_EQ(mailbox, "DB0XYZ BBS>\r");
    Send(*a, 2, "LOGIN\r");
    air->Run();
    Statuses(*a, 2, &mailbox);
    EXPECT_EQ(mailbox, "DB0XYZ BBS>\rChallenge: 4711\r");
    Send(*a, 2, "0815\r");
    air->Run();
    EXPECT_EQ(Statuses(*a, 2, &mailbox), std::vector<std::string>{"(2) DISCONNECTED fm DB0XYZ"});
    EXPECT_EQ(mailbox, "DB0XYZ BBS>\rChallenge: 4711\rWelcome!\r" + std::string("\0\xff", 2));
}

TEST_F(AirTest, AFloodingStationSendsWithoutPauseWhileLinked) {
    air->AddStation({"DL7FLD", StationBehaviour::Flood, {}, -1, {}});
    ASSERT_EQ(Ask(*a, 1, "C DL7FLD"), Answer(1, 0));
    air->Run();
    std::string flood;
    EXPECT_EQ(Statuses(*a, 1, &flood), std::vector<std::string>{"(1) CONNECTED to DL7FLD"});
    std::size_t lines = 0;
    for (int step = 0; step < 5; ++step) {
        Send(*a, 1, "ignored\r"); // what it gets does not stop it
        clock.Advance(250);       // a line every 213 ms
        air->Run();
        Statuses(*a, 1, &flood);
        const std::size_t now = static_cast<std::size_t>(std::count(flood.begin(), flood.end(), '\r'));
        EXPECT_GT(now, lines) << "step " << step; // more every step, not only at the start
        lines = now;
    }
    EXPECT_EQ(flood.size(), lines * 256); // whole frames: 255 bytes and a CR
    EXPECT_EQ(flood.rfind("DL7FLD flood 1 ", 0), 0u);
    ASSERT_EQ(Ask(*a, 1, "D"), Answer(1, 0));
    clock.Advance(10000);
    air->Run();
    Statuses(*a, 1, &flood);
    EXPECT_EQ(a->Channel(1).state, LinkState::Free);
}

TEST_F(AirTest, ScriptFormat) {
    struct Case {
        const char* text;
        bool ok;
        std::size_t steps;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"send a\\tb\\\\c\\n\n  # indented comment\nexpect x\r\ndisconnect", true, 3, {}},
        {"", true, 0, {}},
        {"send\n", false, 0, "line 1: expected send TEXT, expect TEXT or disconnect"},
        {"send ok\nwait 5\n", false, 0, "line 2: expected send TEXT, expect TEXT or disconnect"},
        {"send bad \\q\n", false, 0, "line 1: a bad escape in \"bad \\q\""},
        {"expect \\x4\n", false, 0, "line 1: a bad escape in \"\\x4\""},
        {"disconnect now\n", false, 0, "line 1: expected send TEXT, expect TEXT or disconnect"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<ScriptStep> steps;
        std::string error;
        EXPECT_EQ(ParseScript(c.text, steps, error), c.ok);
        EXPECT_EQ(error, c.error);
        if (c.ok) {
            EXPECT_EQ(steps.size(), c.steps);
        }
    }
    std::vector<ScriptStep> steps;
    std::string error;
    ASSERT_TRUE(ParseScript("send a\\tb\\\\c\\n", steps, error));
    EXPECT_EQ(steps[0].text, "a\tb\\c\n");
}

TEST_F(AirTest, AStationConnectsToTheTncAfterItsDelay) {
    air->AddStation({"DL5IN", StationBehaviour::Echo, {}, 5000, {}});
    clock.Advance(4999);
    air->Run();
    EXPECT_TRUE(Statuses(*a, 1).empty());
    clock.Advance(1);
    air->Run();
    // The first TNC's call, on its first free channel.
    EXPECT_EQ(Statuses(*a, 1), std::vector<std::string>{"(1) CONNECTED to DL5IN"});
    EXPECT_TRUE(Statuses(*b, 1).empty());
    Send(*a, 1, "ping\r");
    air->Run();
    std::string back;
    Statuses(*a, 1, &back);
    EXPECT_EQ(back, "ping\r");
    // Once only.
    clock.Advance(60'000);
    EXPECT_TRUE(Statuses(*a, 2).empty());
}

TEST_F(AirTest, BeaconsReachEveryMonitor) {
    air->AddBeacon({"DB0BCN", 10'000, "Relais DB0BCN, 438.125 MHz", "BEACON"});
    clock.Advance(25'000);
    air->Run();
    for (TncSimCore* core : {a.get(), b.get()}) {
        EXPECT_EQ(Ask(*core, 255, "G"), Answer(255, 1, "\x01"));
        const std::vector<HostReply> monitor = Poll(*core, 0);
        ASSERT_EQ(monitor.size(), 4u);
        for (int i : {0, 2}) {
            EXPECT_EQ(monitor[i].code, 5);
            EXPECT_EQ(monitor[i].text, "fm DB0BCN to BEACON ctl UI^ pid F0");
            EXPECT_EQ(monitor[i + 1].code, 6);
            EXPECT_EQ(monitor[i + 1].text, "Relais DB0BCN, 438.125 MHz\r");
        }
    }
    // A monitor switched off shows none.
    ASSERT_EQ(Ask(*a, 0, "M N"), Answer(0, 0));
    clock.Advance(10'000);
    air->Run();
    EXPECT_TRUE(Poll(*a, 0).empty());
    EXPECT_EQ(Poll(*b, 0).size(), 2u);
}

TEST_F(AirTest, AMonitorNobodyFetchesKeepsOnlyTheNewestFrames) {
    air->AddBeacon({"DB0BCN", 1000, "beacon", "BEACON"});
    clock.Advance(3 * 3600 * 1000);
    air->Run();
    const ChannelView view = a->Channel(0);
    EXPECT_LE(view.pendingStatus + view.pendingData, 4000);
    EXPECT_GT(view.pendingStatus, 1000);
    const auto first = ParseReplies(Ask(*a, 0, "G"));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].code, 5); // a header, never information without one
}

TEST_F(AirTest, UiFramesOfOneTncReachTheOther) {
    ASSERT_EQ(Ask(*a, 0, "C CQ"), Answer(0, 0));
    ASSERT_EQ(Ask(*a, 0, "UI test\r", false), Answer(0, 0));
    air->Run();
    EXPECT_EQ(a->UiFrames(), std::vector<std::string>{"fm DL1AAA to CQ: UI test\r"});
    for (TncSimCore* core : {a.get(), b.get()}) {
        const std::vector<HostReply> monitor = Poll(*core, 0);
        ASSERT_EQ(monitor.size(), 2u);
        EXPECT_EQ(monitor[0].text, "fm DL1AAA to CQ ctl UI^ pid F0");
        EXPECT_EQ(monitor[1].text, "UI test\r");
    }
}

TEST_F(AirTest, ATncDestroyedBeforeItsAirLeavesIt) {
    Connect();
    Send(*a, 1, "x\r");
    a.reset();
    clock.Advance(60'000);
    air->Run();
    std::string atB;
    Statuses(*b, 1, &atB);
    EXPECT_EQ(atB, "x\r");
}

// Two TNCs on one air as in the firmware recordings (two clients, their exchanges interleaved): each step
// feeds one recorded exchange to the TNC that took it and compares the answer byte for byte.
TEST_F(AirTest, AnswersAsRecordedFromTwoFirmwaresOnOneAir) {
    struct Step {
        int exchange = -1; // else `action`
        TncSimCore* core = nullptr;
        std::function<void()> action;
    };
    struct Case {
        const char* trace;
        std::function<std::vector<Step>()> steps;
    };
    const auto run = [this](const std::vector<TraceExchange>& exchanges, const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            if (step.exchange < 0) {
                step.action();
                continue;
            }
            SCOPED_TRACE(step.exchange);
            const TraceExchange& exchange = exchanges.at(static_cast<std::size_t>(step.exchange));
            step.core->Feed(exchange.sent);
            EXPECT_EQ(Hex(step.core->Take()), Hex(exchange.answer));
        }
    };
    const auto each = [](int from, int to, TncSimCore* core) {
        std::vector<Step> steps;
        for (int i = from; i <= to; ++i) {
            steps.push_back({i, core, {}});
        }
        return steps;
    };
    const auto join = [](std::vector<Step> first, const std::vector<Step>& second) {
        first.insert(first.end(), second.begin(), second.end());
        return first;
    };
    const std::vector<Case> cases = {
        // A call nobody on the air owns: N 2 and F 100 (10 s), the failure after the first try and two
        // retries.
        {"link_failure",
         [&] {
             const int last = static_cast<int>(LoadTrace("link_failure").size()) - 1;
             return join(join(each(0, last - 2, a.get()), {{-1, nullptr, [&] { clock.Advance(30'000); }}}),
                         each(last - 1, last, a.get()));
         }},
        // Connected both ways; "C" again on the standing link is taken and resets it at the other end;
        // the same station from another channel is refused.
        {"connect_twice",
         [&] {
             return join(
                 join({{0, a.get(), {}}, {1, a.get(), {}}, {2, b.get(), {}}, {3, a.get(), {}}},
                      {{-1, nullptr,
                        [&] { EXPECT_EQ(Ask(*b, 1, "G"), Answer(1, 3, "(1) LINK RESET fm DL1AAA")); }}}),
                 each(4, static_cast<int>(LoadTrace("connect_twice").size()) - 1, a.get()));
         }},
        // Information from B reaches A: "G0" takes the data before the status that came first.
        {"g0_g1_variants",
         [&] {
             return std::vector<Step>{{0, a.get(), {}}, {1, b.get(), {}}, {2, b.get(), {}}, {3, b.get(), {}},
                                      {4, a.get(), {}}, {5, b.get(), {}}, {6, a.get(), {}}};
         }},
        // The disconnect texts at both ends, A's with the firmware clock ("K 1") 26:52 after power-on.
        {"timestamp_K1",
         [&] {
             return std::vector<Step>{{0, a.get(), {}},
                                      {-1, nullptr,
                                       [&] {
                                           clock.Advance((26 * 60 + 52) * 1000);
                                           ASSERT_EQ(Ask(*a, 1, "C DL2BBB"), Answer(1, 0));
                                           ASSERT_EQ(Ask(*b, 1, "G"),
                                                     Answer(1, 3, "(1) CONNECTED to DL1AAA"));
                                           clock.Advance(3000);
                                       }},
                                      {1, a.get(), {}},
                                      {2, a.get(), {}},
                                      {3, a.get(), {}},
                                      {4, b.get(), {}},
                                      {5, a.get(), {}}};
         }},
        // A UI frame of A in its own monitor, from the air.
        {"unproto_ui_monitor",
         [&] { return each(0, static_cast<int>(LoadTrace("unproto_ui_monitor").size()) - 1, a.get()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace);
        const auto exchanges = LoadTrace(c.trace);
        ASSERT_FALSE(exchanges.empty()) << c.trace;
        MakeAir({});
        ASSERT_EQ(Ask(*a, 0, "I DL1AAA"), Answer(0, 0));
        run(exchanges, c.steps());
    }
}

// One frame over the pseudo-terminal and its whole reply (empty when none came within two seconds).
HostReply AskPty(PtyPort& port, int channel, std::string_view data, bool command = true) {
    if (!port.Write(Frame(channel, command, data))) {
        return {};
    }
    std::string bytes;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        bytes += port.Read(1, std::chrono::milliseconds(50));
        const auto replies = ParseReplies(bytes);
        if (!replies.empty()) {
            return replies.front();
        }
    }
    return {};
}

// As tncsim --pty runs it: the pty's TNC on the air of its stations and beacons, in real time.
TEST(AirPtyTest, ThePtyTncSharesTheAirWithItsStations) {
    SimAir air;
    TncSimCore core(HostConfig());
    air.Attach(core);
    air.AddStation({"DL4ECH", StationBehaviour::Echo, {}, 300, {}});
    air.AddBeacon({"DB0BCN", 200, "beacon", "BEACON"});
    PtySim pty(core);
    PtyPort port(pty.SlavePath());
    ASSERT_TRUE(port.ok());
    ASSERT_EQ(AskPty(port, 0, "I DL1AAA").code, 0);

    // The station calls in on the first free channel; the beacons fill the monitor meanwhile.
    std::vector<std::string> status;
    std::vector<std::string> monitor;
    EXPECT_TRUE(WaitFor(
        [&] {
            for (int channel : {0, 1}) {
                const HostReply reply = AskPty(port, channel, "G");
                (channel == 0 ? monitor : status).push_back(reply.text);
            }
            return std::find(status.begin(), status.end(), "(1) CONNECTED to DL4ECH") != status.end() &&
                   std::find(monitor.begin(), monitor.end(), "fm DB0BCN to BEACON ctl UI^ pid F0") !=
                       monitor.end();
        },
        5000));
    ASSERT_EQ(AskPty(port, 1, "hello\r", false).code, 0);
    std::string echoed;
    EXPECT_TRUE(WaitFor(
        [&] {
            const HostReply reply = AskPty(port, 1, "G0");
            if (reply.code == 7) {
                echoed += reply.text;
            }
            return echoed == "hello\r";
        },
        5000))
        << echoed;
}

} // namespace
} // namespace quarn::test
