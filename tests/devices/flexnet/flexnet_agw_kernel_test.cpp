#include "devices/flexnet/FlexnetAgwKernel.h"

#include "support/DirewolfPair.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

constexpr int kStateMask = 0x0F;
constexpr int kDataWaiting = 0x40;

std::string Text(char seed, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += i % 64 == 63 ? '\r' : static_cast<char>(seed + static_cast<char>(i % 26));
    }
    return text;
}

// One side of a QSO driven the way the device drives it: frames out within 14 - outstanding, up to 28
// received frames a round.
struct Seite {
    IFlexnetKernel& kernel;
    FlexnetQso qso;
    std::string senden;
    std::string empfangen;

    void Runde() {
        const int w = kernel.l2_stat(0, qso);
        for (int i = 0; i < 28 && (w & kDataWaiting) != 0; ++i) {
            const auto info = kernel.l2_get_i(qso);
            if (!info) {
                break;
            }
            EXPECT_EQ(info->pid, 0xF0);
            empfangen += info->daten;
            kernel.l2_bef(15, qso);
        }
        const int offen = kernel.l2_stat(1, qso);
        for (int i = offen; i < 14 && !senden.empty(); ++i) {
            const std::string stueck = senden.substr(0, 256);
            if (!kernel.l2_ialloc(qso, static_cast<int>(stueck.size()))) {
                break;
            }
            kernel.l2_send_frame(qso, FlexnetInfo{0xF0, stueck});
            senden.erase(0, stueck.size());
        }
    }
};

class FlexnetAgwKernelPair : public ::testing::Test {
protected:
    void SetUp() override {
        const auto program = test::FindDirewolf();
        if (!program) {
            GTEST_SKIP() << "direwolf is not installed (Debian package \"direwolf\", scripts/setup-deps.sh)";
        }
        modems_ = std::make_unique<test::DirewolfPair>(*program);
        ASSERT_TRUE(modems_->Ready()) << modems_->Log(0) << modems_->Log(1);
        a_ = std::make_unique<TFlexnetAgwKernel>("127.0.0.1", modems_->AgwPort(0));
        b_ = std::make_unique<TFlexnetAgwKernel>("127.0.0.1", modems_->AgwPort(1));
        ASSERT_EQ(a_->ax_init(), 1);
        ASSERT_EQ(b_->ax_init(), 1);
        // B answers for its call from now on.
        EXPECT_EQ(b_->l2_get_sabm("DL2BBB"), 0);
    }

    void TearDown() override {
        if (HasFailure() && modems_) {
            std::cerr << "modem 0:\n" << modems_->Log(0) << "modem 1:\n" << modems_->Log(1);
        }
    }

    static int Zustand(IFlexnetKernel& kernel, FlexnetQso qso) { return kernel.l2_stat(0, qso) & kStateMask; }

    FlexnetQso Verbinde(std::string_view pfad) {
        FlexnetAdresse record;
        a_->build_frame(record, "DL1AAA", pfad);
        record.kanal = 0;
        EXPECT_EQ(a_->l2_get_qnum(record), 0);
        return a_->l2_fconnect(record);
    }

    // B takes the incoming link, as the device does with the rule "accept".
    FlexnetQso Annehmen() {
        FlexnetQso qso = 0;
        EXPECT_TRUE(test::WaitFor([&] { return (qso = b_->l2_get_sabm("dl2bbb")) != 0; }, 15000));
        return qso;
    }

    std::unique_ptr<test::DirewolfPair> modems_;
    std::unique_ptr<TFlexnetAgwKernel> a_;
    std::unique_ptr<TFlexnetAgwKernel> b_;
};

TEST_F(FlexnetAgwKernelPair, ReportsTheModemsPortsAndVersion) {
    EXPECT_TRUE(a_->ch_active(0));
    EXPECT_FALSE(a_->ch_active(1));
    ASSERT_TRUE(a_->get_ident(0));
    EXPECT_FALSE(a_->get_ident(0)->empty());
    EXPECT_FALSE(a_->get_ident(1));
    ASSERT_TRUE(a_->l2_version());
    EXPECT_EQ(a_->l2_version()->rfind("AGW ", 0), 0u);
}

TEST_F(FlexnetAgwKernelPair, ConnectTalkBothWaysMonitorAndDisconnect) {
    b_->l2_set_monitor();
    EXPECT_TRUE(b_->l2_chk_monitor());

    const FlexnetQso qa = Verbinde("DL2BBB");
    ASSERT_NE(qa, 0);
    EXPECT_EQ(Zustand(*a_, qa), 2);
    const FlexnetQso qb = Annehmen();
    ASSERT_NE(qb, 0);
    const auto eingehend = b_->l2_get_f(qb);
    ASSERT_TRUE(eingehend);
    EXPECT_EQ(b_->strcall(eingehend->quelle), "DL2BBB");
    EXPECT_EQ(b_->strcall(eingehend->ziel), "DL1AAA");
    EXPECT_EQ(b_->strpath(*eingehend), "");
    b_->l2_bef(2, qb);
    b_->l2_bef(7, qb);
    EXPECT_EQ(b_->l2_get_sabm("DL2BBB"), 0) << "a request is handed out once";
    ASSERT_TRUE(test::WaitFor([&] { return Zustand(*a_, qa) > 4; }, 15000));
    const auto ausgehend = a_->l2_get_f(qa);
    ASSERT_TRUE(ausgehend);
    EXPECT_EQ(ausgehend->quelle, "DL1AAA");
    EXPECT_EQ(ausgehend->ziel, "DL2BBB");

    Seite hin{*a_, qa, Text('a', 2048), {}};
    Seite her{*b_, qb, Text('A', 2048), {}};
    EXPECT_TRUE(test::WaitFor(
        [&] {
            hin.Runde();
            her.Runde();
            return hin.empfangen.size() >= 2048 && her.empfangen.size() >= 2048;
        },
        30000));
    EXPECT_EQ(her.empfangen, Text('a', 2048));
    EXPECT_EQ(hin.empfangen, Text('A', 2048));
    EXPECT_TRUE(test::WaitFor([&] { return a_->l2_stat(1, qa) == 0; }, 10000)) << "all acknowledged";

    ASSERT_TRUE(a_->l2_send_ui("DL1AAA", "0 QST", 0xF0, 0, "hello monitor"));
    bool ui = false;
    bool information = false;
    EXPECT_TRUE(test::WaitFor(
        [&] {
            while (const auto frame = b_->l2_get_monitor()) {
                b_->l2_ack_monitor();
                if (frame->art == 10 && frame->info == "hello monitor") {
                    ui = frame->quelle == "DL1AAA" && frame->ziel == "QST" && frame->pid == 0xF0;
                }
                // The link counts modulo 128: its information frames must still read right.
                if (frame->art == 1 && frame->quelle == "DL1AAA" && frame->info == Text('a', 256)) {
                    information = frame->pid == 0xF0;
                }
            }
            return ui;
        },
        10000));
    EXPECT_TRUE(ui);
    EXPECT_TRUE(information);

    a_->l2_bef(4, qa);
    EXPECT_EQ(Zustand(*a_, qa), 4);
    EXPECT_TRUE(test::WaitFor([&] { return Zustand(*a_, qa) == 1; }, 10000));
    EXPECT_TRUE(test::WaitFor([&] { return Zustand(*b_, qb) == 1; }, 10000));
}

TEST_F(FlexnetAgwKernelPair, AnIgnoredRequestEndsTheCallersLinkOnceAStationWouldHaveGivenUp) {
    b_->SetIgnoriertFrist(std::chrono::milliseconds(1500));
    const FlexnetQso qa = Verbinde("DL2BBB");
    ASSERT_NE(qa, 0);
    ASSERT_NE(Annehmen(), 0);
    // The device leaves the request pending and goes on asking for requests every few rounds.
    const auto runde = [this] { return b_->l2_get_sabm("DL2BBB") == 0; };
    ASSERT_TRUE(test::WaitFor([&] { return runde() && Zustand(*a_, qa) > 4; }, 15000))
        << "the modem answered";
    const auto beginn = std::chrono::steady_clock::now();
    ASSERT_TRUE(test::WaitFor([&] { return runde() && Zustand(*a_, qa) == 1; }, 15000));
    EXPECT_GE(std::chrono::steady_clock::now() - beginn, std::chrono::milliseconds(1000)) << "ended at once";
}

TEST_F(FlexnetAgwKernelPair, ARefusedRequestEndsTheCallersLink) {
    const FlexnetQso qa = Verbinde("dl2bbb");
    ASSERT_NE(qa, 0);
    const FlexnetQso qb = Annehmen();
    ASSERT_NE(qb, 0);
    b_->l2_bef(3, qb);
    EXPECT_TRUE(test::WaitFor([&] { return Zustand(*a_, qa) == 1; }, 15000));
}

TEST_F(FlexnetAgwKernelPair, AStationThatNeverAnswersEndsTheLinkWithAnError) {
    const FlexnetQso qa = Verbinde("DL9ZZZ");
    ASSERT_NE(qa, 0);
    EXPECT_TRUE(test::WaitFor([&] { return Zustand(*a_, qa) != 2; }, 20000));
    EXPECT_EQ(Zustand(*a_, qa), 0);
}

TEST(FlexnetAgwKernel, TheFactoryRefusesPortsOutsideTheTcpRange) {
    EXPECT_FALSE(MakeFlexnetAgwKernel("127.0.0.1", 0));
    EXPECT_FALSE(MakeFlexnetAgwKernel("127.0.0.1", 65536));
    EXPECT_TRUE(MakeFlexnetAgwKernel("127.0.0.1", 8000));
}

TEST(FlexnetAgwKernel, WithoutAModemTheKernelIsNotLoadedAndRefusesWork) {
    TFlexnetAgwKernel kernel("127.0.0.1", test::FreeLocalPort(SOCK_STREAM));
    EXPECT_EQ(kernel.ax_init(), 0);
    EXPECT_FALSE(kernel.ch_active(0));
    FlexnetAdresse record;
    kernel.build_frame(record, "DL1AAA", "DL2BBB");
    EXPECT_EQ(kernel.l2_fconnect(record), 0);
    EXPECT_FALSE(kernel.l2_send_ui("DL1AAA", "0 QST", 0xF0, 0, "x"));
    EXPECT_EQ(kernel.l2_get_sabm("DL1AAA"), 0);
    EXPECT_EQ(kernel.l2_stat(0, 1), 0);
}

} // namespace
} // namespace quarn
