// Simulated TNCs and remote stations on one in-process air, driven with host-mode frames as the program
// sends them: links between TNCs, data with window, loss and air time, stations, beacons and the monitor.
#include "HostFrames.h"
#include "PtyPort.h"
#include "TraceReplay.h"
#include "support/Elapsed.h"
#include "support/ManualClock.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// 10 kB in which every byte value occurs, NUL and 0xFF among them, in an order that shows a swap.
std::string BinaryData(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7 + seed + i / 256) & 0xff);
    }
    return data;
}

class AirTest : public ::testing::Test {
protected:
    ManualClock clock{0};
    std::unique_ptr<SimAir> air;
    std::unique_ptr<TncSimCore> a;
    std::unique_ptr<TncSimCore> b;

    void SetUp() override { MakeAir({}); }

    void MakeAir(AirOptions options) {
        b.reset();
        a.reset();
        air = std::make_unique<SimAir>(options, &clock);
        a = std::make_unique<TncSimCore>(HostConfig(), &clock);
        b = std::make_unique<TncSimCore>(HostConfig(), &clock);
        air->Attach(*a);
        air->Attach(*b);
        EXPECT_EQ(Ask(*a, 0, "I DL1AAA"), Answer(0, 0));
        EXPECT_EQ(Ask(*b, 0, "I DL2BBB"), Answer(0, 0));
    }

    // "G" until the channel has nothing more.
    static std::vector<HostReply> Poll(TncSimCore& core, int channel) {
        std::vector<HostReply> all;
        for (;;) {
            const auto replies = ParseReplies(Ask(core, channel, "G"));
            if (replies.size() != 1 || replies[0].code == 0) {
                return all;
            }
            all.push_back(replies[0]);
        }
    }

    // The status texts of the channel now, its data appended to `data`.
    static std::vector<std::string> Statuses(TncSimCore& core, int channel, std::string* data = nullptr) {
        std::vector<std::string> texts;
        for (const HostReply& reply : Poll(core, channel)) {
            if (reply.code == 7 && data != nullptr) {
                *data += reply.text;
            } else if (reply.code == 3) {
                texts.push_back(reply.text);
            }
        }
        return texts;
    }

    static void Send(TncSimCore& core, int channel, const std::string& data) {
        for (std::size_t at = 0; at < data.size(); at += 256) {
            ASSERT_EQ(Ask(core, channel, data.substr(at, 256), false), Answer(channel, 0));
        }
    }

    // A on channel 1 calls DL2BBB; B takes it on its channel 1.
    void Connect() {
        ASSERT_EQ(Ask(*a, 1, "C DL2BBB"), Answer(1, 0));
        for (int i = 0; i < 1000 && (a->Channel(1).pendingStatus == 0 || b->Channel(1).pendingStatus == 0);
             ++i) {
            clock.Advance(10); // SABM and UA may take air time
            air->Run();
        }
        ASSERT_EQ(Statuses(*a, 1), std::vector<std::string>{"(1) CONNECTED to DL2BBB"});
        ASSERT_EQ(Statuses(*b, 1), std::vector<std::string>{"(1) CONNECTED to DL1AAA"});
    }

    // Advances the clock in steps until both sides have what was sent, collecting it; false when it does not
    // arrive within `limitMs`.
    bool Collect(std::string& atA, std::size_t wantA, std::string& atB, std::size_t wantB,
                 std::uint64_t stepMs, std::uint64_t limitMs) {
        for (std::uint64_t waited = 0; waited <= limitMs; waited += stepMs) {
            Statuses(*a, 1, &atA);
            Statuses(*b, 1, &atB);
            if (atA.size() >= wantA && atB.size() >= wantB) {
                return true;
            }
            clock.Advance(stepMs);
        }
        return false;
    }

    static std::vector<std::string> MonitorHeaders(TncSimCore& core) {
        std::vector<std::string> headers;
        for (const HostReply& reply : Poll(core, 0)) {
            if (reply.code == 4 || reply.code == 5) {
                headers.push_back(reply.text);
            }
        }
        return headers;
    }
};

TEST_F(AirTest, ConnectBinaryDataBothWaysAndDisconnectFromEitherSide) {
    struct Case {
        const char* name;
        bool fromA;
    };
    for (const Case& c : {Case{"A ends it", true}, Case{"B ends it", false}}) {
        SCOPED_TRACE(c.name);
        MakeAir({});
        // The channel speaks with a call of its own; it has channel 0's again once the link is over.
        ASSERT_EQ(Ask(*a, 1, "I DL1AAA-1"), Answer(1, 0));
        ASSERT_EQ(Ask(*a, 1, "C DL2BBB"), Answer(1, 0));
        air->Run();
        EXPECT_EQ(Statuses(*a, 1), std::vector<std::string>{"(1) CONNECTED to DL2BBB"});
        EXPECT_EQ(Statuses(*b, 1), std::vector<std::string>{"(1) CONNECTED to DL1AAA-1"});
        EXPECT_EQ(Ask(*b, 1, "C"), Answer(1, 1, "DL1AAA-1"));

        const std::string toB = BinaryData(10240, 1);
        const std::string toA = BinaryData(10240, 77);
        Send(*a, 1, toB);
        Send(*b, 1, toA);
        std::string atA;
        std::string atB;
        ASSERT_TRUE(Collect(atA, toA.size(), atB, toB.size(), 100, 10'000));
        EXPECT_TRUE(atB == toB) << "B got " << atB.size() << " bytes";
        EXPECT_TRUE(atA == toA) << "A got " << atA.size() << " bytes";
        EXPECT_EQ(Ask(*a, 1, "L"), Answer(1, 1, "0 0 0 0 0 4")); // everything acknowledged

        TncSimCore& ender = c.fromA ? *a : *b;
        ASSERT_EQ(Ask(ender, 1, "D"), Answer(1, 0));
        air->Run();
        EXPECT_EQ(Statuses(*a, 1), std::vector<std::string>{"(1) DISCONNECTED fm DL2BBB"});
        EXPECT_EQ(Statuses(*b, 1), std::vector<std::string>{"(1) DISCONNECTED fm DL1AAA-1"});
        EXPECT_EQ(a->Channel(1).state, LinkState::Free);
        EXPECT_EQ(b->Channel(1).state, LinkState::Free);
        EXPECT_EQ(Ask(*a, 1, "I"), Answer(1, 1, "DL1AAA"));
    }
}

TEST_F(AirTest, AConnectReachesTheChannelThatOwnsTheCall) {
    struct Case {
        std::string target;
        int channel; // of B; 0: nobody has the call
    };
    for (const Case& c : {Case{"DL2BBB", 1}, Case{"dl2bbb-7", 5}, Case{"DL2BBB-8", 0}}) {
        SCOPED_TRACE(c.target);
        MakeAir({});
        ASSERT_EQ(Ask(*b, 5, "I DL2BBB-7"), Answer(5, 0));
        ASSERT_EQ(Ask(*a, 3, "C " + c.target), Answer(3, 0));
        air->Run();
        for (int channel = 1; channel <= 10; ++channel) {
            EXPECT_EQ(Statuses(*b, channel),
                      channel == c.channel
                          ? std::vector<std::string>{"(" + std::to_string(channel) + ") CONNECTED to DL1AAA"}
                          : std::vector<std::string>{})
                << channel;
        }
        EXPECT_EQ(a->Channel(3).state, c.channel > 0 ? LinkState::Connected : LinkState::Setup);
    }
}

TEST_F(AirTest, DisconnectWaitsUntilTheDataIsAcknowledged) {
    MakeAir({0, 1, 1200});
    Connect();
    const std::string data = BinaryData(2000, 5);
    Send(*a, 1, data);
    ASSERT_EQ(Ask(*a, 1, "D"), Answer(1, 0));
    std::string atB;
    std::vector<std::string> atA;
    std::vector<std::string> statusesB;
    for (int step = 0; step < 600 && atA.empty(); ++step) {
        clock.Advance(100);
        atA = Statuses(*a, 1);
        const auto texts = Statuses(*b, 1, &atB);
        statusesB.insert(statusesB.end(), texts.begin(), texts.end());
    }
    EXPECT_EQ(atA, std::vector<std::string>{"(1) DISCONNECTED fm DL2BBB"});
    EXPECT_EQ(statusesB, std::vector<std::string>{"(1) DISCONNECTED fm DL1AAA"});
    EXPECT_TRUE(atB == data) << atB.size(); // all of it, before the link ended
}

TEST_F(AirTest, TheWindowLimitsFramesInFlight) {
    for (const int maxframe : {1, 3, 7}) {
        SCOPED_TRACE(maxframe);
        MakeAir({0, 1, 1200}); // slow enough to see the frames wait
        ASSERT_EQ(Ask(*a, 0, "O " + std::to_string(maxframe)), Answer(0, 0));
        Connect();
        Send(*a, 1, BinaryData(20 * 256, 3));
        int most = 0;
        std::string atA;
        std::string atB;
        for (int step = 0; step < 2000 && atB.size() < 20 * 256u; ++step) {
            const ChannelView view = a->Channel(1);
            EXPECT_LE(view.unacked, maxframe);
            EXPECT_LE(view.unsent + view.unacked, 20 - static_cast<int>(atB.size() / 256) + maxframe);
            most = std::max(most, view.unacked);
            clock.Advance(50);
            Statuses(*b, 1, &atB);
        }
        EXPECT_EQ(atB.size(), 20 * 256u);
        EXPECT_EQ(most, maxframe);
    }
}

TEST_F(AirTest, LostFramesAreSentAgainAndArriveOnceAndInOrder) {
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        MakeAir({0.2, seed, 0});
        ASSERT_EQ(Ask(*a, 1, "C DL2BBB"), Answer(1, 0));
        // The set-up survives lost frames too (SABM or UA again after FRACK).
        std::string ignored;
        for (int i = 0; i < 200 && (a->Channel(1).state != LinkState::Connected ||
                                    b->Channel(1).state != LinkState::Connected);
             ++i) {
            clock.Advance(500);
            air->Run();
        }
        ASSERT_EQ(a->Channel(1).state, LinkState::Connected);
        ASSERT_EQ(b->Channel(1).state, LinkState::Connected);
        Statuses(*a, 1);
        Statuses(*b, 1);
        const std::string toB = BinaryData(10240, 9);
        const std::string toA = BinaryData(10240, 11);
        Send(*a, 1, toB);
        Send(*b, 1, toA);
        std::string atA;
        std::string atB;
        ASSERT_TRUE(Collect(atA, toA.size(), atB, toB.size(), 500, 600'000));
        EXPECT_TRUE(atB == toB) << atB.size();
        EXPECT_TRUE(atA == toA) << atA.size();
        EXPECT_GT(air->FramesLost(), 0);
        clock.Advance(60'000); // nothing more comes: no frame twice
        Statuses(*a, 1, &atA);
        Statuses(*b, 1, &atB);
        EXPECT_EQ(atA.size(), toA.size());
        EXPECT_EQ(atB.size(), toB.size());
    }
}

TEST_F(AirTest, PacedFramesTakeTheirAirTime) {
    constexpr int kBaud = 9600;
    MakeAir({0, 1, kBaud});
    Connect();
    const std::string data = BinaryData(10240, 4);
    const std::uint64_t start = clock.NowMs();
    Send(*a, 1, data);
    std::string atA;
    std::string atB;
    ASSERT_TRUE(Collect(atA, 0, atB, data.size(), 10, 60'000));
    EXPECT_TRUE(atB == data);
    const double seconds = static_cast<double>(clock.NowMs() - start) / 1000.0;
    // 40 frames of 256 bytes and their framing, then the acknowledgements.
    const double framed = 40.0 * (256 + 20) * 8 / kBaud;
    EXPECT_GE(seconds, framed);
    EXPECT_LE(seconds, framed / 0.9) << "below 90 % of the line rate after framing";
}

TEST_F(AirTest, ACallNobodyOwnsEndsInLinkFailureAfterTheRetries) {
    ASSERT_EQ(Ask(*a, 0, "N 2"), Answer(0, 0));
    ASSERT_EQ(Ask(*a, 0, "F 10"), Answer(0, 0)); // 1 s in the TNC2's unit
    ASSERT_EQ(Ask(*a, 2, "C NOCALL"), Answer(2, 0));
    clock.Advance(2999);
    EXPECT_TRUE(Statuses(*a, 2).empty());
    EXPECT_EQ(Ask(*a, 2, "C"), Answer(2, 1, "NOCALL"));
    clock.Advance(1);
    EXPECT_EQ(Statuses(*a, 2), std::vector<std::string>{"(2) LINK FAILURE with NOCALL"});
    EXPECT_EQ(a->Channel(2).state, LinkState::Free);
    // The first try and the two retries, each seen in the monitor.
    EXPECT_EQ(MonitorHeaders(*a), std::vector<std::string>(3, "fm DL1AAA to NOCALL ctl SABM+"));
}

TEST_F(AirTest, ARefusedConnectEndsInBusy) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"a station that refuses",
         [&] {
             air->AddStation({"DL3BUS", StationBehaviour::Busy, {}, -1, {}});
         },
         "DL3BUS"},
        {"a TNC that takes no incoming links", [&] { ASSERT_EQ(Ask(*b, 0, "Y 0"), Answer(0, 0)); }, "DL2BBB"},
        {"a TNC without a free channel",
         [&] {
             for (int channel = 1; channel <= 10; ++channel) {
                 Ask(*b, channel, "C DL9X" + std::to_string(channel));
             }
         },
         "DL2BBB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeAir({});
        c.setUp();
        ASSERT_EQ(Ask(*a, 1, "C " + c.target), Answer(1, 0));
        air->Run();
        EXPECT_EQ(Statuses(*a, 1), std::vector<std::string>{"(1) BUSY fm " + c.target});
        EXPECT_EQ(a->Channel(1).state, LinkState::Free);
    }
}

TEST_F(AirTest, TheMonitorShowsTheFramesOfOwnLinks) {
    Connect();
    ASSERT_EQ(Ask(*a, 1, "hi\r", false), Answer(1, 0));
    air->Run();
    ASSERT_EQ(Ask(*a, 1, "D"), Answer(1, 0));
    air->Run();
    EXPECT_EQ(Statuses(*b, 1), std::vector<std::string>{"(1) DISCONNECTED fm DL1AAA"});
    // With something in the monitor the extended poll names channel 0 (as 1).
    EXPECT_EQ(Ask(*a, 255, "G"), Answer(255, 1, "\x01\x02"));
    const std::vector<std::string> expected = {
        "fm DL1AAA to DL2BBB ctl SABM+",       "fm DL2BBB to DL1AAA ctl UA-",
        "fm DL1AAA to DL2BBB ctl I00^ pid F0", "fm DL2BBB to DL1AAA ctl RR1v",
        "fm DL1AAA to DL2BBB ctl DISC+",       "fm DL2BBB to DL1AAA ctl UA-",
    };
    const std::vector<HostReply> monitor = Poll(*a, 0);
    std::vector<std::string> headers;
    for (std::size_t i = 0; i < monitor.size(); ++i) {
        if (monitor[i].code == 5) {
            ASSERT_LT(i + 1, monitor.size());
            EXPECT_EQ(monitor[i + 1].code, 6);
            EXPECT_EQ(monitor[i + 1].text, "hi\r");
        }
        if (monitor[i].code == 4 || monitor[i].code == 5) {
            headers.push_back(monitor[i].text);
        }
    }
    EXPECT_EQ(headers, expected);
    EXPECT_EQ(MonitorHeaders(*b), expected); // the other TNC hears the same
    Statuses(*a, 1);
    // Only what "M" lets through.
    ASSERT_EQ(Ask(*b, 0, "M I"), Answer(0, 0));
    Connect();
    EXPECT_TRUE(MonitorHeaders(*b).empty());
}

TEST_F(AirTest, ConnectOnAStandingLinkResetsItAtTheOtherEnd) {
    Connect();
    Send(*a, 1, "before\r");
    air->Run();
    ASSERT_EQ(Ask(*a, 1, "C DL2BBB"), Answer(1, 0));
    air->Run();
    std::string atB;
    EXPECT_EQ(Statuses(*b, 1, &atB), std::vector<std::string>{"(1) LINK RESET fm DL1AAA"});
    EXPECT_TRUE(Statuses(*a, 1).empty());
    EXPECT_EQ(MonitorHeaders(*b).size(), 6u); // SABM, UA, I, RR, SABM, UA
    // The link goes on with fresh numbers.
    Send(*a, 1, "after\r");
    air->Run();
    Statuses(*b, 1, &atB);
    EXPECT_EQ(atB, "before\rafter\r");
    EXPECT_EQ(a->Channel(1).state, LinkState::Connected);
}

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
