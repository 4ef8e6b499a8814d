// Simulated TNCs on one in-process air, driven with host-mode frames as the program sends them: links
// between TNCs, data with window, loss and air time, refusals and failures, and the frames in the monitor.
#include "AirFixture.h"

#include <functional>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

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

} // namespace
} // namespace quarn::test
