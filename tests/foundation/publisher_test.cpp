#include "foundation/DebOutU.h"
#include "foundation/PublisherU.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn {
namespace {

// A subscriber that logs its name and the data into a shared journal and then runs an optional action.
class Recorder : public ISubscriber {
public:
    Recorder(std::string name, std::vector<std::string>& journal)
        : name_(std::move(name)), journal_(journal) {}
    void Notify(void* data) override {
        journal_.push_back(name_ + ":" + *static_cast<std::string*>(data));
        if (action_) {
            action_();
        }
    }
    std::function<void()> action_;

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

class PublisherTest : public ::testing::Test {
protected:
    std::shared_ptr<Recorder> Make(const std::string& name) {
        return std::make_shared<Recorder>(name, journal_);
    }
    void Notify(std::string data) {
        journal_.clear();
        publisher_.NotifySubscribers(&data);
    }

    std::vector<std::string> journal_;
    TPublisher publisher_;
};

TEST_F(PublisherTest, NotifiesInSubscriptionOrderAndEachSubscriberOnce) {
    const auto a = Make("a");
    const auto b = Make("b");
    publisher_.Subscribe(b);
    publisher_.Subscribe(a);
    publisher_.Subscribe(b);
    Notify("1");
    EXPECT_EQ(journal_, (std::vector<std::string>{"b:1", "a:1"}));

    publisher_.Unsubscribe(b);
    Notify("2");
    EXPECT_EQ(journal_, (std::vector<std::string>{"a:2"}));
}

TEST_F(PublisherTest, NotifiesAnyNumberOfSubscribers) {
    std::vector<std::shared_ptr<Recorder>> many;
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        many.push_back(Make(std::to_string(i)));
        publisher_.Subscribe(many.back());
        expected.push_back(std::to_string(i) + ":x");
    }
    Notify("x");
    EXPECT_EQ(journal_, expected);
}

// Subscribers call back into the publisher from Notify: no deadlock, and the list of the moment is what
// gets this notification.
TEST_F(PublisherTest, SubscribersMayChangeTheListFromInsideNotify) {
    const auto a = Make("a");
    const auto b = Make("b");
    const auto late = Make("late");
    a->action_ = [&] {
        publisher_.Unsubscribe(a);
        publisher_.Unsubscribe(b);
        publisher_.Subscribe(late);
    };
    publisher_.Subscribe(a);
    publisher_.Subscribe(b);

    Notify("1");
    EXPECT_EQ(journal_, (std::vector<std::string>{"a:1", "b:1"})) << "b was unsubscribed during this round";
    Notify("2");
    EXPECT_EQ(journal_, (std::vector<std::string>{"late:2"}));
}

TEST_F(PublisherTest, ASubscriberHeldOnlyByThePublisherSurvivesUnsubscribingItself) {
    auto self = Make("self");
    std::weak_ptr<Recorder> watch = self;
    // The publisher's list holds the last reference; the notification's own copy keeps it alive here.
    self->action_ = [this, watch] { publisher_.Unsubscribe(watch.lock()); };
    publisher_.Subscribe(self);
    self.reset();
    Notify("1");
    EXPECT_EQ(journal_, (std::vector<std::string>{"self:1"}));
    EXPECT_TRUE(watch.expired());
}

TEST_F(PublisherTest, TracesSubscriptionsWithTheSubscribersAddress) {
    std::vector<std::string> lines;
    std::mutex mutex;
    ScopedTraceCapture capture([&](std::string_view line) {
        const std::lock_guard lock(mutex);
        lines.emplace_back(line);
    });
    const auto a = Make("a");
    const auto unknown = Make("unknown");
    char hex[9];
    std::snprintf(
        hex, sizeof hex, "%08X",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(static_cast<ISubscriber*>(a.get()))));
    char unknownHex[9];
    std::snprintf(
        unknownHex, sizeof unknownHex, "%08X",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(static_cast<ISubscriber*>(unknown.get()))));

    publisher_.Subscribe(a);
    publisher_.Unsubscribe(a);
    publisher_.Unsubscribe(unknown);

    ASSERT_EQ(lines.size(), 3u);
    const auto endsWith = [](const std::string& line, const std::string& tail) {
        return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(endsWith(lines[0], "TPublisher.Subscribe: Subscribe " + std::string(hex) + "\r")) << lines[0];
    EXPECT_TRUE(endsWith(lines[1], "TPublisher.Unsubscribe: Unsubscribed " + std::string(hex) + "\r"))
        << lines[1];
    EXPECT_TRUE(
        endsWith(lines[2], "TPublisher.Unsubscribe: Not unsubscribed " + std::string(unknownHex) + "\r"))
        << lines[2];
}

} // namespace
} // namespace quarn
