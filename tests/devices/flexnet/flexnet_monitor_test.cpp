// The FlexNet monitor thread against the in-process kernel: which frames reach the monitor channel
// with which information, the digipeater mark, and switching the kernel's monitor.
#include "FlexnetFixture.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

FlexnetMonitor Frame(std::uint8_t art, std::string info = "text") {
    FlexnetMonitor frame;
    frame.ziel = "DK0XX";
    frame.quelle = "DL2BBB-1";
    frame.art = art;
    frame.kanal = 3;
    frame.pid = 0xCF;
    frame.sequenz1 = 4;
    frame.sequenz2 = 6;
    frame.pollFinal = 1;
    frame.kommando = 1;
    frame.dama = 1;
    frame.farbe = 2;
    frame.info = std::move(info);
    return frame;
}

struct KindRow {
    std::int32_t flags;
    // For the kinds 1, 5, 10 and 11 in turn: the information shown, or "-" when the frame is not shown.
    std::vector<std::string> shown;
};

TEST_F(FlexnetTest, TheSettingsChooseWhichFramesAreShown) {
    const std::vector<KindRow> rows = {
        {0x4, {"", "-", "-", "-"}},   {0x4 | 0x8, {"i", "-", "-", "-"}},
        {0x2, {"-", "", "-", "-"}},   {0x2 | 0x8, {"-", "", "-", "-"}},
        {0x10, {"-", "-", "u", "-"}}, {0x2 | 0x4 | 0x8 | 0x10, {"i", "", "u", "-"}},
    };
    for (const KindRow& row : rows) {
        SCOPED_TRACE(row.flags);
        state = std::make_shared<FakeFlexnetState>();
        state->monitor = {Frame(1, "i"), Frame(5, "s"), Frame(10, "u"), Frame(11, "x")};
        ASSERT_TRUE(Starten(row.flags));
        ASSERT_TRUE(
            WarteBis([this] { return state->Mit([](FakeFlexnetState& s) { return s.monitorAcks; }) == 4; }));
        Stoppen();
        std::vector<std::string> shown;
        const std::vector<TMonitorFrame> frames = device->Frames();
        std::size_t next = 0;
        for (const std::uint8_t kind : {1, 5, 10, 11}) {
            if (next < frames.size() && frames[next].kind == kind) {
                shown.push_back(frames[next++].information);
            } else {
                shown.emplace_back("-");
            }
        }
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(next, frames.size());
        EXPECT_TRUE(state->Mit([](FakeFlexnetState& s) { return s.monitor.empty(); }));
        device.reset();
    }
}

TEST_F(FlexnetTest, AShownFrameCarriesTheRecordAndMarksTheLastDigipeaterPassed) {
    const std::vector<std::pair<int, std::string>> rows = {
        {0, "DB0A DB0B DB0C"}, {1, "DB0A* DB0B DB0C"}, {2, "DB0A DB0B* DB0C"}, {3, "DB0A DB0B DB0C*"}};
    for (const auto& [passed, via] : rows) {
        FlexnetMonitor frame = Frame(10, "hallo");
        frame.digis = {"DB0A", "DB0B", "DB0C"};
        frame.digisPassiert = static_cast<std::uint8_t>(passed);
        state->monitor.push_back(frame);
    }
    state->monitor.push_back(Frame(10, "ohne"));
    ASSERT_TRUE(Starten(0x10));
    ASSERT_TRUE(WarteBis([&] { return device->Frames().size() == rows.size() + 1; }));
    const std::vector<TMonitorFrame> frames = device->Frames();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(frames[i].via, rows[i].second) << rows[i].first;
    }
    const TMonitorFrame& plain = frames.back();
    EXPECT_EQ(plain.via, "");
    EXPECT_EQ(plain.from, "DL2BBB-1");
    EXPECT_EQ(plain.to, "DK0XX");
    EXPECT_EQ(plain.port, 3);
    EXPECT_EQ(plain.pid, 0xCF);
    EXPECT_EQ(plain.kind, 10);
    EXPECT_EQ(plain.sequence1, 4);
    EXPECT_EQ(plain.sequence2, 6);
    EXPECT_EQ(plain.pollFinal, 1);
    EXPECT_EQ(plain.command, 1);
    EXPECT_EQ(plain.dama, 1);
    EXPECT_EQ(plain.colourFlag, 2);
    EXPECT_EQ(plain.information, "ohne");
}

TEST_F(FlexnetTest, TheKernelMonitorIsSwitchedAsTheSettingsChange) {
    ASSERT_TRUE(Starten(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.monitorAn_; }), 0);
    device->flags = 0x10;
    // Looked at every 16th round of 200 ms.
    ASSERT_TRUE(
        WarteBis([this] { return state->Mit([](FakeFlexnetState& s) { return s.monitorAn; }); }, 6000));
    // A kernel that lost the monitor gets it back.
    state->Mit([](FakeFlexnetState& s) { return s.monitorAn = false; });
    ASSERT_TRUE(
        WarteBis([this] { return state->Mit([](FakeFlexnetState& s) { return s.monitorAn; }); }, 6000));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.monitorAn_; }), 2);
    Stoppen();
    EXPECT_FALSE(state->Mit([](FakeFlexnetState& s) { return s.monitorAn; }));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.aufrufeNachEnde; }), 0);
}

TEST_F(FlexnetTest, AMonitorThatNeverRunsOutOfFramesStillStops) {
    state->monitorEndlos = true;
    ASSERT_TRUE(Starten(0x10));
    ASSERT_TRUE(WarteBis([this] { return device->Frames().size() > 20; }));
    const auto start = std::chrono::steady_clock::now();
    Stoppen();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(state->Mit([](FakeFlexnetState& s) { return s.entladen; }));
    EXPECT_EQ(state->Mit([](FakeFlexnetState& s) { return s.aufrufeNachEnde; }), 0);
}

} // namespace
} // namespace quarn::test
