// Two whole stations on one in-process air: host-mode devices on simulated TNCs, the real connections
// with their threads and plain handlers. A connects to B as the GUI would, binary data goes both ways,
// links end from either side, a connect fails on the air, and a program restart restores a live link.
#include "StackFixture.h"
#include "devices/TncSimHostmode.h"
#include "devices/TraceLines.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

constexpr const char* kKeyA = "\\Software\\Velmoor\\Quarn\\Geraete\\71";
constexpr std::size_t kDataBytes = 10 * 1024;

class StackAirTest : public StackTest {
protected:
    void TearDown() override {
        b_.Stop();
        a_.Stop();
        RegistryStore::Instance().DeleteKey(Hive::LocalMachine, kKeyA);
        StackTest::TearDown();
    }

    // A connect as the GUI makes it, on this (the GUI) thread.
    static TConnectResult Connect(StackStation& from, const std::string& to,
                                  const std::shared_ptr<StackKanal>& channel,
                                  std::shared_ptr<IVerbindung>& connection) {
        auto port = std::make_shared<TFunkKanal>(from.device);
        port->SetNummer(-1);
        std::string path = to;
        std::string myCall = from.device->calls.front().call;
        return from.device->Verbinde(port, path, connection, channel, myCall);
    }

    // A calls B; both sides see the link up. The channel B took is returned.
    std::shared_ptr<StackKanal> ConnectAToB(const std::shared_ptr<StackKanal>& atA) {
        // B may take its channel before the connect returns here: the link can be up on both sides by then.
        const std::size_t before = HandedOut().size();
        std::shared_ptr<IVerbindung> connection;
        EXPECT_EQ(Connect(a_, "DL2BBB", atA, connection), TConnectResult::Connected);
        EXPECT_EQ(connection, atA->Connection());
        connection.reset();
        EXPECT_TRUE(PumpUntil([&] {
            const auto out = HandedOut();
            return atA->Has("Verbunden") && out.size() > before && out.back()->Has("Verbunden") &&
                   out.back()->Connection();
        })) << Describe(*atA);
        const auto out = HandedOut();
        return out.size() > before ? out.back() : nullptr;
    }

    // Where each side stands, for a link that did not come up.
    std::string Describe(const StackKanal& atA) const {
        std::ostringstream text;
        text << "A's channel:";
        for (const std::string& event : atA.Events()) {
            text << ' ' << event;
        }
        text << (atA.Connection() ? " (attached)" : " (none)")
             << "; channels handed out at B: " << HandedOut().size();
        for (const auto* station : {&a_, &b_}) {
            text << "\n" << (station == &a_ ? "A" : "B");
            for (int c = 1; c <= 4; ++c) {
                const tncsim::ChannelView view = station->core->Channel(c);
                const auto entry = station->device->GetKanalVerbindung(c);
                text << " [" << c << ": tnc " << static_cast<int>(view.state) << ' ' << view.remote
                     << ", entry " << (entry ? std::to_string(entry->GetState()) : "-") << ']';
            }
        }
        for (const auto& channel : HandedOut()) {
            text << "\nB's channel:";
            for (const std::string& event : channel->Events()) {
                text << ' ' << event;
            }
            text << (channel->Connection() ? " (attached)" : " (none)");
        }
        return text.str();
    }

    // Sends `size` bytes each way at once and checks both arrive whole and in order.
    static void ExchangeBinary(StackKanal& atA, StackKanal& atB, std::size_t size, unsigned seed) {
        const std::string toB = StackData(size, seed);
        const std::string toA = StackData(size, seed + 101);
        const std::size_t hadA = atA.ReceivedSize();
        const std::size_t hadB = atB.ReceivedSize();
        atA.Connection()->SendeText(toB, false, false, false, true);
        atB.Connection()->SendeText(toA, false, false, false, true);
        ASSERT_TRUE(PumpUntil([&] {
            return atA.ReceivedSize() >= hadA + size && atB.ReceivedSize() >= hadB + size;
        })) << atA.ReceivedSize() - hadA
            << " / " << atB.ReceivedSize() - hadB << " bytes arrived";
        const std::string gotA = atA.Received().substr(hadA);
        const std::string gotB = atB.Received().substr(hadB);
        EXPECT_TRUE(gotB == toB) << "A to B differs at "
                                 << std::mismatch(toB.begin(), toB.end(), gotB.begin()).first - toB.begin();
        EXPECT_TRUE(gotA == toA) << "B to A differs at "
                                 << std::mismatch(toA.begin(), toA.end(), gotA.begin()).first - toA.begin();
    }

    StackStation a_;
    StackStation b_;
};

TEST_F(StackAirTest, BinaryDataBothWaysByteExactAndTheLinkEndsFromEitherSide) {
    Start(a_, "DL1AAA");
    Start(b_, "DL2BBB");
    for (const bool fromA : {true, false}) {
        SCOPED_TRACE(fromA ? "ended by A" : "ended by B");
        auto atA = std::make_shared<StackKanal>(1);
        const std::shared_ptr<StackKanal> atB = ConnectAToB(atA);
        ASSERT_TRUE(atB);
        EXPECT_EQ(atB->Connection()->Get_Call(), "DL1AAA");
        EXPECT_FALSE(atB->Connection()->GetAusgehend());
        EXPECT_EQ(atA->Connection()->Get_RealPath(), "DL2BBB");
        ExchangeBinary(*atA, *atB, kDataBytes, fromA ? 1 : 2);

        const std::weak_ptr<IVerbindung> linkA = atA->Connection();
        const std::weak_ptr<IVerbindung> linkB = atB->Connection();
        // The end is graceful: what was typed last still goes out before the link goes down.
        StackKanal& ending = fromA ? *atA : *atB;
        StackKanal& other = fromA ? *atB : *atA;
        ending.Connection()->SendeText("last words\r", false, false, false, true);
        ending.Connection()->Disconnect();
        EXPECT_TRUE(PumpUntil([&] { return atA->Has("Getrennt 0") && atB->Has("Getrennt 0"); }))
            << "A: " << atA->Events().size() << " B: " << atB->Events().size();
        EXPECT_TRUE(other.Received().ends_with("last words\r"));
        // Down on both sides: the channels let go, the threads ended, the entries are free.
        EXPECT_TRUE(PumpUntil([&] { return !atA->Connection() && !atB->Connection(); }, 10000));
        EXPECT_TRUE(PumpUntil([&] { return linkA.expired() && linkB.expired(); }, 10000));
        for (int c = 0; c < TGeraetHostmode::kKanaele; ++c) {
            ASSERT_FALSE(a_.device->GetKanalVerbindung(c)) << c;
            ASSERT_FALSE(b_.device->GetKanalVerbindung(c)) << c;
        }
        EXPECT_EQ(list_.Count(), 0);
    }
    EXPECT_EQ(TVerbindung::InstanceCount(), 0);
}

TEST_F(StackAirTest, AConnectToACallNobodyOwnsEndsInLinkFailure) {
    // Short retries, so the failure comes within a second.
    Start(a_, "DL1AAA", {"F 2", "N 2"});
    Start(b_, "DL2BBB");
    auto atA = std::make_shared<StackKanal>(1);
    std::shared_ptr<IVerbindung> connection;
    ASSERT_EQ(Connect(a_, "DL7XXX", atA, connection), TConnectResult::Connected);
    const std::weak_ptr<IVerbindung> link = connection;
    connection.reset();
    // The channel is told, then let go.
    EXPECT_TRUE(PumpUntil([&] { return atA->Has("Getrennt 1") && !atA->Connection(); }));
    EXPECT_FALSE(atA->Has("Verbunden"));
    EXPECT_TRUE(PumpUntil([&] { return link.expired(); }, 10000));
    for (int c = 0; c < TGeraetHostmode::kKanaele; ++c) {
        ASSERT_FALSE(a_.device->GetKanalVerbindung(c)) << c;
    }
    EXPECT_TRUE(HandedOut().empty()); // B never heard of it
}

TEST_F(StackAirTest, ALiveLinkIsSavedAtTheEndAndRestoredAtTheNextStart) {
    Start(a_, "DL1AAA", {}, kKeyA);
    Start(b_, "DL2BBB");
    auto atA = std::make_shared<StackKanal>(1);
    const std::shared_ptr<StackKanal> atB = ConnectAToB(atA);
    ASSERT_TRUE(atB);
    ExchangeBinary(*atA, *atB, 2048, 3);
    const int c = atA->Connection()->Get_Handle();
    const std::shared_ptr<IVerbindung> remote = atB->Connection();
    const std::weak_ptr<IVerbindung> before = atA->Connection();

    // The program ends: the device saves its link under its key and goes; the TNC keeps the link.
    a_.Stop();
    EXPECT_TRUE(RegistryStore::Instance().KeyExists(Hive::LocalMachine,
                                                    std::string(kKeyA) + "\\" + std::to_string(c)));
    EXPECT_FALSE(atA->Has("Getrennt 0"));
    // Released with the device: its thread ends and lets go of it.
    EXPECT_TRUE(PumpUntil([&] { return before.expired(); }, 10000));

    // And starts anew: Restore brings the link back on its TNC channel, the channel set gives it its window.
    a_.device = MakeDevice(*a_.core, "DL1AAA", kKeyA);
    a_.device->Restore();
    const std::shared_ptr<IVerbindung> restored = a_.device->GetKanalVerbindung(c);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->Get_RealPath(), "DL2BBB");
    EXPECT_TRUE(restored->GetAusgehend());
    auto atA2 = std::make_shared<StackKanal>(1);
    restored->SetKanal(atA2);
    const int asked = a_.core->CountCommand("C", c);
    a_.device->Init();
    WaitReady(a_);
    // The first full check asks the TNC what the channel is connected to, and keeps the link.
    ASSERT_TRUE(PumpUntil([&] { return a_.core->CountCommand("C", c) > asked; }));
    ExchangeBinary(*atA2, *atB, kDataBytes, 4);
    EXPECT_EQ(a_.device->GetKanalVerbindung(c), restored);
    EXPECT_EQ(atB->Connection(), remote);
    EXPECT_FALSE(atA2->Has("Getrennt 0"));
    EXPECT_FALSE(atA2->Has("Getrennt 1"));
    EXPECT_FALSE(atB->Has("Getrennt 0"));

    atA2->Connection()->Disconnect();
    EXPECT_TRUE(PumpUntil([&] { return atA2->Has("Getrennt 0") && atB->Has("Getrennt 0"); }));
}

// A third press of "disconnect" kills the link on this (the GUI) thread while the device thread may be in
// the middle of the link's status exchange, 15 ms on the line: the status it then writes belongs to a
// released link. The device must stay ready and keep serving.
TEST_F(StackAirTest, KillingALinkDuringItsStatusExchangeLeavesTheDeviceReady) {
    constexpr std::uint32_t kExchangeMs = 15;
    Start(a_, "DL1AAA", {}, {}, kExchangeMs);
    Start(b_, "DL2BBB", {}, {}, kExchangeMs);
    const TraceLines trace;
    const auto allFree = [](const StackStation& station) {
        for (int c = 1; c <= 4; ++c) {
            if (station.core->Channel(c).state != LinkState::Free || station.device->GetKanalVerbindung(c)) {
                return false;
            }
        }
        return true;
    };
    // The kill lands while the TNC answers the first, second or third "L" of the link after the connect
    // (0-300 ms after it): the frame has reached the TNC, the device thread waits for the reply.
    for (int round = 0; round < 9; ++round) {
        SCOPED_TRACE(round);
        auto atA = std::make_shared<StackKanal>(round + 1);
        std::shared_ptr<IVerbindung> connection;
        ASSERT_EQ(Connect(a_, "DL2BBB", atA, connection), TConnectResult::Connected);
        const int c = connection->Get_Handle();
        const int before = a_.core->CountCommand("L", c);
        ASSERT_TRUE(PumpUntil([&] { return a_.core->CountCommand("L", c) > before + round % 3; }, 5000));
        for (int press = 0; press < 3; ++press) {
            connection->Disconnect();
        }
        EXPECT_EQ(connection->GetDiscLevel(), 6);
        connection.reset();
        PumpUntil([&] { return (allFree(a_) && allFree(b_)) || !a_.device->HasThread(); }, 15000);
        ASSERT_EQ(a_.device->GetStatus(), TGeraetStatus::Bereit) << a_.device->GetStatusText();
        ASSERT_TRUE(a_.device->HasThread());
        ASSERT_TRUE(allFree(a_) && allFree(b_)) << Describe(*atA);
    }
    EXPECT_FALSE(trace.Contains("EXCEPTION")) << trace.Text("StatusU");

    // The device still makes links.
    auto atA = std::make_shared<StackKanal>(99);
    const auto atB = ConnectAToB(atA);
    ASSERT_TRUE(atB);
    ASSERT_TRUE(atA->Connection()) << Describe(*atA);
    atA->Connection()->Disconnect();
    EXPECT_TRUE(PumpUntil([&] { return !atA->Connection() && !atB->Connection(); }));
}

} // namespace
} // namespace quarn::test
