// Sending a send item as text: line ends, progress, the remote station's abort and the texts around it.
#include "StandardFixture.h"
#include "connections/send/DateiSendenU.h"
#include "connections/transfer/VerbindungTextSendU.h"
#include "foundation/MemoryStreamU.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using enum TStationType;

class OffenTextSend final : public TVerbindungTextSend {
public:
    using TVerbindungTextSend::ReceiveData;
    using TVerbindungTextSend::TransmitQueueEmpty;
    using TVerbindungTextSend::TVerbindungTextSend;
};

class TextSenden : public ::testing::Test {
protected:
    void Beginne(std::string text) {
        item = std::make_shared<TDateiSenden>(connection);
        item->SetStream(std::make_unique<TMemoryStream>(std::move(text)));
        item->SetTextVorher("vorher");
        item->SetTextNachher("nachher");
        connection->SetDateiSenden(item);
        sender = TVerbindungAbstract::Erzeuge<OffenTextSend>(nullptr, connection);
    }
    // Plays the device: takes what was queued until the stream is exhausted.
    std::string SendeAlles() {
        std::string sent;
        for (;;) {
            sender->TransmitQueueEmpty();
            if (connection->transmit.IsEmpty()) {
                return sent;
            }
            while (!connection->transmit.IsEmpty()) {
                sent += connection->transmit.PopString();
            }
        }
    }
    void TearDown() override {
        if (sender) {
            sender->Release();
        }
    }

    std::shared_ptr<StandardVerbindung> connection = std::make_shared<StandardVerbindung>();
    std::shared_ptr<TDateiSenden> item;
    std::shared_ptr<OffenTextSend> sender;
};

TEST_F(TextSenden, LineEndsGoOutAsCrAndProgressReachesTheFileSize) {
    struct Fall {
        std::string text, gesendet;
    };
    std::string lang;
    for (int i = 0; i < 100; ++i) {
        lang += "Zeile " + std::to_string(i) + "\r\n"; // CR LF pairs fall across the 256-byte pieces
    }
    std::string langCr = lang;
    std::erase(langCr, '\n');
    const Fall faelle[] = {{lang, langCr}, {"a\nb\n\nc", "a\rb\r\rc"}, {"x\r\n\r\ny", "x\r\ry"}};
    for (const Fall& fall : faelle) {
        Beginne(fall.text);
        EXPECT_EQ(SendeAlles(), fall.gesendet);
        EXPECT_EQ(item->GetPosition(), static_cast<std::int64_t>(fall.text.size()));
        EXPECT_FLOAT_EQ(item->GetProzent(), 100.0F);
        sender->EventLoop(); // finished: Terminated(0)
        EXPECT_EQ(connection->sent, (std::vector<std::string>{"vorher\r", "nachher\r"}));
        EXPECT_EQ(connection->job, nullptr);
        connection->sent.clear();
        sender->Release();
    }
}

TEST_F(TextSenden, RemoteAbortStopsTheTransferAndTheTextAfterStillGoes) {
    connection->typ = st_terminal;
    Beginne(std::string(1000, 'x'));
    SendeAlles();
    connection->receive.PushString("/hallo\r");
    connection->receive.PushString("//c");
    sender->ReceiveData();
    EXPECT_EQ(connection->Shown(), std::vector<std::string>{"/hallo\r"});
    connection->receive.PushString("ut\r");
    sender->ReceiveData();
    EXPECT_EQ(connection->Shown().size(), 1U); // the request itself is not shown
    sender->EventLoop();
    EXPECT_EQ(connection->sent, (std::vector<std::string>{
                                    "vorher\r", "<Quarn>: Textdatei-Senden abgebrochen.\r", "nachher\r"}));
}

TEST_F(TextSenden, AbortRequestIsAnsweredOnlyToATerminalAndTheTextAfterGoesForEveryEnd) {
    for (const std::string ende : {"#abort#", "//ABORT", "stop", "link"}) {
        connection->typ = st_box;
        connection->sent.clear();
        Beginne("text");
        if (ende == "stop") {
            sender->Stop();
        } else if (ende == "link") {
            connection->disconnect.Set();
        } else {
            connection->receive.PushString(ende + "\r");
            sender->ReceiveData();
        }
        sender->EventLoop();
        EXPECT_EQ(connection->sent, (std::vector<std::string>{"vorher\r", "nachher\r"})) << ende;
        connection->disconnect.Reset();
        sender->Release();
    }
}

} // namespace
} // namespace quarn::test
