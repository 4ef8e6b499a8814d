#include "devices/flexnet/AgwClient.h"

#include "devices/flexnet/AgwFrameLog.h"
#include "support/DirewolfPair.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

std::string Text(char seed, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += i % 64 == 63 ? '\r' : static_cast<char>(seed + static_cast<char>(i % 26));
    }
    return text;
}

// Two clients, each on its own modem, the modems joined by the relay.
class AgwClientPair : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = test::FindDirewolf();
        if (!program) {
            GTEST_SKIP() << "direwolf is not installed (Debian package \"direwolf\", scripts/setup-deps.sh)";
        }
        modems_ = std::make_unique<test::DirewolfPair>(*program);
        ASSERT_TRUE(modems_->Ready()) << modems_->Log(0) << modems_->Log(1);
        ASSERT_TRUE(a_.Open("127.0.0.1", modems_->AgwPort(0)));
        ASSERT_TRUE(b_.Open("127.0.0.1", modems_->AgwPort(1)));
    }

    void TearDown() override {
        if (HasFailure() && modems_) {
            std::cerr << "modem 0:\n" << modems_->Log(0) << "modem 1:\n" << modems_->Log(1);
        }
    }

    std::unique_ptr<test::DirewolfPair> modems_;
    test::AgwFrameLog aLog_;
    test::AgwFrameLog bLog_;
    bool aClosed_ = false;
    AgwClient a_{[this](const AgwFrame& frame) { aLog_.Add(frame); }, [this] { aClosed_ = true; }};
    AgwClient b_{[this](const AgwFrame& frame) { bLog_.Add(frame); }, [] {}};
};

TEST_F(AgwClientPair, ConnectsTalksBothWaysIsMonitoredAndDisconnects) {
    ASSERT_TRUE(b_.Send(test::AgwMessage('X', "DL2BBB")));
    const auto registered = bLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'X'; });
    ASSERT_TRUE(registered);
    EXPECT_EQ(registered->data, std::string(1, '\1'));
    ASSERT_TRUE(b_.Send(test::AgwMessage('k')));

    ASSERT_TRUE(a_.Send(test::AgwMessage('C', "DL1AAA", "DL2BBB")));
    const auto outgoing = aLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'C'; });
    ASSERT_TRUE(outgoing);
    EXPECT_EQ(outgoing->callFrom, "DL2BBB");
    EXPECT_EQ(outgoing->callTo, "DL1AAA");
    const auto incoming = bLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'C'; });
    ASSERT_TRUE(incoming);
    EXPECT_EQ(incoming->callFrom, "DL1AAA");
    EXPECT_EQ(incoming->callTo, "DL2BBB");

    const std::string there = Text('a', 2048);
    const std::string back = Text('A', 2048);
    for (std::size_t at = 0; at < there.size(); at += 256) {
        ASSERT_TRUE(a_.Send(test::AgwMessage('D', "DL1AAA", "DL2BBB", there.substr(at, 256))));
        ASSERT_TRUE(b_.Send(test::AgwMessage('D', "DL2BBB", "DL1AAA", back.substr(at, 256))));
    }
    EXPECT_EQ(bLog_.WaitForData('D', there.size()), there);
    EXPECT_EQ(aLog_.WaitForData('D', back.size()), back);

    ASSERT_TRUE(a_.Send(test::AgwMessage('M', "DL1AAA", "QST", "hello monitor")));
    const auto heard = bLog_.WaitFor(
        [](const AgwFrame& f) { return f.kind == 'K' && f.data.find("hello monitor") != std::string::npos; });
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->callFrom, "DL1AAA");
    EXPECT_EQ(heard->callTo, "QST");

    ASSERT_TRUE(a_.Send(test::AgwMessage('d', "DL1AAA", "DL2BBB")));
    EXPECT_TRUE(aLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'd'; }));
    EXPECT_TRUE(bLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'd'; }));
    EXPECT_FALSE(aClosed_);
}

} // namespace
} // namespace quarn
