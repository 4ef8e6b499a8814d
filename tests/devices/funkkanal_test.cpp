// Radio ports, call-sign parsing and the SSID walk of an outgoing connect.
#include "FakeKanal.h"
#include "devices/FunkKanalU.h"
#include "devices/GeraetU.h"
#include "devices/RufzeichenU.h"
#include "devices/SsidIteratorU.h"
#include "platform/Registry.h"
#include "stations/MyCallsU.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

// A device that records what its ports hand it and answers connects with a set result.
class PortDevice : public TGeraet {
public:
    void Run() override {}
    std::string TypName() const override { return "Test"; }
    std::string KlassenName() const override { return "TGeraetTest"; }
    int EinstellungenSeite(QWidget*) override { return 0; }
    void EinstellungenSchliessen() override {}
    void EinstellungenUebernehmen() override {}
    int GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>&, int) override { return 0; }
    TConnectResult Verbinde(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                            std::shared_ptr<IVerbindung>&, const std::shared_ptr<IKanal>& channel,
                            std::string& myCall) override {
        lastPort = port;
        lastChannel = channel;
        if (answer == TConnectResult::Connected) {
            path = "DB0XYZ via DB0AB";
            myCall = "DL1ABC-1";
        }
        return answer;
    }
    void Trenne(const std::shared_ptr<IVerbindung>&) override {}
    void Restore() override {}
    bool SendUI(const std::shared_ptr<IFunkKanal>&, std::string_view destination, std::string_view,
                std::string_view text) override {
        EXPECT_EQ(destination, "CQ");
        pieces.emplace_back(text);
        return pieces.size() != refusePiece;
    }

    TConnectResult answer = TConnectResult::Connected;
    std::shared_ptr<IFunkKanal> lastPort;
    std::shared_ptr<IKanal> lastChannel;
    std::vector<std::string> pieces;
    std::size_t refusePiece = 0; // 1-based; 0 accepts all
};

TEST(Rufzeichen, CallAndSsid) {
    struct Case {
        const char* text;
        const char* call;
        int ssid;
        bool valid;
    };
    const Case cases[] = {
        {"DL1ABC", "DL1ABC", 255, true},
        {"DL1ABC-7", "DL1ABC", 7, true},
        {"DL1ABC-X", "DL1ABC", 255, true},
        {"DL1ABC-", "DL1ABC", 255, true},
        {"DL1ABC-0", "DL1ABC", 0, true},
        {"DL1ABC-15", "DL1ABC", 15, true},
        {"DL1ABC-007", "DL1ABC", 7, true},
        {"DL1ABC-16", "DL1ABC", 255, false},
        {"DL1ABC-300", "DL1ABC", 255, false}, // 300 must not become 44
        {"DL1ABC-99999999999", "DL1ABC", 255, false},
        {"DB0AB-2-3", "DB0AB", 255, true},
    };
    const std::string longest(252, 'Y'); // a TNC command carries "I" and 255 bytes of call
    EXPECT_TRUE(TRufzeichen(longest + "-15").IsValid());
    EXPECT_FALSE(TRufzeichen("Y" + longest + "-15").IsValid());
    EXPECT_TRUE(TRufzeichen(std::string(255, 'Y')).IsValid());
    EXPECT_FALSE(TRufzeichen(std::string(256, 'Y')).IsValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TRufzeichen parsed(c.text);
        EXPECT_EQ(parsed.GetCall(), c.call);
        EXPECT_EQ(parsed.GetSsid(), c.ssid);
        EXPECT_EQ(parsed.IsValid(), c.valid);
    }
}

class SsidIteratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        store.WriteDWord(Hive::CurrentUser, std::string(kEigeneRufzeichenKey) + "\\DL1ABC", "SSIDs", 0x21);
        calls = TMyCalls::Create(store);
    }
    static std::vector<std::string> Walk(std::string_view call) {
        TSsidIterator it(call);
        std::vector<std::string> texts;
        for (bool more = it.First(); more; more = it.Next()) {
            texts.push_back(it.GetText());
        }
        EXPECT_TRUE(it.Eof());
        texts.push_back(it.GetText());
        return texts;
    }

    TempDir dir;
    RegistryStore store{dir / "registry"};
    std::shared_ptr<TMyCalls> calls;
};

TEST_F(SsidIteratorTest, WalksTheSsidsAnOwnCallMayUse) {
    EXPECT_EQ(Walk("DL1ABC"), (std::vector<std::string>{"DL1ABC", "DL1ABC-5", "NOCALL"}));
    EXPECT_EQ(Walk("dl1abc"),
              (std::vector<std::string>{"DL1ABC", "DL1ABC-5", "NOCALL"})); // typed in lower case
    EXPECT_EQ(Walk("DL1ABC-3"), (std::vector<std::string>{"DL1ABC-3", "NOCALL"}));
    EXPECT_EQ(Walk("DL1ABC-16"), (std::vector<std::string>{"NOCALL"}));

    std::vector<std::string> stranger{"DK0XX"};
    for (int ssid = 1; ssid <= 15; ++ssid) {
        stranger.push_back("DK0XX-" + std::to_string(ssid));
    }
    stranger.push_back("NOCALL");
    EXPECT_EQ(Walk("DK0XX"), stranger);

    TSsidIterator it("DL1ABC");
    EXPECT_FALSE(it.Eof());
    EXPECT_EQ(it.GetText(), "DL1ABC"); // made at the first
}

class FunkKanalTest : public ::testing::Test {
protected:
    void TearDown() override { SetFreierKanalQuelle(nullptr); }

    std::shared_ptr<PortDevice> device = std::make_shared<PortDevice>();
    std::shared_ptr<TFunkKanal> port = std::make_shared<TFunkKanal>(device);
};

TEST_F(FunkKanalTest, ConnectTakesAFreeChannelOnlyWhenNeededAndGivesItBackOnFailure) {
    auto freeChannel = std::make_shared<FakeKanal>(4);
    int asked = 0;
    SetFreierKanalQuelle([&]() -> std::shared_ptr<IKanal> {
        ++asked;
        freeChannel->SetReserviert(true);
        return freeChannel;
    });

    std::string path = "DB0XYZ";
    std::string myCall = "DL1ABC";
    std::shared_ptr<IKanal> given = std::make_shared<FakeKanal>(2);
    EXPECT_EQ(port->VerbindeKurz(path, myCall, given), TConnectResult::Connected);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(device->lastChannel, given);
    EXPECT_EQ(device->lastPort, port);
    EXPECT_EQ(path, "DB0XYZ via DB0AB");
    EXPECT_EQ(myCall, "DL1ABC-1");

    device->answer = TConnectResult::DeviceTimeout;
    std::shared_ptr<IKanal> busy = std::make_shared<FakeKanal>(3, false);
    EXPECT_EQ(port->VerbindeKurz(path, myCall, busy), TConnectResult::DeviceTimeout);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(busy, freeChannel);
    EXPECT_FALSE(freeChannel->GetReserviert());

    std::shared_ptr<IKanal> none;
    SetFreierKanalQuelle([] { return std::shared_ptr<IKanal>(); });
    EXPECT_EQ(port->VerbindeKurz(path, myCall, none), TConnectResult::NoFreeChannel);
}

TEST_F(FunkKanalTest, ConnectFailsWithoutDeviceOrWithAnSsidThatCannotBeUsed) {
    int asked = 0;
    SetFreierKanalQuelle([&]() -> std::shared_ptr<IKanal> {
        ++asked;
        return std::make_shared<FakeKanal>(1);
    });
    std::string path = "DB0XYZ";
    std::string myCall = "DL1ABC-16";
    std::shared_ptr<IKanal> channel;
    EXPECT_EQ(port->VerbindeKurz(path, myCall, channel), TConnectResult::NoFreeSsid);
    EXPECT_EQ(device->lastPort, nullptr);

    myCall = "DL1ABC";
    device.reset();
    EXPECT_EQ(port->VerbindeKurz(path, myCall, channel), TConnectResult::NoDevice);
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(port->SendUI("CQ", "DL1ABC", "text"));
}

TEST_F(FunkKanalTest, UiTextGoesOutInPiecesOf256) {
    const std::string text = std::string(256, 'a') + std::string(256, 'b') + std::string(88, 'c');
    EXPECT_TRUE(port->SendUI("CQ", "DL1ABC", text));
    ASSERT_EQ(device->pieces.size(), 3u);
    EXPECT_EQ(device->pieces[0], std::string(256, 'a'));
    EXPECT_EQ(device->pieces[1], std::string(256, 'b'));
    EXPECT_EQ(device->pieces[2], std::string(88, 'c'));

    device->pieces.clear();
    device->refusePiece = 2;
    EXPECT_FALSE(port->SendUI("CQ", "DL1ABC", text));
    EXPECT_EQ(device->pieces.size(), 2u);
}

} // namespace
} // namespace quarn::test
