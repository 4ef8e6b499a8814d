// A mailbox on the simulated air: after the connect it sends its prompt with an MD5 login challenge and
// waits for the answer before it lists its messages. The program's side runs the real connection with
// the standard handler and takes the password from the station database.
#include "StackFixture.h"
#include "devices/TncSimHostmode.h"
#include "stations/StationenDatenbankU.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// MD5("1234567890" + "secret") in lower-case hex, computed outside the program (md5sum).
constexpr const char* kAntwort = "e9b7ae6c91f6694cfc36d893733b1f7c";

class StackMailboxTest : public StackTest {
protected:
    void SetUp() override {
        StackTest::SetUp();
        TStationenDatenbankOptions options;
        options.folder = dir_.path();
        options.legacyFile = dir_.path() / "none.DAT";
        options.flushDelay = std::chrono::milliseconds(10);
        database_ = std::make_unique<TStationenDatenbank>(false, options);
        database_->CreateEintrag("DB0BOX")->SetPasswort("DL1AAA", TPasswortArt::Benutzer, "secret",
                                                        TPasswortMethode::MD5);
    }
    void TearDown() override {
        if (device_) {
            device_->DeInit();
            device_.reset();
        }
        StackTest::TearDown();
        database_.reset();
    }

    void StartTnc() {
        core_ = std::make_unique<TncSimCore>(StackTnc());
        air_.Attach(*core_);
        device_ = std::make_shared<TncSimHostmode>(*core_);
        device_->calls = {{"DL1AAA", {0}}};
        device_->Init();
        ASSERT_TRUE(PumpUntil([&] {
            return device_->GetStatus() == TGeraetStatus::Bereit && core_->HasCommand("U0") &&
                   core_->CountCommand("G") > 0;
        }));
    }

    TConnectResult Connect(const std::string& to, const std::shared_ptr<StackKanal>& channel) {
        auto port = std::make_shared<TFunkKanal>(device_);
        port->SetNummer(-1);
        std::string path = to;
        std::string myCall = "DL1AAA";
        std::shared_ptr<IVerbindung> connection;
        return device_->Verbinde(port, path, connection, channel, myCall);
    }

    TempDir dir_;
    std::unique_ptr<TStationenDatenbank> database_;
    std::unique_ptr<TncSimCore> core_;
    std::shared_ptr<TncSimHostmode> device_;
};

TEST_F(StackMailboxTest, AnswersTheLoginIsKnownAsMailboxAndMarksItsListLines) {
    StationSpec box;
    box.call = "DB0BOX";
    box.behaviour = StationBehaviour::Script;
    std::string error;
    ASSERT_TRUE(ParseScript("send DB0BOX> [1234567890]\\r\n"
                            "expect " +
                                std::string(kAntwort) +
                                "\\r\n"
                                "send Willkommen in der Mailbox\\r\n"
                                "send 1001 DL1ABC > ALLE     12.03.24  2345 Treffen am Samstag\\r\n"
                                "send Kein Listeneintrag\\r\n"
                                "send 1002 DK2QRS > TNC 13.03.24 123 Suche Handbuch\\r\n"
                                "send 1003 OE3KLM  > WETTER   14.03.24  812 Wetterbericht\\r\n"
                                "send (ALLE) DB0BOX> \\r\n",
                            box.script, error))
        << error;
    air_.AddStation(box);
    StartTnc();

    auto channel = std::make_shared<StackKanal>(1);
    ASSERT_EQ(Connect("DB0BOX", channel), TConnectResult::Connected);
    // The list comes only after the station's expect took the right answer.
    ASSERT_TRUE(PumpUntil([&] { return channel->Received().ends_with("(ALLE) DB0BOX> \r"); }))
        << channel->Received();
    const auto connection = channel->Connection();
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->GetStationTyp(), TStationType::st_box);
    EXPECT_EQ(channel->Marks().size(), 3U);

    connection->Disconnect();
    EXPECT_TRUE(PumpUntil([&] { return channel->Has("Getrennt 0") && !channel->Connection(); }));
}

} // namespace
} // namespace quarn::test
