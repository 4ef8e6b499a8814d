// The handler base: the order in which the wait serves its events, the end reasons, the rebuilt wait list,
// nested handlers handing the connection back, and the single release.
#include "connections/FakeModulVerbindung.h"
#include "connections/VerbindungAbstractU.h"
#include "foundation/GlobalU.h"
#include "support/Elapsed.h"

#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn::test {
namespace {

// A handler that writes down each callback and the end reason. Each callback clears what woke it, so the
// loop moves on to the next signalled event.
class Recorder : public TVerbindungAbstract {
public:
    using TVerbindungAbstract::TVerbindungAbstract;
    using TVerbindungAbstract::Verbindung;

    std::string GetClassName() const override { return "Recorder"; }

    std::vector<std::string> Log() const {
        const std::lock_guard lock(mutex_);
        return log_;
    }
    int Reason() const {
        const std::lock_guard lock(mutex_);
        return reason_;
    }

    // Runs after the callback of the event it names.
    std::function<void(Recorder&)> afterReceive, afterSend, afterEmpty, afterFile;

protected:
    void ReceiveData() override {
        Write("R:" + Verbindung()->GetReceiveQueue().PopString());
        Then(afterReceive);
    }
    void SendData() override {
        Write("S:" + Verbindung()->GetTypedTextQueue().PopString());
        Then(afterSend);
    }
    void TransmitQueueEmpty() override {
        Write("E");
        Verbindung()->GetTransmitQueue().PushString("filled");
        Then(afterEmpty);
    }
    void SendFile() override {
        Write("F");
        Then(afterFile);
    }
    void Terminated(int reason) override {
        {
            const std::lock_guard lock(mutex_);
            reason_ = reason;
            log_.push_back("T" + std::to_string(reason));
        }
        TVerbindungAbstract::Terminated(reason);
    }

private:
    void Write(const std::string& entry) {
        const std::lock_guard lock(mutex_);
        log_.push_back(entry);
    }
    void Then(const std::function<void(Recorder&)>& step) {
        if (step) {
            step(*this);
        }
    }

    mutable std::mutex mutex_;
    std::vector<std::string> log_;
    int reason_ = -1;
};

// Makes a Recorder with user events enabled.
std::shared_ptr<Recorder> MakeRecorder(const std::shared_ptr<FakeModulVerbindung>& connection,
                                       std::initializer_list<int> events) {
    auto handler = TVerbindungAbstract::Erzeuge<Recorder>(nullptr, connection);
    for (const int id : events) {
        handler->SetUseEvent(id, true);
    }
    return handler;
}

// Clears the program-wide quit event again whatever the test did.
struct QuitEventReset {
    ~QuitEventReset() { QuitEvent().Reset(); }
};

TEST(VerbindungAbstract, SignalledTogetherTheyAreServedEndingFirstThenUserEventsFiveToEight) {
    struct Case {
        const char* name;
        bool finish, threadEnd, disconnect, quit;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"own event beats everything", true, true, true, true, {"T0"}},
        {"thread handle beats the link", false, true, true, true, {"T3"}},
        {"link down beats the quit event", false, false, true, true, {"T4"}},
        {"quit beats user events", false, false, false, true, {"T4"}},
        {"user events in id order, each until cleared",
         false,
         false,
         false,
         false,
         {"R:a", "R:b", "S:x", "E", "F", "T0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QuitEventReset resetQuit;
        auto connection = std::make_shared<FakeModulVerbindung>();
        Event sendQueue(EventReset::Manual, true);
        connection->sendQueueEvent = &sendQueue;
        connection->receive.PushString("a");
        connection->receive.PushString("b");
        connection->typed.PushString("x");
        auto handler = MakeRecorder(connection, {8, 7, 6, 5});
        handler->afterFile = [&](Recorder& self) {
            sendQueue.Reset();
            self.Finish();
        };
        if (c.finish) {
            handler->Finish();
        }
        if (c.threadEnd) {
            connection->threadEnd.Set();
        }
        if (c.disconnect) {
            connection->disconnect.Set();
        }
        if (c.quit) {
            QuitEvent().Set();
        }
        handler->EventLoop();
        EXPECT_EQ(handler->Log(), c.expected);
    }
}

// Runs the handler's loop on a thread of its own, as the connection thread does.
std::future<void> RunLoop(const std::shared_ptr<Recorder>& handler) {
    return std::async(std::launch::async, [handler] { handler->EventLoop(); });
}

TEST(VerbindungAbstract, EachWayOfEndingGivesItsReasonAndWakesABlockedLoop) {
    struct Case {
        const char* name;
        std::function<void(Recorder&, FakeModulVerbindung&)> end;
        int reason;
    };
    const std::vector<Case> cases = {
        {"Finish", [](Recorder& h, FakeModulVerbindung&) { h.Finish(); }, 0},
        {"Stop while active",
         [](Recorder& h, FakeModulVerbindung&) {
             h.SetActive(true);
             h.Stop();
         },
         1},
        {"AbortTransfer", [](Recorder& h, FakeModulVerbindung&) { h.AbortTransfer(); }, 2},
        {"connection thread ended", [](Recorder&, FakeModulVerbindung& c) { c.threadEnd.Set(); }, 3},
        {"link down", [](Recorder&, FakeModulVerbindung& c) { c.disconnect.Set(); }, 4},
        {"program quits", [](Recorder&, FakeModulVerbindung&) { QuitEvent().Set(); }, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QuitEventReset resetQuit;
        auto connection = std::make_shared<FakeModulVerbindung>();
        auto handler = MakeRecorder(connection, {5, 6});
        auto loop = RunLoop(handler);
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let it block in the wait
        c.end(*handler, *connection);
        ASSERT_EQ(loop.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        loop.get();
        EXPECT_EQ(handler->Reason(), c.reason);
        // Ending lets go of the connection, so the two no longer hold each other.
        EXPECT_EQ(handler->Verbindung(), nullptr);
    }
}

TEST(VerbindungAbstract, StopWhileNotActiveDoesNotEndTheLoop) {
    auto connection = std::make_shared<FakeModulVerbindung>();
    auto handler = MakeRecorder(connection, {6});
    handler->afterSend = [](Recorder& self) { self.Finish(); };
    handler->Stop();
    connection->typed.PushString("still served");
    handler->EventLoop();
    EXPECT_EQ(handler->Log(), (std::vector<std::string>{"S:still served", "T0"}));
}

TEST(VerbindungAbstract, SetUseEventRebuildsTheWaitList) {
    auto connection = std::make_shared<FakeModulVerbindung>();
    connection->receive.PushString("not for this handler");
    connection->typed.PushString("x");
    auto handler = MakeRecorder(connection, {5, 6});
    handler->SetUseEvent(5, false);
    handler->SetUseEvent(20, true); // outside the bit set: no change
    // The send queue has no event yet: enabling 8 leaves it out rather than waiting on nothing.
    handler->SetUseEvent(8, true);
    Event sendQueue(EventReset::Manual, true);
    handler->afterSend = [&](Recorder& self) {
        connection->sendQueueEvent = &sendQueue;
        self.SetUseEvent(8, true); // now it is there
        self.afterFile = [](Recorder& inner) { inner.Finish(); };
    };
    handler->EventLoop();
    EXPECT_EQ(handler->Log(), (std::vector<std::string>{"S:x", "F", "T0"}));
    EXPECT_EQ(connection->receive.Count(), 1);
}

// Runs nested inside a Recorder's ReceiveData: marks itself active, serves typed text, then ends or throws.
class Inner : public TVerbindungAbstract {
public:
    using TVerbindungAbstract::TVerbindungAbstract;
    std::string GetClassName() const override { return "Inner"; }

    static inline bool throwInSend = false;
    static inline std::weak_ptr<IVerbindungAbstract> currentWhileRunning;
    static inline std::weak_ptr<Inner> self;

protected:
    void Init() override {
        SetActive(true);
        SetUseEvent(6, true);
        self = std::static_pointer_cast<Inner>(shared_from_this());
    }
    void SendData() override {
        Verbindung()->GetTypedTextQueue().PopString();
        currentWhileRunning = Verbindung()->GetModul();
        if (throwInSend) {
            throw std::runtime_error("transfer failed");
        }
        Finish();
    }
};

TEST(VerbindungAbstract, NestedRunHandsTheConnectionBackOnNormalEndAndOnException) {
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "nested handler throws" : "nested handler finishes");
        Inner::throwInSend = throws;
        auto connection = std::make_shared<FakeModulVerbindung>();
        auto outer = MakeRecorder(connection, {5});
        connection->SetModul(outer);
        outer->afterReceive = [](Recorder& self) {
            self.Run<Inner>();
            self.Finish();
        };
        connection->receive.PushString("#BIN#");
        connection->typed.PushString("for the nested handler");

        if (throws) {
            EXPECT_THROW(outer->EventLoop(), std::runtime_error);
        } else {
            outer->EventLoop();
        }

        EXPECT_EQ(Inner::currentWhileRunning.lock().get(), Inner::self.lock().get());
        EXPECT_EQ(connection->GetModul(), outer);
        EXPECT_EQ(connection->AktivChanges(), (std::vector<bool>{true, false}));
        EXPECT_TRUE(Inner::self.expired()); // released and gone: no cycle left
        EXPECT_EQ(connection->typed.Count(), 0);
        const std::vector<std::string> expected =
            throws ? std::vector<std::string>{"R:#BIN#"} : std::vector<std::string>{"R:#BIN#", "T0"};
        EXPECT_EQ(outer->Log(), expected);
        outer->Release();
    }
}

TEST(VerbindungAbstract, ReleaseActsOnceAndClearsOnlyItsOwnPlace) {
    auto connection = std::make_shared<FakeModulVerbindung>();
    auto first = MakeRecorder(connection, {});
    auto second = MakeRecorder(connection, {});
    connection->SetModul(first);

    first->Release();
    EXPECT_EQ(connection->GetModul(), nullptr);
    EXPECT_EQ(first->Verbindung(), nullptr);

    connection->SetModul(second);
    first->Release();
    EXPECT_EQ(connection->GetModul(), second);
    // Not current: its release leaves the current handler alone.
    auto third = MakeRecorder(connection, {});
    third->Release();
    EXPECT_EQ(connection->GetModul(), second);
    second->Release();
    EXPECT_EQ(connection->GetModul(), nullptr);
}

} // namespace
} // namespace quarn::test
