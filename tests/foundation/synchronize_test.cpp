#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/QuarnException.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quarn {
namespace {

struct Shown {
    std::string header;
    std::string message;
    bool onGuiThread;
};

// Every test starts with an open sync object, and reports go to a recorder in place of the dialog.
class SynchronizeTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeSynchronize();
        previous_ = SetReportPresenter([this](const std::string& header, const std::string& message) {
            shown_.push_back({header, message, IsGuiThread()});
        });
    }
    void TearDown() override {
        SetReportPresenter(previous_);
        FinalizeSynchronize();
    }

    // Waits on the GUI thread for a worker to end, running its calls meanwhile.
    static void JoinPumping(std::thread& worker, const Event& ended) {
        ASSERT_EQ(WaitPumping({ended}, 10000), 0) << "worker did not end";
        worker.join();
    }

    std::vector<Shown> shown_; // touched only on the GUI thread
    TReportPresenter previous_;
};

TEST_F(SynchronizeTest, OnTheGuiThreadTheMethodRunsAtOnceAndItsExceptionsPass) {
    bool ran = false;
    Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THROW(Synchronize([] { throw QuarnException("TKanal", "Ausgabe"); }), QuarnException);
    EXPECT_THROW(Synchronize([] { throw 7; }), int);
    EXPECT_TRUE(shown_.empty());
}

TEST_F(SynchronizeTest, AWorkerBlocksUntilTheGuiThreadHasRunItsCall) {
    Event ended(EventReset::Manual);
    std::atomic<bool> ranOnGui{false};
    int fromWorkerStack = 0;
    std::thread worker([&] {
        int local = 1;
        Synchronize([&] {
            ranOnGui = IsGuiThread();
            local = 42; // the worker's stack is there while it waits
        });
        fromWorkerStack = local;
        ended.Set();
    });
    // A wait that runs no calls leaves the worker blocked ...
    EXPECT_EQ(WaitForAny({ended}, 100), kWaitTimeout);
    EXPECT_FALSE(ranOnGui);
    // ... a pumping one lets it finish.
    JoinPumping(worker, ended);
    EXPECT_TRUE(ranOnGui);
    EXPECT_EQ(fromWorkerStack, 42);
}

// Several workers at once, each with many calls, delivered by the ordinary Qt loop: the calls run on
// the GUI thread one at a time and each worker's calls in its own order.
TEST_F(SynchronizeTest, CallsOfSeveralWorkersRunOneAtATimeInEachWorkersOrder) {
    constexpr int kWorkers = 4;
    constexpr int kCalls = 100;
    std::vector<std::vector<int>> journal(kWorkers);
    int running = 0;
    int mostRunning = 0;
    bool allOnGui = true;
    std::atomic<int> finished{0};
    QEventLoop loop;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kCalls; ++i) {
                Synchronize([&, i] {
                    mostRunning = std::max(mostRunning, ++running);
                    allOnGui = allOnGui && IsGuiThread();
                    journal[w].push_back(i);
                    --running;
                });
            }
            if (++finished == kWorkers) {
                Synchronize([&] { loop.quit(); });
            }
        });
    }
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(finished.load(), kWorkers) << "the loop gave up before the workers were done";
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::vector<int> expected(kCalls);
    for (int i = 0; i < kCalls; ++i) {
        expected[i] = i;
    }
    for (int w = 0; w < kWorkers; ++w) {
        EXPECT_EQ(journal[w], expected) << "worker " << w;
    }
    EXPECT_EQ(mostRunning, 1);
    EXPECT_TRUE(allOnGui);
}

struct Thrown {
    const char* name;
    std::function<void()> raise;
    std::string header;
    std::string message;
};

// Whatever a synchronised method raises is reported on the GUI thread and dropped: the worker goes on.
TEST_F(SynchronizeTest, ExceptionsOfAWorkersCallAreReportedThereAndDropped) {
    const std::vector<Thrown> cases = {
        {"own", [] { throw QuarnException("TKanal", "Ausgabe", "kaputt"); },
         "QuarnException in SYNCHRONIZE.SyncWndProc", "TKanal.Ausgabe: kaputt"},
        {"std", [] { throw std::out_of_range("index 7"); }, "std::out_of_range in SYNCHRONIZE.SyncWndProc",
         "index 7"},
        {"other", [] { throw 42; }, "int in SYNCHRONIZE.SyncWndProc", "(no message)"},
    };
    std::vector<std::string> trace;
    std::mutex traceMutex;
    ScopedTraceCapture capture([&](std::string_view line) {
        const std::lock_guard lock(traceMutex);
        trace.emplace_back(line);
    });
    for (const Thrown& c : cases) {
        SCOPED_TRACE(c.name);
        shown_.clear();
        Event ended(EventReset::Manual);
        std::thread worker([&] {
            Synchronize(c.raise);
            ended.Set(); // reached: nothing was passed back
        });
        JoinPumping(worker, ended);
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(shown_[0].header, c.header);
        EXPECT_EQ(shown_[0].message, c.message);
        EXPECT_TRUE(shown_[0].onGuiThread);
        const std::lock_guard lock(traceMutex);
        bool traced = false;
        for (const std::string& line : trace) {
            traced = traced || line.find(c.header + "\r") != std::string::npos;
        }
        EXPECT_TRUE(traced) << "no trace line with the header";
    }
}

TEST_F(SynchronizeTest, TheSyncObjectActsOnlyOnItsOwnEventWithTheMagicValue) {
    QObject* window = SyncWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->objectName(), "QuarnSyncWindow");

    struct Case {
        const char* name;
        std::uint32_t magic;
        bool withMethod;
        bool runs;
        bool reported;
    };
    for (const Case& c :
         {Case{"magic", TSynchronizeEvent::kMagic, true, true, false},
          Case{"other magic", 0xD3ADB3AE, true, false, false}, Case{"zero", 0, true, false, false},
          Case{"no method", TSynchronizeEvent::kMagic, false, false, true}}) {
        SCOPED_TRACE(c.name);
        shown_.clear();
        bool ran = false;
        TSynchronizeEvent event(c.magic, c.withMethod ? std::function<void()>([&] { ran = true; }) : nullptr);
        EXPECT_TRUE(QCoreApplication::sendEvent(window, &event));
        EXPECT_EQ(ran, c.runs);
        ASSERT_EQ(shown_.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_EQ(shown_[0].header, "EAssertionFailed in SYNCHRONIZE.SyncWndProc");
            EXPECT_NE(shown_[0].message.find("SynchronizeU"), std::string::npos) << shown_[0].message;
        }
    }
    QEvent bare(TSynchronizeEvent::kType); // the number alone, without a call
    EXPECT_TRUE(QCoreApplication::sendEvent(window, &bare));
}

// Workers keep calling while the application's loop ends: every one of them comes back, those blocked
// at that moment included, and calls made afterwards return at once without running.
TEST_F(SynchronizeTest, WorkersReturnWhenTheGuiLoopEnds) {
    constexpr int kWorkers = 6;
    std::atomic<int> ran{0};
    std::atomic<int> calling{0};
    std::vector<std::unique_ptr<Event>> ended;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        ended.push_back(std::make_unique<Event>(EventReset::Manual));
        workers.emplace_back([&, w] {
            ++calling;
            for (;;) {
                bool done = false;
                Synchronize([&] {
                    done = true;
                    ++ran;
                });
                if (!done) {
                    break; // the loop has ended
                }
            }
            ended[w]->Set();
        });
    }
    QTimer::singleShot(0, qApp, [&] {
        // Quit while every worker is inside or about to enter Synchronize.
        while (calling.load() < kWorkers || ran.load() < 50) {
            QCoreApplication::sendPostedEvents(SyncWindow(), TSynchronizeEvent::kType);
        }
        QCoreApplication::quit();
    });
    QCoreApplication::exec();

    bool allEnded = true;
    for (int w = 0; w < kWorkers; ++w) {
        allEnded = allEnded && ended[w]->Wait(5000);
    }
    ASSERT_TRUE(allEnded) << "a worker hangs in Synchronize after the loop ended";
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_GE(ran.load(), 50);

    bool lateRan = false;
    std::thread late([&] { Synchronize([&] { lateRan = true; }); });
    late.join();
    EXPECT_FALSE(lateRan);
}

TEST_F(SynchronizeTest, WithoutASyncObjectAWorkersCallReturnsAtOnce) {
    FinalizeSynchronize();
    EXPECT_EQ(SyncWindow(), nullptr);
    bool ran = false;
    std::thread worker([&] { Synchronize([&] { ran = true; }); });
    worker.join();
    EXPECT_FALSE(ran);
    InitializeSynchronize(); // for TearDown
}

TEST_F(SynchronizeTest, WaitPumpingGivesTheSignalledHandleOrTheTimeout) {
    Event first(EventReset::Manual);
    Event second(EventReset::Auto);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitPumping({first, second}, 120), kWaitTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
    second.Set();
    EXPECT_EQ(WaitPumping({first, second}, 0), 1);
    EXPECT_FALSE(second.IsSet()) << "the auto-reset event it returned is consumed";
    first.Set();
    second.Set();
    EXPECT_EQ(WaitPumping({first, second}, kInfinite), 0);
    EXPECT_TRUE(second.IsSet());
}

class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(ProcessPaintMessages, PaintsWhatIsDueAndLeavesAQuitForTheLoop) {
    PaintCounter widget;
    widget.resize(50, 50);
    widget.show();
    QCoreApplication::processEvents();
    const int before = widget.paints;

    widget.update();
    ProcessPaintMessages();
    EXPECT_EQ(widget.paints, before + 1);

    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        loop.quit();
        widget.update();
        ProcessPaintMessages();
    });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), 0) << "the quit was lost";
    EXPECT_EQ(widget.paints, before + 2);
}

} // namespace
} // namespace quarn
