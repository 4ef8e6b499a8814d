#include "platform/Exception.h"
#include "platform/Thread.h"
#include "platform/WaitForAny.h"

#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <pthread.h>

namespace quarn {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

using test::msSince;

// A body that ignores its stop event until `release` is set, then still uses its thread object.
struct HungBody {
    std::shared_ptr<Event> release = std::make_shared<Event>(EventReset::Manual);
    std::shared_ptr<Event> done = std::make_shared<Event>(EventReset::Manual);

    Thread::Body body() const {
        return [release = release, done = done](Thread& self) {
            release->Wait(kInfinite);
            self.Messages().Post(ThreadMessage{});
            self.StopEvent().IsSet();
            if (self.IsCurrent() && !self.name().empty() && self.Messages().Peek(true)) {
                done->Set();
            }
        };
    }
};

TEST(ThreadTest, BodyRunsNamedOnItsOwnThreadAndStopsOnRequest) {
    std::string seenName;
    bool current = false;
    Thread thread("QuarnDeviceThread-1", [&](Thread& self) {
        char name[16] = {};
        ::pthread_getname_np(::pthread_self(), name, sizeof name);
        seenName = name;
        current = self.IsCurrent();
        WaitForAny({self.StopEvent()}, kInfinite);
    });
    EXPECT_FALSE(thread.IsRunning());
    thread.Start();
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.IsCurrent());
    EXPECT_NE(thread.id(), std::thread::id());
    EXPECT_FALSE(thread.Join(20)) << "the body waits for its stop event";

    const auto start = SteadyClock::now();
    thread.RequestStop();
    ASSERT_TRUE(thread.Join(2000));
    EXPECT_LT(msSince(start), 500);
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(seenName, "QuarnDeviceThre"); // the system keeps 15 characters
    EXPECT_TRUE(current);
}

TEST(ThreadTest, StartingTwiceIsAProgrammingErrorAndJoinBeforeStartSucceeds) {
    Thread thread("twice", [](Thread&) {});
    EXPECT_TRUE(thread.Join(0));
    thread.Start();
    EXPECT_THROW(thread.Start(), EAssertionFailed);
    EXPECT_TRUE(thread.Join(2000));
}

TEST(ThreadTest, DetachedWorkerFinishesSafelyAfterItsOwnerIsGone) {
    HungBody hung;
    {
        Thread thread("hung", hung.body());
        thread.Start();
        EXPECT_FALSE(thread.Join(30));
        thread.Detach();
        EXPECT_FALSE(thread.Join(0));
        EXPECT_TRUE(thread.IsRunning());
    }
    // The body uses its thread object after the owner went away; ASan would report a use after free.
    hung.release->Set();
    EXPECT_TRUE(hung.done->Wait(5000));
}

TEST(ThreadTest, DestructorJoinsAWorkerThatStopsAndDetachesOneThatDoesNot) {
    auto stopped = std::make_shared<Event>(EventReset::Manual);
    {
        Thread obedient("obedient", [stopped](Thread& self) {
            WaitForAny({self.StopEvent()}, kInfinite);
            stopped->Set();
        });
        obedient.Start();
    }
    EXPECT_TRUE(stopped->IsSet()) << "the destructor asked for the stop and waited for it";

    HungBody hung;
    const auto start = SteadyClock::now();
    {
        Thread stubborn("stubborn", hung.body());
        stubborn.Start();
    }
    EXPECT_LT(msSince(start), 1000) << "the destructor must not wait for ever";
    EXPECT_FALSE(hung.done->IsSet());
    hung.release->Set();
    EXPECT_TRUE(hung.done->Wait(5000));
}

class ThreadExceptionTest : public ::testing::Test {
protected:
    void TearDown() override { Thread::SetUnhandledExceptionHandler(nullptr); }
};

TEST_F(ThreadExceptionTest, ExceptionLeavingTheBodyReachesTheHandler) {
    struct Report {
        std::string thread;
        std::string what;
    };
    std::mutex mutex;
    std::vector<Report> reports;
    Thread::SetUnhandledExceptionHandler([&](std::exception_ptr error, const std::string& threadName) {
        std::string what = "not a std::exception";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        const std::lock_guard lock(mutex);
        reports.push_back({threadName, what});
    });

    Thread failing("failing", [](Thread&) { throw std::runtime_error("boom"); });
    Thread odd("odd", [](Thread&) { throw 42; });
    failing.Start();
    odd.Start();
    ASSERT_TRUE(failing.Join(5000));
    ASSERT_TRUE(odd.Join(5000));
    EXPECT_FALSE(failing.IsRunning());

    const std::lock_guard lock(mutex);
    ASSERT_EQ(reports.size(), 2u);
    for (const Report& report : reports) {
        EXPECT_EQ(report.what, report.thread == "failing" ? "boom" : "not a std::exception") << report.thread;
    }
}

TEST_F(ThreadExceptionTest, WithoutAWorkingHandlerTheExceptionIsWrittenToStderr) {
    const std::optional<Thread::ExceptionHandler> handlers[] = {
        std::nullopt, Thread::ExceptionHandler([](std::exception_ptr, const std::string&) {
            throw std::logic_error("report failed");
        })};
    for (const auto& handler : handlers) {
        Thread::SetUnhandledExceptionHandler(handler.value_or(nullptr));
        Thread thread("lonely", [](Thread&) { throw std::runtime_error("nobody listens"); });
        ::testing::internal::CaptureStderr();
        thread.Start();
        const bool joined = thread.Join(5000);
        const std::string written = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(joined);
        EXPECT_NE(written.find("lonely"), std::string::npos) << written;
        EXPECT_NE(written.find("nobody listens"), std::string::npos) << written;
    }
}

} // namespace
} // namespace quarn
