// The common DIDADIT handler base on a connection: block sending, the ERR answers, chat and the block
// types both sides treat alike.
#include "connections/FakeModulVerbindung.h"
#include "connections/transfer/VerbindungDidaditU.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace quarn::test {
namespace {

using namespace std::chrono_literals;

class SystemLines : public FakeModulVerbindung {
public:
    void KanalNotify(std::string_view text, int kind) override {
        const std::lock_guard lock(mutex_);
        notified_.push_back(std::to_string(kind) + ":" + std::string(text));
    }
    std::vector<std::string> Notified() const {
        const std::lock_guard lock(mutex_);
        return notified_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> notified_;
};

// A minimal protocol side: received ERR blocks go to ErrEmpfangen, the common types to HandleGemeinsam, and
// any other type is unexpected (ERR 100, fatal).
class Seite : public TVerbindungDidadit {
public:
    using TVerbindungDidadit::SetChat;
    using TVerbindungDidadit::SetDigest;
    using TVerbindungDidadit::TVerbindungDidadit;

    std::string GetClassName() const override { return "Seite"; }
    int Reason() const { return reason_.load(); }

protected:
    void Init() override {
        SetUseEvent(5, true);
        SetUseEvent(6, true);
    }
    void ReceiveData() override {
        TStringQueue& received = Verbindung()->GetReceiveQueue();
        while (!received.IsEmpty()) {
            EmpfangeBytes(received.PopString());
        }
        while (auto block = NaechsterBlock()) {
            if (block->typ == static_cast<std::uint16_t>(TDidaditTyp::Err)) {
                ErrEmpfangen(block->data);
            } else if (!HandleGemeinsam(*block)) {
                SendError(100, {"DATA"});
            }
        }
    }
    void Terminated(int reason) override {
        reason_ = reason;
        TVerbindungDidadit::Terminated(reason);
    }

private:
    std::atomic<int> reason_{-1};
};

struct Lauf {
    std::shared_ptr<SystemLines> connection = std::make_shared<SystemLines>();
    std::shared_ptr<Seite> seite = TVerbindungAbstract::Erzeuge<Seite>(nullptr, connection);
    std::future<void> loop = std::async(std::launch::async, [this] { seite->EventLoop(); });

    ~Lauf() {
        seite->Finish();
        loop.wait();
        seite->Release();
    }
    bool Ended() { return loop.wait_for(5s) == std::future_status::ready; }
    // Every block sent so far, in order.
    std::vector<TDidaditBlock> Gesendet() {
        TDidaditFrameSplitter splitter;
        while (!connection->transmit.IsEmpty()) {
            const std::string piece = connection->transmit.PopString();
            EXPECT_LE(piece.size(), 256u);
            splitter.Add(piece);
        }
        std::vector<TDidaditBlock> blocks;
        while (auto frame = splitter.Next()) {
            blocks.push_back(*DidaditDecodeFrame(*frame));
        }
        return blocks;
    }
    // Waits until the channel shows `count` received texts.
    bool Zeigt(std::size_t count) {
        for (int i = 0; i < 500 && connection->Shown().size() < count; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return connection->Shown().size() >= count;
    }
};

const MD5Digest kNull{};

std::string Frame(TDidaditTyp typ, std::string_view data) {
    return DidaditEncodeFrame(typ, kNull, data);
}

TEST(DidaditVerbindung, AnswersCommonBlocksAndGoesOnAfterNonFatalErrors) {
    Lauf lauf;
    MD5Digest digest{};
    digest[3] = 0xC0;
    lauf.seite->SetDigest(digest);
    const std::string stream = Frame(TDidaditTyp::EchoReq, std::string(300, '\xDB')) +
                               DidaditEncodeFrame(13, kNull, "") + "\xC0\x01\x02\x03\xC0" +
                               Frame(TDidaditTyp::Err, "150") + Frame(TDidaditTyp::Chat, "Hallo\r");
    // Delivered in awkward pieces: frames split and joined.
    for (std::size_t start = 0; start < stream.size(); start += 7) {
        lauf.connection->receive.PushString(stream.substr(start, 7));
    }
    ASSERT_TRUE(lauf.Zeigt(1));
    EXPECT_EQ(lauf.connection->Shown(), std::vector<std::string>{"Hallo\r"});
    EXPECT_EQ(lauf.connection->Notified(), std::vector<std::string>{"3:Empfange ERR: 150"});

    const std::vector<TDidaditBlock> sent = lauf.Gesendet();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].typ, static_cast<std::uint16_t>(TDidaditTyp::EchoRep));
    EXPECT_EQ(sent[0].data, std::string(300, '\xDB'));
    EXPECT_EQ(sent[1].typ, static_cast<std::uint16_t>(TDidaditTyp::Err));
    EXPECT_EQ(sent[1].digest, digest);
    EXPECT_EQ(sent[1].data, "150 Block type not implemented (13)");
    EXPECT_FALSE(lauf.loop.wait_for(50ms) == std::future_status::ready) << "150 is not fatal";
}

TEST(DidaditVerbindung, AFatalErrorEndsTheTransferEitherWay) {
    {
        Lauf lauf;
        lauf.connection->receive.PushString(Frame(TDidaditTyp::Err, "101 REQ block with data out of range"));
        ASSERT_TRUE(lauf.Ended());
        EXPECT_EQ(lauf.seite->Reason(), TVerbindungAbstract::kAbgebrochen);
        EXPECT_TRUE(lauf.Gesendet().empty()) << "a received error is not answered";
    }
    {
        Lauf lauf;
        lauf.connection->receive.PushString(Frame(TDidaditTyp::Data, BuildDidaditData(0, "x")));
        ASSERT_TRUE(lauf.Ended());
        EXPECT_EQ(lauf.seite->Reason(), TVerbindungAbstract::kAbgebrochen);
        const std::vector<TDidaditBlock> sent = lauf.Gesendet();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].data, "100 Unexpected block type (DATA)");
    }
    {
        Lauf lauf;
        lauf.connection->receive.PushString(Frame(TDidaditTyp::Abort, ""));
        ASSERT_TRUE(lauf.Ended());
        EXPECT_EQ(lauf.seite->Reason(), TVerbindungAbstract::kAbgebrochen);
    }
}

TEST(DidaditVerbindung, TypedTextGoesAsChatOnlyWhenTheOtherSideOfferedIt) {
    Lauf lauf;
    lauf.connection->typed.PushString("wartet");
    std::this_thread::sleep_for(50ms);
    // Without chat the loop stops listening for typed text, which stays for after the transfer.
    EXPECT_FALSE(lauf.connection->typed.IsEmpty());
    EXPECT_TRUE(lauf.Gesendet().empty());
}

TEST(DidaditVerbindung, ChatOfferedSendsTypedTextAsChatBlocks) {
    auto connection = std::make_shared<SystemLines>();
    auto seite = TVerbindungAbstract::Erzeuge<Seite>(nullptr, connection);
    seite->SetChat(true);
    connection->typed.PushString(std::string(600, 'a'));
    auto loop = std::async(std::launch::async, [&] { seite->EventLoop(); });
    for (int i = 0; i < 500 && !connection->typed.IsEmpty(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    seite->Finish();
    loop.wait();

    TDidaditFrameSplitter splitter;
    while (!connection->transmit.IsEmpty()) {
        splitter.Add(connection->transmit.PopString());
    }
    std::string chat;
    while (auto frame = splitter.Next()) {
        const auto block = DidaditDecodeFrame(*frame);
        ASSERT_TRUE(block);
        EXPECT_EQ(block->typ, static_cast<std::uint16_t>(TDidaditTyp::Chat));
        chat += block->data;
    }
    EXPECT_EQ(chat, std::string(600, 'a'));
    seite->Release();
}

} // namespace
} // namespace quarn::test
