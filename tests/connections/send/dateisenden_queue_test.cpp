// The send queue: its event while it holds items, its notifications, the order of its items, the
// programming errors it refuses, and the connection's queue behind handle 8.
#include "DateiSendenSubscriber.h"
#include "VerbindungTestFixture.h"
#include "connections/send/DateiSendenQueueU.h"
#include "connections/send/DateiSendenU.h"
#include "connections/FakeModulVerbindung.h"
#include "platform/Exception.h"

#include "platform/WaitForAny.h"

#include <future>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

std::shared_ptr<TDateiSenden> MakeItem() {
    return std::make_shared<TDateiSenden>(std::make_shared<FakeModulVerbindung>());
}

TEST(DateiSendenQueue, EventIsSetExactlyWhileItemsWaitAndEveryChangeIsTold) {
    TDateiSendenQueue queue;
    const auto subscriber = std::make_shared<CountingSubscriber>();
    queue.Subscribe(subscriber);
    const auto a = MakeItem();
    const auto b = MakeItem();
    const auto c = MakeItem();
    EXPECT_FALSE(queue.GetEvent().IsSet());

    queue.EnQueue(a);
    queue.EnQueue(b);
    queue.EnQueue(c);
    EXPECT_TRUE(queue.GetEvent().IsSet());
    EXPECT_EQ(subscriber->count, 3);
    EXPECT_EQ(subscriber->last, static_cast<IDateiSendenQueue*>(&queue));
    EXPECT_EQ(queue.GetCount(), 3);
    EXPECT_EQ(queue.GetItems(1), b);

    EXPECT_EQ(queue.Remove(MakeItem()), -1);
    EXPECT_EQ(subscriber->count, 3) << "nothing removed, nothing told";
    EXPECT_EQ(queue.Remove(b), 1);
    EXPECT_EQ(subscriber->count, 4);

    EXPECT_EQ(queue.Current(), a);
    EXPECT_EQ(queue.DeQueue(), a);
    EXPECT_TRUE(queue.GetEvent().IsSet()) << "one left";
    EXPECT_EQ(queue.Remove(c), 0);
    EXPECT_FALSE(queue.GetEvent().IsSet());
    EXPECT_EQ(subscriber->count, 6);

    queue.EnQueue(a);
    EXPECT_EQ(queue.DeQueue(), a);
    EXPECT_FALSE(queue.GetEvent().IsSet()) << "emptied by DeQueue";
}

TEST(DateiSendenQueue, MisuseIsAnAssertion) {
    TDateiSendenQueue queue;
    EXPECT_THROW(queue.DeQueue(), EAssertionFailed);
    EXPECT_THROW(queue.Current(), EAssertionFailed);
    const auto item = MakeItem();
    queue.EnQueue(item);
    EXPECT_THROW(queue.EnQueue(item), EAssertionFailed);
    EXPECT_EQ(queue.GetCount(), 1);
}

TEST(DateiSendenQueue, ReleaseEmptiesItReleasingItemsAndDroppingSubscribers) {
    TDateiSendenQueue queue;
    const auto queueSubscriber = std::make_shared<CountingSubscriber>();
    queue.Subscribe(queueSubscriber);
    const auto item = MakeItem();
    const auto itemSubscriber = std::make_shared<CountingSubscriber>();
    item->Subscribe(itemSubscriber);
    queue.EnQueue(item);
    const int told = queueSubscriber->count;

    queue.Release();
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_FALSE(queue.GetEvent().IsSet());
    EXPECT_EQ(queueSubscriber->count, told);
    item->SetZustand(1);
    EXPECT_EQ(itemSubscriber->count, 0) << "the item was released";
}

using DateiSendenQueueVerbindungTest = VerbindungFixture;

TEST_F(DateiSendenQueueVerbindungTest, ConnectionKeepsOneQueueAndReleasesItsJobsWithIt) {
    const auto connection = Make(false);
    const auto queue = connection->GetDateiSendenQueue();
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(connection->GetDateiSendenQueue(), queue);
    // A job holds its connection; the connection's release must break that.
    const auto job = std::make_shared<TDateiSenden>(connection);
    queue->EnQueue(job);
    connection->Release();
    EXPECT_EQ(queue->GetCount(), 0);
}

TEST_F(DateiSendenQueueVerbindungTest, HandleEightIsTheQueuesEventAndWakesTheHandler) {
    std::promise<std::string> woke;
    auto future = woke.get_future();
    TVerbindungThread::SetHandlerForTests([&woke](const std::shared_ptr<IVerbindungFuerModul>& connection) {
        const Event* handle = connection->GetHandle(8);
        if (handle != &connection->GetDateiSendenQueue()->GetEvent()) {
            woke.set_value("handle 8 is not the queue's event");
            return;
        }
        const int index = WaitForAny({*connection->GetHandle(4), *handle}, kInfinite);
        woke.set_value(index == 1 ? connection->GetDateiSendenQueue()->Current()->GetAnzeigename()
                                  : "link down");
    });
    const auto connection = Make();
    connection->Start();
    const auto job = std::make_shared<TDateiSenden>(connection);
    job->SetAnzeigename("brief.txt");
    connection->GetDateiSendenQueue()->EnQueue(job);
    ASSERT_TRUE(
        PumpUntil([&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(future.get(), "brief.txt");
}

} // namespace
} // namespace quarn::test
