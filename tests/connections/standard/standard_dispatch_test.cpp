// What the standard handler does with complete lines and queued jobs: remote commands, transfer starts,
// mailbox-list marks, the send queue, and a transfer handler that fails.
#include "StandardFixture.h"
#include "platform/Event.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quarn::test {
namespace {

using enum TStationType;

class FakeJob final : public IDateiSenden {
public:
    explicit FakeJob(std::uint8_t protocol) : protocol_(protocol) {}
    int released = 0;

    void Release() override { ++released; }
    std::uint8_t GetProtokoll() const override { return protocol_; }

    void Subscribe(const std::shared_ptr<ISubscriber>&) override {}
    void Unsubscribe(const std::shared_ptr<ISubscriber>&) override {}
    void SetStream(std::unique_ptr<TStream>) override {}
    TStream* GetStream() const override { return nullptr; }
    void SetDateiname(const std::filesystem::path&) override {}
    std::filesystem::path GetDateiname() const override { return {}; }
    void SetAnzeigename(std::string_view) override {}
    std::string GetAnzeigename() override { return {}; }
    std::string GetTextVorher() const override { return {}; }
    void SetTextVorher(std::string_view) override {}
    std::string GetTextNachher() const override { return {}; }
    void SetTextNachher(std::string_view) override {}
    void SetZustand(std::uint8_t) override {}
    std::uint8_t GetZustand() const override { return 0; }
    void SetProtokoll(std::uint8_t) override {}
    void SetPosition(std::int64_t) override {}
    std::int64_t GetPosition() const override { return 0; }
    float GetProzent() const override { return 0; }
    void SetGroesse(std::int64_t) override {}
    std::int64_t GetGroesse() const override { return 0; }
    void Warten() override {}
    void Starten() override {}
    void Beenden() override {}
    void AddBytes(std::int64_t) override {}

private:
    std::uint8_t protocol_;
};

class FakeQueue final : public IDateiSendenQueue {
public:
    std::vector<std::shared_ptr<IDateiSenden>> items;
    Event event{EventReset::Manual, false};

    int GetCount() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<IDateiSenden> GetItems(int index) const override { return items.at(index); }
    void EnQueue(std::shared_ptr<IDateiSenden> item) override {
        items.push_back(std::move(item));
        event.Set();
    }
    std::shared_ptr<IDateiSenden> DeQueue() override {
        auto first = items.front();
        items.erase(items.begin());
        return first;
    }
    std::shared_ptr<IDateiSenden> Current() const override { return items.front(); }
    const Event& GetEvent() const override { return event; }
    void Lock() override {}
    void UnLock() override {}
    int Remove(const std::shared_ptr<IDateiSenden>& item) override {
        const auto found = std::find(items.begin(), items.end(), item);
        if (found == items.end()) {
            return -1;
        }
        const int index = static_cast<int>(found - items.begin());
        items.erase(found);
        return index;
    }
    void Release() override {}
    void Subscribe(const std::shared_ptr<ISubscriber>&) override {}
    void Unsubscribe(const std::shared_ptr<ISubscriber>&) override {}
};

class StandardDispatch : public StandardFixture {
protected:
    StubLog log;
};

TEST_F(StandardDispatch, RemoteCommandLines) {
    const struct {
        TStationType art;
        bool fernsteuerung;
        std::string_view line;
        bool executed;
        bool refused;
    } cases[] = {
        {st_box, false, "//x\r", false, false},       {st_box, true, "//x\r", false, false},
        {st_terminal, false, "//x\r", false, true},   {st_terminal, true, "//echo hallo\r", true, false},
        {st_terminal, true, "/// x\r", false, false}, {st_terminal, true, "// x\r", false, false},
    };
    for (const auto& c : cases) {
        connection = std::make_shared<StandardVerbindung>();
        connection->typ = c.art;
        connection->fernsteuerung = c.fernsteuerung;
        Start();
        Receive({c.line});
        EXPECT_EQ(ShownText(), c.line) << "every line is shown";
        EXPECT_EQ(connection->remote->lines.size(), c.executed ? 1U : 0U) << c.line;
        EXPECT_EQ(connection->prompts.size(), c.refused ? 1U : 0U) << c.line;
        if (c.refused) {
            EXPECT_EQ(connection->prompts.front(), "3 Keine Auswertung von Fernsteuerbefehlen.");
        }
        handler->Release();
    }
}

TEST_F(StandardDispatch, TransferStartsReadTheirStartLineWhole) {
    const struct {
        std::string_view line;
        TTransferArt art;
    } cases[] = {
        {"#BIN#1234#|5678#$1234#test.txt\r", TTransferArt::AutobinReceive},
        {"#DIDADIT#\r", TTransferArt::DidaditReceive},
        {" go_7+. 001 of 003 test.7pl\r", TTransferArt::SiebenPlusReceive},
        {" go_text. test.txt\r", TTransferArt::GoTextReceive},
        {" go_info. test.inf\r", TTransferArt::GoTextReceive},
    };
    for (const auto& c : cases) {
        StubLog caseLog;
        SetTransferFabrik(c.art, StubFabrik(caseLog));
        connection = std::make_shared<StandardVerbindung>();
        connection->typ = st_terminal;
        Start();
        // The start line comes in two pieces with more text behind it.
        const std::string line(c.line);
        Receive({line.substr(0, 4), line.substr(4) + "Hallo\r"});
        EXPECT_EQ(caseLog.lines, std::vector<std::string>{line}) << c.line;
        EXPECT_EQ(connection->GetModul(), handler) << "the standard handler is current again";
        // The rest went on through the standard handler.
        EXPECT_TRUE(connection->receive.IsEmpty());
        EXPECT_EQ(connection->Shown().back(), "Hallo\r");
        handler->Release();
        SetTransferFabrik(c.art, {});
    }
}

TEST_F(StandardDispatch, NoTransferFromANode) {
    SetTransferFabrik(TTransferArt::AutobinReceive, StubFabrik(log));
    connection->typ = st_digi;
    Start();
    Receive({"#BIN#1234\r"});
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(ShownText(), "#BIN#1234\r");
}

TEST_F(StandardDispatch, FailingTransferHandlerLeavesTheStandardHandlerRunning) {
    log.fail = true;
    SetTransferFabrik(TTransferArt::AutobinReceive, StubFabrik(log));
    connection->typ = st_terminal;
    Start();
    Receive({"#BIN#1234\r"});
    // Its clean-up ran as for an abort, once.
    EXPECT_EQ(log.terminated, std::vector<int>{TVerbindungAbstract::kAbgebrochen});
    EXPECT_EQ(connection->GetModul(), handler);
    ASSERT_FALSE(connection->prompts.empty());
    // Text still moves both ways.
    // The failed handler never took its start line: it starts nothing again.
    EXPECT_TRUE(connection->receive.IsEmpty());
    Receive({"weiter\r"});
    EXPECT_EQ(connection->Shown().back(), "weiter\r");
    connection->typed.PushString("getippt\r");
    handler->SendData();
    EXPECT_EQ(connection->transmit.PopString(), "getippt\r");
}

TEST_F(StandardDispatch, FailingSendJobIsRemovedAndReleased) {
    auto queue = std::make_shared<FakeQueue>();
    connection->sendQueue = queue;
    auto job = std::make_shared<FakeJob>(2);
    queue->EnQueue(job);
    log.fail = true;
    SetTransferFabrik(TTransferArt::AutobinSend, StubFabrik(log));
    Start();
    connection->receive.PushString("x\r"); // the stub fails on its first wake-up
    handler->SendFile();
    EXPECT_EQ(log.terminated, std::vector<int>{TVerbindungAbstract::kAbgebrochen});
    EXPECT_TRUE(queue->items.empty());
    EXPECT_EQ(job->released, 1);
    EXPECT_EQ(connection->job, nullptr);
}

TEST_F(StandardDispatch, SendQueueDispatchByProtocol) {
    auto queue = std::make_shared<FakeQueue>();
    connection->sendQueue = queue;
    StubLog text;
    StubLog didadit;
    SetTransferFabrik(TTransferArt::TextSend, StubFabrik(text));
    SetTransferFabrik(TTransferArt::DidaditSend, StubFabrik(didadit));
    Start();
    for (const std::uint8_t protocol : {1, 5, 9}) {
        auto job = std::make_shared<FakeJob>(protocol);
        queue->EnQueue(job);
        connection->receive.PushString("start\r");
        handler->SendFile();
        EXPECT_TRUE(queue->items.empty()) << int(protocol);
        EXPECT_EQ(job->released, 1) << int(protocol);
        while (!connection->receive.IsEmpty()) {
            connection->receive.PopString();
        }
    }
    EXPECT_EQ(text.lines.size(), 1U);
    EXPECT_EQ(didadit.lines.size(), 1U);
    connection->sendQueue = nullptr;
    handler->SendFile(); // nothing to do
}

TEST_F(StandardDispatch, MailboxListLinesMarkTheirConsoleRow) {
    connection->typ = st_box;
    Start();
    Receive({"DB0ABC> \r", "  1234  ", "DL1ABC   > ALLE    12.03.24 2345 Treffen\r", "Kein Listeneintrag\r",
             "1235 DL2XYZ > TEST 13.03.24 123 Hallo\r"});
    // The fake's console row is the number of pieces shown so far.
    EXPECT_EQ(connection->kanal->marks, (std::vector<int>{2, 4}));
}

} // namespace
} // namespace quarn::test
