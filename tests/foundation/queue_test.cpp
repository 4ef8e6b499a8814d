#include "foundation/QueueU.h"
#include "platform/Exception.h"
#include "platform/WaitForAny.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quarn {
namespace {

using namespace std::string_literals;

// The events must follow the count exactly: NotEmpty set iff count > 0, Empty set iff count == 0.
void ExpectEventsMatch(const TQueueBase& queue) {
    const int count = queue.Count();
    EXPECT_EQ(queue.NotEmptyEvent().IsSet(), count > 0) << "count " << count;
    EXPECT_EQ(queue.EmptyEvent().IsSet(), count == 0) << "count " << count;
    EXPECT_EQ(queue.IsEmpty(), count == 0);
}

TEST(StringQueue, EventsFollowTheCountThroughEveryOperation) {
    TStringQueue queue;
    ExpectEventsMatch(queue);

    queue.PushString("");
    EXPECT_EQ(queue.Count(), 0) << "an empty text is not queued";
    ExpectEventsMatch(queue);

    queue.PushFrontString("");
    EXPECT_EQ(queue.Count(), 1) << "an empty text is queued in front";
    ExpectEventsMatch(queue);
    EXPECT_EQ(queue.PopString(), "");
    ExpectEventsMatch(queue);

    queue.PushString("ab\rcd");
    queue.PushString("x");
    EXPECT_EQ(queue.Count(), 2);
    ExpectEventsMatch(queue);
    EXPECT_EQ(queue.PopLine(), "ab\r");
    EXPECT_EQ(queue.Count(), 2) << "the rest of the head stays an item";
    EXPECT_EQ(queue.PopChars(10), "cd");
    EXPECT_EQ(queue.PeekString(), "x");
    EXPECT_EQ(queue.Count(), 1);
    ExpectEventsMatch(queue);
    EXPECT_EQ(queue.PopString(), "x");
    ExpectEventsMatch(queue);
    EXPECT_EQ(queue.PeekString(), "");
}

struct TakeCase {
    const char* name;
    std::vector<std::string> queued;
    enum Kind { Line, Chars, Whole } kind;
    std::size_t max;
    std::string taken;
    std::vector<std::string> left;
};

class StringQueueTake : public ::testing::TestWithParam<TakeCase> {};

TEST_P(StringQueueTake, TakesTheRightBytesAndLeavesTheRest) {
    const TakeCase& c = GetParam();
    TStringQueue queue;
    for (const std::string& text : c.queued) {
        queue.PushString(text);
    }
    std::string taken;
    switch (c.kind) {
    case TakeCase::Line:
        taken = queue.PopLine();
        break;
    case TakeCase::Chars: {
        const std::string peeked = queue.PeekChars(c.max);
        taken = queue.PopChars(c.max);
        EXPECT_EQ(peeked, taken) << "a peek shows what the take takes";
        break;
    }
    case TakeCase::Whole:
        taken = queue.PopString();
        break;
    }
    EXPECT_EQ(taken, c.taken);
    std::vector<std::string> left;
    while (!queue.IsEmpty()) {
        left.push_back(queue.PopString());
    }
    EXPECT_EQ(left, c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringQueueTake,
    ::testing::Values(
        TakeCase{"LineSplitsAtFirstCr", {"abc\rdef"}, TakeCase::Line, 0, "abc\r", {"def"}},
        TakeCase{"LineWithoutCrTakesItem", {"def", "g"}, TakeCase::Line, 0, "def", {"g"}},
        TakeCase{"LineEndingInCrTakesItem", {"abc\r", "g"}, TakeCase::Line, 0, "abc\r", {"g"}},
        TakeCase{"LineKeepsNulBytes", {"a\0b\rc\0"s}, TakeCase::Line, 0, "a\0b\r"s, {"c\0"s}},
        TakeCase{"LineStopsAtFirstOfTwoCrs", {"\r\r"}, TakeCase::Line, 0, "\r", {"\r"}},
        TakeCase{"LineIgnoresLf", {"ab\ncd"}, TakeCase::Line, 0, "ab\ncd", {}},
        TakeCase{"CharsTakesPartOfLongerHead", {"abcdef", "g"}, TakeCase::Chars, 3, "abc", {"def", "g"}},
        TakeCase{"CharsTakesWholeHeadOfExactSize", {"abcdef", "g"}, TakeCase::Chars, 6, "abcdef", {"g"}},
        TakeCase{"CharsTakesWholeShorterHead", {"abcdef"}, TakeCase::Chars, 100, "abcdef", {}},
        TakeCase{"CharsCutsThroughNul", {"\0\0\0\0"s}, TakeCase::Chars, 1, "\0"s, {"\0\0\0"s}},
        TakeCase{"WholeKeepsNulBytes", {"\0x\0"s, "y"}, TakeCase::Whole, 0, "\0x\0"s, {"y"}}),
    [](const ::testing::TestParamInfo<TakeCase>& info) { return info.param.name; });

TEST(StringQueue, PushFrontPutsTextBeforeTheHead) {
    TStringQueue queue;
    queue.PushString("second");
    queue.PushFrontString("fir\0st"s);
    EXPECT_EQ(queue.PopString(), "fir\0st"s);
    EXPECT_EQ(queue.PopString(), "second");
}

TEST(StringQueue, TakingFromAnEmptyQueueIsAnAssertionNamingTheUnit) {
    TStringQueue queue;
    const auto expectAssertion = [](auto take) {
        try {
            take();
            ADD_FAILURE() << "no assertion";
        } catch (const EAssertionFailed& e) {
            EXPECT_NE(std::string(e.what()).find("QueueU"), std::string::npos) << e.what();
        }
    };
    expectAssertion([&] { queue.PopString(); });
    expectAssertion([&] { queue.PopChars(1); });
    expectAssertion([&] { queue.PopLine(); });
    ExpectEventsMatch(queue);
}

TEST(PointerQueue, OwnsItsItemsAndGivesNothingWhenEmpty) {
    struct Item {
        explicit Item(int v, int& alive) : value(v), alive(alive) { ++alive; }
        ~Item() { --alive; }
        int value;
        int& alive;
    };
    int alive = 0;
    {
        TQueue<Item> queue;
        EXPECT_EQ(queue.Pop(), nullptr);
        EXPECT_EQ(queue.Peek(), nullptr);

        queue.PushFront(std::make_unique<Item>(2, alive));
        ExpectEventsMatch(queue);
        queue.PushFront(std::make_unique<Item>(1, alive));
        queue.Push(std::make_unique<Item>(3, alive));
        ASSERT_NE(queue.Peek(), nullptr);
        EXPECT_EQ(queue.Peek()->value, 1);
        EXPECT_EQ(queue.Pop()->value, 1);
        EXPECT_EQ(queue.Pop()->value, 2);
        EXPECT_EQ(alive, 1);
        ExpectEventsMatch(queue);
        queue.Push(std::make_unique<Item>(4, alive));
    }
    EXPECT_EQ(alive, 0) << "items still queued are freed with the queue";
}

// A consumer that waits on NotEmptyEvent and a producer that waits for the queue to drain: every byte
// arrives, in order, and the events never disagree with what the consumer finds.
TEST(StringQueue, ProducerAndConsumerOnTwoThreads) {
    TStringQueue queue;
    constexpr int kPieces = 2000;
    std::thread producer([&] {
        for (int i = 0; i < kPieces; ++i) {
            queue.PushString(std::to_string(i) + "\r");
            if (i % 50 == 49) {
                ASSERT_TRUE(queue.EmptyEvent().Wait(10000));
            }
        }
    });
    std::string received;
    int lines = 0;
    while (lines < kPieces) {
        ASSERT_EQ(WaitForAny({queue.NotEmptyEvent()}, 10000), 0);
        ASSERT_FALSE(queue.IsEmpty()) << "NotEmptyEvent set on an empty queue";
        received += queue.PopLine();
        ++lines;
    }
    producer.join();
    std::string expected;
    for (int i = 0; i < kPieces; ++i) {
        expected += std::to_string(i) + "\r";
    }
    EXPECT_EQ(received, expected);
    ExpectEventsMatch(queue);
}

} // namespace
} // namespace quarn
