// Automation clients on a connection: each has its own copy of the received text, waits for a text
// across piece boundaries and reads what follows it; slots, release and the size bound.
#include "VerbindungTestFixture.h"
#include "connections/automation/ApplicationU.h"
#include "devices/TraceLines.h"
#include "foundation/QuarnException.h"
#include "platform/Event.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace quarn::test {
namespace {

// A client as the automation server makes one.
std::shared_ptr<TApplication> NewClient() {
    return TApplication::Create();
}

std::string Message(const std::exception& error) {
    return error.what();
}

using VerbindungClientsTest = VerbindungFixture;

TEST_F(VerbindungClientsTest, TwoClientsFindTextSplitOverPiecesAndReadOnFromIt) {
    const auto connection = Make();
    const auto first = NewClient();
    const auto second = NewClient();
    ASSERT_TRUE(connection->AddApplication(first));
    ASSERT_TRUE(connection->AddApplication(second));

    auto firstWaits = std::async(std::launch::async, [&] { connection->WaitForText("Pass", first); });
    auto secondWaits = std::async(std::launch::async, [&] {
        ScopedAutomationClient scope(second);
        connection->WaitForText("word:"); // the client of the calling thread
    });
    for (const char* piece : {"Login ok\rPa", "ssw", "ord: x", "yz\r"}) {
        connection->EmpfangeText(piece);
    }
    ASSERT_EQ(firstWaits.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    ASSERT_EQ(secondWaits.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    firstWaits.get();
    secondWaits.get();

    // The rest of the piece that completed the match comes first, then the pieces as they came.
    EXPECT_EQ(connection->ReceiveText(first), "w");
    EXPECT_EQ(connection->ReceiveText(first), "ord: x");
    EXPECT_EQ(connection->ReceiveText(first), "yz\r");
    EXPECT_EQ(connection->ReceiveText(second), " x");
    EXPECT_EQ(connection->ReceiveText(second), "yz\r");
    // The handler's own copy is untouched.
    EXPECT_EQ(connection->GetReceiveQueue().Count(), 4);
}

TEST_F(VerbindungClientsTest, TextAtTheEndLeavesAnEmptyRestThatIsReadAtOnce) {
    const auto connection = Make();
    const auto client = NewClient();
    connection->AddApplication(client);
    connection->EmpfangeText("prompt>");
    connection->WaitForText("prompt>", client);
    EXPECT_EQ(connection->ReceiveText(client), "");
}

TEST_F(VerbindungClientsTest, AnEmptyTextIsFoundAtOnceAndTakesNothing) {
    const auto connection = Make();
    const auto client = NewClient();
    ASSERT_TRUE(connection->AddApplication(client));
    // Nothing has been received: a wait that looked for text would never end on its own.
    Event gone(EventReset::Manual);
    auto waits = std::async(std::launch::async, [&] { connection->WaitForText("", client, &gone); });
    const bool atOnce = waits.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    gone.Set(); // ends a wait that hangs, so the test reports it rather than hanging too
    EXPECT_TRUE(atOnce);
    EXPECT_NO_THROW(waits.get());

    connection->EmpfangeText("abc");
    EXPECT_EQ(connection->ReceiveText(client), "abc");
}

TEST_F(VerbindungClientsTest, SeventeenthClientIsNotFound) {
    const auto connection = Make();
    std::vector<std::shared_ptr<TApplication>> clients;
    for (int i = 0; i < TVerbindung::kClientSlots; ++i) {
        clients.push_back(NewClient());
        ASSERT_TRUE(connection->AddApplication(clients.back()));
    }
    EXPECT_TRUE(connection->AddApplication(clients.front())) << "attached already";
    const auto extra = NewClient();
    EXPECT_FALSE(connection->AddApplication(extra));
    try {
        connection->WaitForText("x", extra);
        FAIL() << "no error";
    } catch (const QuarnException& error) {
        EXPECT_NE(Message(error).find("Application not found."), std::string::npos);
    }
    // A client without the calling thread's identity has no slot either.
    EXPECT_THROW(connection->ReceiveText(), QuarnException);

    connection->RemoveApplication(clients.front());
    EXPECT_TRUE(connection->AddApplication(extra));
}

TEST_F(VerbindungClientsTest, ReleaseEndsAWaitingClientWithAnError) {
    const auto connection = Make();
    const auto client = NewClient();
    connection->AddApplication(client);
    auto waits = std::async(std::launch::async, [&] { connection->WaitForText("never", client); });
    auto reads = std::async(std::launch::async, [&] { return connection->ReceiveText(client); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    connection->Release();
    for (std::future_status status :
         {waits.wait_for(std::chrono::seconds(10)), reads.wait_for(std::chrono::seconds(10))}) {
        ASSERT_EQ(status, std::future_status::ready);
    }
    try {
        waits.get();
        FAIL() << "no error";
    } catch (const QuarnException& error) {
        EXPECT_NE(Message(error).find("Connection released"), std::string::npos);
    }
    EXPECT_THROW(reads.get(), QuarnException);
    EXPECT_THROW(connection->AddApplication(client), QuarnException);
}

TEST_F(VerbindungClientsTest, ClientThatNeverReadsKeepsTheNewestMebibyte) {
    const auto connection = Make();
    const auto client = NewClient();
    connection->AddApplication(client);
    TraceLines trace;

    const std::string block(256 * 1024, 'a');
    for (char c : {'a', 'b', 'c', 'd'}) {
        connection->EmpfangeText(std::string(block.size(), c));
    }
    connection->EmpfangeText("tail");

    std::string kept;
    while (kept.size() < TVerbindung::kClientLimitBytes) {
        kept += connection->ReceiveText(client);
    }
    EXPECT_EQ(kept.size(), TVerbindung::kClientLimitBytes);
    EXPECT_EQ(kept.substr(0, 4), "aaaa") << "only the oldest 4 bytes went";
    EXPECT_EQ(kept.substr(kept.size() - 4), "tail");
    EXPECT_TRUE(trace.Contains("4 Bytes verworfen"));

    // One piece larger than the bound keeps its newest part.
    connection->EmpfangeText(std::string(TVerbindung::kClientLimitBytes, 'x') + "end");
    const std::string big = connection->ReceiveText(client);
    EXPECT_EQ(big.size(), TVerbindung::kClientLimitBytes);
    EXPECT_EQ(big.substr(big.size() - 3), "end");
}

} // namespace
} // namespace quarn::test
