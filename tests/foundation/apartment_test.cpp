#include "foundation/ApartmentU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Event.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace quarn {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// An automation object that tells where it runs and where it was made and released.
class Counter {
public:
    explicit Counter(std::atomic<std::thread::id>* releasedOn) : releasedOn_(releasedOn) {}
    ~Counter() { releasedOn_->store(std::this_thread::get_id()); }

    std::thread::id madeOn = std::this_thread::get_id();
    int value = 0;

private:
    std::atomic<std::thread::id>* releasedOn_;
};

bool WaitUntil(const std::function<bool()>& condition, milliseconds limit = milliseconds(5000)) {
    const auto deadline = SteadyClock::now() + limit;
    while (!condition()) {
        if (SteadyClock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

class ApartmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        lifetime_.SetReleaseHandler([this] { releases_.fetch_add(1); });
    }
    void TearDown() override {
        EXPECT_TRUE(WaitUntil([] { return TApartmentThread::RunningCount() == 0; }));
    }

    TClassFactory<Counter> Factory(ThreadingModel model = ThreadingModel::Apartment) {
        return {"TCounter", model, [this] { return std::make_shared<Counter>(&releasedOn_); }, lifetime_};
    }

    TServerLifetime lifetime_;
    std::atomic<int> releases_{0};
    std::atomic<std::thread::id> releasedOn_{};
};

TEST_F(ApartmentTest, CallsRunOnTheObjectsOwnThreadUntilTheLastReferenceGoes) {
    auto created = Factory().CreateInstance();
    ASSERT_EQ(created.result, S_OK);
    EXPECT_EQ(lifetime_.ObjectCount(), 1);
    EXPECT_EQ(lifetime_.LockCount(), 0);
    EXPECT_EQ(TApartmentThread::RunningCount(), 1);

    const auto where = [](Counter& counter) {
        ++counter.value;
        return std::make_pair(std::this_thread::get_id(), counter.madeOn);
    };
    const auto [firstCall, madeOn] = created.object->Call(where);
    const auto [secondCall, unused] = created.object->Call(where);
    EXPECT_NE(firstCall, std::this_thread::get_id());
    EXPECT_EQ(firstCall, madeOn);
    EXPECT_EQ(secondCall, firstCall);
    EXPECT_EQ(created.object->Call([](Counter& counter) { return counter.value; }), 2);
    EXPECT_EQ(releases_.load(), 0);

    created.object.reset();
    EXPECT_TRUE(WaitUntil([] { return TApartmentThread::RunningCount() == 0; }));
    EXPECT_EQ(releasedOn_.load(), firstCall);
    EXPECT_EQ(lifetime_.ObjectCount(), 0);
    EXPECT_EQ(releases_.load(), 1);
}

TEST_F(ApartmentTest, ALockedServerIsReleasedOnlyWhenUnlocked) {
    const auto factory = Factory();
    factory.LockServer(true);
    factory.CreateInstance().object.reset();
    EXPECT_TRUE(WaitUntil([this] { return lifetime_.ObjectCount() == 0; }));
    EXPECT_EQ(releases_.load(), 0);

    factory.LockServer(false);
    EXPECT_EQ(releases_.load(), 1);
}

TEST_F(ApartmentTest, OtherThreadingModelsCreateAndCallOnTheCallingThread) {
    auto created = Factory(ThreadingModel::Free).CreateInstance();
    ASSERT_EQ(created.result, S_OK);
    EXPECT_EQ(created.object->apartment(), nullptr);
    EXPECT_EQ(created.object->Call([](Counter&) { return std::this_thread::get_id(); }),
              std::this_thread::get_id());
    created.object.reset();
    EXPECT_EQ(releasedOn_.load(), std::this_thread::get_id());
    EXPECT_EQ(lifetime_.ObjectCount(), 0);
}

TEST_F(ApartmentTest, AFailingCreationReturnsItsErrorAndTheThreadEnds) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<Counter>()> creator;
        HRESULT expected;
    };
    const Case cases[] = {
        {"com error",
         []() -> std::shared_ptr<Counter> {
             throw EComError("TCounter", "Create", static_cast<HRESULT>(0x80070005u));
         },
         static_cast<HRESULT>(0x80070005u)},
        {"other exception", []() -> std::shared_ptr<Counter> { throw std::runtime_error("broken"); }, E_FAIL},
        {"no object", [] { return std::shared_ptr<Counter>(); }, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = SteadyClock::now();
        const TClassFactory<Counter> factory("TCounter", ThreadingModel::Apartment, c.creator, lifetime_);
        const auto created = factory.CreateInstance();
        EXPECT_EQ(created.result, c.expected);
        EXPECT_EQ(created.object, nullptr);
        EXPECT_EQ(TApartmentThread::RunningCount(), 0);
        EXPECT_LT(SteadyClock::now() - start, milliseconds(1000));
        EXPECT_EQ(lifetime_.ObjectCount(), 0);
        EXPECT_EQ(lifetime_.LockCount(), 0);
    }
}

TEST_F(ApartmentTest, ACreationThatHangsFailsAfterItsTimeLimit) {
    Event gate(EventReset::Manual);
    const TClassFactory<Counter> factory(
        "TCounter", ThreadingModel::Apartment,
        [&] {
            gate.Wait(kInfinite);
            return std::make_shared<Counter>(&releasedOn_);
        },
        lifetime_, 100);

    const auto start = SteadyClock::now();
    const auto created = factory.CreateInstance();
    EXPECT_EQ(created.result, E_FAIL);
    EXPECT_LT(SteadyClock::now() - start, milliseconds(2000));
    EXPECT_EQ(lifetime_.LockCount(), 0);

    // Let go, the late object is released on its apartment and the thread ends by itself.
    gate.Set();
    EXPECT_TRUE(WaitUntil([] { return TApartmentThread::RunningCount() == 0; }));
    EXPECT_NE(releasedOn_.load(), std::thread::id());
    EXPECT_NE(releasedOn_.load(), std::this_thread::get_id());
    EXPECT_EQ(lifetime_.ObjectCount(), 0);
}

TEST_F(ApartmentTest, ACallReportsItsExceptionAndItsTimeOut) {
    auto created = Factory().CreateInstance();
    ASSERT_EQ(created.result, S_OK);

    EXPECT_THROW(created.object->Call([](Counter&) -> int { throw std::runtime_error("inside"); }),
                 std::runtime_error);

    auto gate = std::make_shared<Event>(EventReset::Manual);
    try {
        created.object->Call([gate](Counter&) { gate->Wait(kInfinite); }, 50);
        ADD_FAILURE() << "no time-out";
    } catch (const EComError& error) {
        EXPECT_EQ(error.code(), RPC_E_TIMEOUT);
    }
    gate->Set();
    EXPECT_EQ(created.object->Call([](Counter& counter) { return ++counter.value; }), 1);
}

TEST_F(ApartmentTest, TheGuiThreadServesTheApartmentWhileItWaits) {
    ASSERT_TRUE(IsGuiThread());
    InitializeSynchronize();
    auto created = Factory().CreateInstance();
    ASSERT_EQ(created.result, S_OK);

    const std::thread::id ranOn = created.object->Call(
        [](Counter&) {
            std::thread::id gui;
            Synchronize([&] { gui = std::this_thread::get_id(); });
            return gui;
        },
        5000);

    EXPECT_EQ(ranOn, std::this_thread::get_id());
    created.object.reset();
    FinalizeSynchronize();
}

} // namespace
} // namespace quarn
