// The run loop's status pass: link state, outstanding frames and tries from "L", Maxframe and FRACK at
// most every 334 ms, and the information frames sent within the TNC's window.
#include "HostmodeLoopFixture.h"
#include "devices/hostmode/HostmodeLinkStatus.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

int CountInformation(const TncSimCore& core, int channel) {
    int count = 0;
    for (const ReceivedFrame& frame : core.Received()) {
        count += frame.channel == channel && !frame.command ? 1 : 0;
    }
    return count;
}

std::shared_ptr<FakeVerbindung> Accepted(TncSimCore& core, LoopDevice& d) {
    EXPECT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    d.Zyklus();
    return std::dynamic_pointer_cast<FakeVerbindung>(d.GetKanalVerbindung(1));
}

TEST_F(LoopTest, LinkStateOfEveryTncStateReachesTheStatus) {
    const int expected[16] = {0, 0, 3, 0, 0, 6, 7, 8, 0x10, 0x18, 0x0F, 0x17, 0x1F, 0x0E, 0x16, 0x1E};
    TncSimCore core(LoopTnc());
    Run(core, [&](LoopDevice& d) {
        const auto connection = Accepted(core, d);
        ASSERT_NE(connection, nullptr);
        for (int v = 0; v < 16; ++v) {
            ASSERT_TRUE(core.SetLinkState(1, v));
            d.Zyklus();
            EXPECT_EQ(connection->GetStatus()->GetLinkStatus(), expected[v]) << v;
        }
    });
}

TEST_F(LoopTest, AnUnreadableLReplyKeepsTheLastValuesAndSendsNothing) {
    TncSimCore core(LoopTnc());
    Run(core, [&](LoopDevice& d) {
        const auto connection = Accepted(core, d);
        ASSERT_TRUE(core.SetLinkState(1, 12));
        d.Zyklus();
        const std::shared_ptr<IStatus> status = connection->GetStatus();
        ASSERT_EQ(status->GetLinkStatus(), 0x1F);
        const int tries = status->GetTries();
        for (const std::string& reply : {std::string("\x01\x01"
                                                     "0 0 0 0 0 A\0",
                                                     14), // a letter
                                         std::string("\x01\x02"
                                                     "0 0 0 0 0 4\0",
                                                     14), // an error code
                                         std::string("\x01\x01"
                                                     "0 0 99999999999 0 0 4\0",
                                                     25)}) { // overflow
            SCOPED_TRACE(reply.substr(2));
            connection->SendText("one\r");
            const std::size_t frames = core.Received().size();
            core.ReplaceNextReply(reply);
            d.StatusDurchlauf();
            EXPECT_EQ(status->GetLinkStatus(), 0x1F);
            EXPECT_EQ(status->GetTries(), tries);
            const auto received = core.Received();
            ASSERT_EQ(received.size(), frames + 1); // the "L" and nothing after it
            EXPECT_EQ(received.back().data, "L");
            connection->GetTransmitQueue().PopString();
        }
    });
}

struct FrackRow {
    Identity identity;
    const char* set;
    int frack;
};

TEST_F(LoopTest, MaxframeAndFrackWithAndWithoutScaling) {
    const std::vector<FrackRow> rows = {
        {Identity::Tnc2, "F 30", 3}, // 100 ms units
        {Identity::Tnc2, "F 300", 30},
        {Identity::Tnc3, "F 300", 3}, // 10 ms units, scaled
        {Identity::Tnc3, "F 30", 1},
    };
    for (const FrackRow& row : rows) {
        SCOPED_TRACE(row.set);
        ManualClock clock;
        const ScopedClock scoped(clock);
        TncSimConfig config = ConfigFor(row.identity);
        config.channels = 4;
        config.startInHostMode = true;
        TncSimCore core(config);
        Run(core, [&](LoopDevice& d) {
            int code = 0;
            std::string text;
            ASSERT_TRUE(d.Sende(0, true, code, text, row.set));
            ASSERT_TRUE(d.Sende(0, true, code, text, "O 5"));
            const auto connection = Accepted(core, d);
            clock.Advance(TGeraetHostmode::kStatusIntervallMs);
            d.StatusDurchlauf();
            EXPECT_EQ(connection->GetStatus()->GetFrack(), row.frack);
            EXPECT_EQ(connection->GetStatus()->GetMaxframe(), 5);
        });
    }
}

TEST_F(LoopTest, MaxframeAndFrackAreAskedAtMostEvery334MsOfTheProgramClock) {
    // Started just below the 32-bit wrap of a tick count: the 64-bit clock does not care.
    ManualClock clock(0xFFFF'FFFFull - 200);
    const ScopedClock scoped(clock);
    TncSimCore core(LoopTnc());
    std::vector<int> asked;
    Run(core, [&](LoopDevice& d) {
        Accepted(core, d);
        for (const int advance : {0, 100, 233, 1, 0, 334, 50, 400}) {
            clock.Advance(static_cast<std::uint64_t>(advance));
            const int before = core.CountCommand("O", 1);
            d.StatusDurchlauf();
            asked.push_back(core.CountCommand("O", 1) - before);
            EXPECT_EQ(core.CountCommand("O", 1), core.CountCommand("F", 1));
        }
    });
    // 0 ms after the first refresh, 100, 333, 334 (refresh), 0, 334 (refresh), 50, 450 (refresh).
    EXPECT_EQ(asked, (std::vector<int>{0, 0, 0, 1, 0, 1, 0, 1}));
}

// Whether every information frame on the channel came after the last "G" there: what the TNC held
// for us was read before our data went out.
bool ReadBeforeSent(const TncSimCore& core, int channel) {
    bool sent = false;
    for (const ReceivedFrame& frame : core.Received()) {
        if (frame.channel != channel) {
            continue;
        }
        if (!frame.command) {
            sent = true;
        } else if (frame.data == "G" && sent) {
            return false;
        }
    }
    return true;
}

struct WindowRow {
    const char* name;
    std::function<void(TncSimConfig&)> configure;
    std::function<void(TncSimCore&)> arm;
    int sentFirstPass;
};

TEST_F(LoopTest, DataOutStaysWithinTheWindow) {
    const auto reports = [](int count) {
        return [count](TncSimCore& core) {
            for (int i = 0; i < count; ++i) {
                core.ConnectRequestNotice(1, "DL3CCC");
            }
        };
    };
    const std::vector<WindowRow> rows = {
        {"window of 14", [](TncSimConfig& c) { c.neverAck = true; }, {}, 14},
        // The cycle's polls read 7 reports; the pass reads the rest before it sends.
        {"a report waits: read first", [](TncSimConfig& c) { c.neverAck = true; }, reports(8), 14},
        {"7 received frames wait: read first", [](TncSimConfig& c) { c.neverAck = true; },
         [](TncSimCore& core) {
             for (int i = 0; i < 13; ++i) {
                 core.RemoteData(1, "x"); // the polls read 6 of them (one poll took the report)
             }
         },
         14},
        // 7 read by the polls, 20 by the pass: reports still wait, so nothing goes out.
        {"more reports than a pass reads", [](TncSimConfig& c) { c.neverAck = true; }, reports(40), 0},
        {"300 free buffers", [](TncSimConfig& c) { c.freeBuffers = 300; }, {}, 0},
        {"301 free buffers", [](TncSimConfig& c) { c.freeBuffers = 301; }, {}, 14}, // asked once a pass
    };
    for (const WindowRow& row : rows) {
        SCOPED_TRACE(row.name);
        TncSimConfig config = LoopTnc();
        row.configure(config);
        TncSimCore core(config);
        Run(core, [&](LoopDevice& d) {
            ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
            if (row.arm) {
                row.arm(core);
            }
            d.Zyklus();
            const auto made = std::dynamic_pointer_cast<FakeVerbindung>(d.GetKanalVerbindung(1));
            ASSERT_NE(made, nullptr);
            for (int i = 0; i < 30; ++i) {
                made->SendText("line " + std::to_string(i) + "\r");
            }
            d.StatusDurchlauf();
            EXPECT_EQ(CountInformation(core, 1), row.sentFirstPass);
            EXPECT_TRUE(ReadBeforeSent(core, 1));
            if (row.sentFirstPass == 0 && row.arm) {
                EXPECT_GT(core.Channel(1).pendingStatus, 0); // the gate held while they waited
            }
            if (row.sentFirstPass == 14 && config.neverAck) {
                d.Zyklus();
                d.Zyklus();
                EXPECT_EQ(CountInformation(core, 1), 14); // c + d = 14: nothing more
                EXPECT_EQ(made->GetStatus()->GetOutstanding(), 16 + 14);
                EXPECT_EQ(core.Channel(1).unsent + core.Channel(1).unacked, 14);
            }
        });
    }
}

TEST_F(LoopTest, DataOutInOrderOnceAcknowledged) {
    ManualClock clock;
    const ScopedClock scoped(clock);
    TncSimCore core(LoopTnc());
    std::string sent;
    Run(core, [&](LoopDevice& d) {
        const auto connection = Accepted(core, d);
        std::string expected;
        for (int i = 0; i < 30; ++i) {
            const std::string line = "line " + std::to_string(i) + "\r";
            connection->SendText(line);
            expected += line;
        }
        for (int i = 0; i < 10 && !connection->GetTransmitQueue().IsEmpty(); ++i) {
            clock.Advance(500); // the TNC acknowledges a window per step
            d.Zyklus();
        }
        EXPECT_TRUE(connection->GetTransmitQueue().IsEmpty());
        for (const ReceivedFrame& frame : core.Received()) {
            if (frame.channel == 1 && !frame.command) {
                sent += frame.data;
            }
        }
        EXPECT_EQ(sent, expected);
    });
}

// Spoils one exchange of the n-th information frame on channel 1: its reply is lost (the TNC took the
// frame) or the frame itself is (header and data never reach the TNC).
class SpoilingDevice final : public LoopDevice {
public:
    enum class Loss { Reply, Frame };
    SpoilingDevice(TncSimCore& core, int frame, Loss loss)
        : LoopDevice(core), core_(core), at_(frame), loss_(loss) {}

    bool CommWrite(const char* data, std::size_t count, std::size_t& written) override {
        const bool header = count == 3 && data[0] == 1 && data[1] == 0;
        if (header && ++frames_ == at_) {
            if (loss_ == Loss::Reply) {
                core_.DropNextReply();
            } else {
                Transport().FailNextWrites(2);
            }
        }
        return LoopDevice::CommWrite(data, count, written);
    }

private:
    TncSimCore& core_;
    int frames_ = 0;
    int at_;
    Loss loss_;
};

TEST_F(LoopTest, AFailedDataExchangeSendsTheFrameOnceAfterAskingTheTncsCounts) {
    for (const SpoilingDevice::Loss loss : {SpoilingDevice::Loss::Reply, SpoilingDevice::Loss::Frame}) {
        SCOPED_TRACE(loss == SpoilingDevice::Loss::Reply ? "reply lost" : "frame lost");
        TncSimConfig config = LoopTnc();
        config.neverAck = true; // the counts move only by what the device sends
        TncSimCore core(config);
        auto device = std::make_shared<SpoilingDevice>(core, 2, loss);
        device->calls = kLoopCalls;
        std::string expected;
        device->RunOnThread([&](TncSimHostmode& sim) {
            auto& d = static_cast<SpoilingDevice&>(sim);
            ASSERT_TRUE(d.Hochfahren());
            d.Zyklus();
            const auto connection = Accepted(core, d);
            ASSERT_NE(connection, nullptr);
            for (int i = 0; i < 4; ++i) {
                const std::string line = "line " + std::to_string(i) + "\r";
                connection->SendText(line);
                expected += line;
            }
            d.StatusDurchlauf();
            EXPECT_TRUE(connection->GetTransmitQueue().IsEmpty());
        });
        EXPECT_GE(device->GetFehlerZaehler(), 1); // the exchange did fail
        std::string sent;
        for (const ReceivedFrame& frame : core.Received()) {
            if (frame.channel == 1 && !frame.command) {
                sent += frame.data;
            }
        }
        EXPECT_EQ(sent, expected);
        EXPECT_EQ(core.Channel(1).unsent + core.Channel(1).unacked, 4);
        for (int c = 0; c < TGeraetHostmode::kKanaele; ++c) {
            device->KanalFreigeben(c);
        }
    }
}

} // namespace
} // namespace quarn::test
