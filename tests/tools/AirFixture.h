#pragma once

// Two simulated TNCs on one in-process air with a manual clock, and the host-mode helpers the air tests
// share.

#include "HostFrames.h"
#include "support/ManualClock.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quarn::test {

// Data in which every byte value occurs, NUL and 0xFF among them, in an order that shows a swap.
inline std::string BinaryData(std::size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<char>((i * 7 + seed + i / 256) & 0xff);
    }
    return data;
}

class AirTest : public ::testing::Test {
protected:
    ManualClock clock{0};
    std::unique_ptr<tncsim::SimAir> air;
    std::unique_ptr<tncsim::TncSimCore> a;
    std::unique_ptr<tncsim::TncSimCore> b;

    void SetUp() override { MakeAir({}); }

    void MakeAir(tncsim::AirOptions options) {
        b.reset();
        a.reset();
        air = std::make_unique<tncsim::SimAir>(options, &clock);
        a = std::make_unique<tncsim::TncSimCore>(HostConfig(), &clock);
        b = std::make_unique<tncsim::TncSimCore>(HostConfig(), &clock);
        air->Attach(*a);
        air->Attach(*b);
        EXPECT_EQ(Ask(*a, 0, "I DL1AAA"), Answer(0, 0));
        EXPECT_EQ(Ask(*b, 0, "I DL2BBB"), Answer(0, 0));
    }

    // "G" until the channel has nothing more.
    static std::vector<HostReply> Poll(tncsim::TncSimCore& core, int channel) {
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
    static std::vector<std::string> Statuses(tncsim::TncSimCore& core, int channel,
                                             std::string* data = nullptr) {
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

    static void Send(tncsim::TncSimCore& core, int channel, const std::string& data) {
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

    static std::vector<std::string> MonitorHeaders(tncsim::TncSimCore& core) {
        std::vector<std::string> headers;
        for (const HostReply& reply : Poll(core, 0)) {
            if (reply.code == 4 || reply.code == 5) {
                headers.push_back(reply.text);
            }
        }
        return headers;
    }
};

} // namespace quarn::test
