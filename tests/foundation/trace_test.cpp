#include "foundation/DebOutU.h"
#include "foundation/DebugMonitorLink.h"
#include "foundation/DebugMonitorWatch.h"
#include "foundation/QuarnException.h"
#include "platform/LocalSocket.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quarn {
namespace {

// Collects every trace line, as a monitor would see it.
class TraceRecorder {
public:
    TraceRecorder()
        : capture_([this](std::string_view line) {
              std::lock_guard lock(mutex_);
              lines_.emplace_back(line);
          }) {}

    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(lines_, {});
    }
    std::string Last() {
        std::lock_guard lock(mutex_);
        return lines_.empty() ? std::string() : lines_.back();
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    ScopedTraceCapture capture_;
};

// The trace's start is taken at InitializeTrace, so each test starts the log under a clock at zero.
class TraceTest : public ::testing::Test {
protected:
    TraceTest() : clock_(0), scoped_(clock_) {
        InitializeTrace();
        recorder_.Take();
    }

    test::ManualClock clock_;
    ScopedClock scoped_;
    TraceRecorder recorder_;
};

TEST(TraceIdle, NothingAttachedMeansInactive) {
    EXPECT_FALSE(TraceActive());
    {
        ScopedTraceCapture capture([](std::string_view) {});
        EXPECT_TRUE(TraceActive());
    }
    EXPECT_FALSE(TraceActive());
}

TEST_F(TraceTest, PrefixHoldsSecondsMillisecondsAndMainTag) {
    clock_.Set(12'045);
    DebOutObj("THauptfenster", "FormCreate", "begin...");
    EXPECT_EQ(recorder_.Last(), "   12.045 [  main  ] THauptfenster.FormCreate: begin...\r");

    clock_.Set(65'123);
    DebOut("x");
    EXPECT_EQ(recorder_.Last(), "   65.123 [  main  ] x\r");
}

TEST_F(TraceTest, WorkerThreadIsTaggedWithItsKernelId) {
    clock_.Set(7);
    unsigned tid = 0;
    std::thread worker([&] {
        tid = static_cast<unsigned>(::gettid());
        DebOut("from worker");
    });
    worker.join();
    char expected[64];
    std::snprintf(expected, sizeof expected, "    0.007 [%08X] from worker\r", tid);
    EXPECT_EQ(recorder_.Last(), expected);
}

TEST_F(TraceTest, TextIsNormalisedToOneLineEndingInCr) {
    const std::string prefix = "    0.000 [  main  ] ";
    const struct {
        std::string text;
        std::string sent;
    } cases[] = {
        {"abc", prefix + "abc\r"},
        {"abc\n", prefix + "abc\r"},
        {"abc\r", prefix + "abc\r"},
        {"abc\r\n", prefix + "abc\r"},
        {"a\n\n", prefix + "a\n\r"},
        {"", "\r"},
        {"\n", "\r"},
        {"\r", "\r"},
    };
    for (const auto& c : cases) {
        DebOut(c.text);
        EXPECT_EQ(recorder_.Last(), c.sent) << "text: " << ::testing::PrintToString(c.text);
    }
}

TEST_F(TraceTest, ObjectAndFormattedForms) {
    DebOutObj("TKanal", "Ausgabe", "");
    EXPECT_EQ(recorder_.Last(), "    0.000 [  main  ] TKanal.Ausgabe\r");
    DebOutObjFmt("TKanal", "Ausgabe", "%d von %s", 3, "DB0ABC");
    EXPECT_EQ(recorder_.Last(), "    0.000 [  main  ] TKanal.Ausgabe: 3 von DB0ABC\r");
    DebOutFmt("FEHLER: %s", "weg");
    EXPECT_EQ(recorder_.Last(), "    0.000 [  main  ] FEHLER: weg\r");
}

TEST_F(TraceTest, InitializationWritesTheDateFirst) {
    InitializeTrace();
    const auto lines = recorder_.Take();
    ASSERT_EQ(lines.size(), 1u); // no monitor listens here, so no "gestartet" line
    EXPECT_TRUE(
        std::regex_match(lines[0], std::regex(R"(    0\.000 \[  main  \] .*\d{4}.* \d\d:\d\d:\d\d\r)")))
        << lines[0];
}

TEST_F(TraceTest, QuarnExceptionTextAndTraceLine) {
    const struct {
        std::string message;
        std::string text;
    } cases[] = {{"", "TConsole.AllocBuffer"}, {"kein Speicher", "TConsole.AllocBuffer: kein Speicher"}};
    for (const auto& c : cases) {
        const QuarnException error("TConsole", "AllocBuffer", c.message);
        EXPECT_EQ(error.what(), c.text);
        EXPECT_EQ(error.className(), "QuarnException");
        EXPECT_EQ(recorder_.Last(), "    0.000 [  main  ] EXCEPTION: " + c.text + "\r");
    }
}

// A real monitor: the listening socket in this test's runtime folder, read on a thread of its own.
TEST(TraceMonitor, AttachesAtInitialisationAndGetsWholeLinesFromManyThreads) {
    constexpr int kThreads = 4;
    constexpr int kLines = 25;
    const FileDescriptor listener = ListenLocalSocket(DebugMonitorSocketPath());

    std::vector<std::string> frames;
    std::thread monitor([&] {
        const FileDescriptor client = AcceptLocalSocket(listener);
        ASSERT_TRUE(client.valid());
        // The hand-shake, the date line and the attach notice come before the workers' lines.
        while (frames.size() < 3 + kThreads * kLines) {
            auto frame = ReadDebugMonitorFrame(client.get());
            ASSERT_TRUE(frame.has_value());
            frames.push_back(std::move(*frame));
        }
    }); // closing `client` here makes the monitor vanish

    InitializeTrace();
    EXPECT_TRUE(TraceActive());
    // Lines longer than the socket's buffer take several writes each, so interleaved writes would show.
    const std::string padding(300'000, 'x');
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kThreads; ++worker) {
        workers.emplace_back([&, worker] {
            for (int line = 0; line < kLines; ++line) {
                DebOutFmt("worker %d line %d %s", worker, line, padding.c_str());
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    monitor.join();

    ASSERT_EQ(frames.size(), 3u + kThreads * kLines);
    EXPECT_EQ(frames[0], "");
    EXPECT_TRUE(std::regex_match(frames[2],
                                 std::regex(R"( +\d+\.\d{3} \[  main  \] )"
                                            R"(THauptfenster\.wmDebugMonitor: DebugMonitor gestartet\.\r)")))
        << frames[2];
    const std::regex workerPrefix(R"( +\d+\.\d{3} \[[0-9A-F]{8}\] worker (\d) line (\d+) )");
    int next[kThreads] = {};
    for (std::size_t index = 3; index < frames.size(); ++index) {
        const std::string& frame = frames[index];
        const std::size_t tail = frame.find('x');
        ASSERT_NE(tail, std::string::npos);
        const std::string head = frame.substr(0, tail);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(head, match, workerPrefix)) << head;
        const int worker = std::stoi(match[1]);
        EXPECT_EQ(std::stoi(match[2]), next[worker]++) << "lines of one thread keep their order";
        EXPECT_TRUE(frame.compare(tail, std::string::npos, padding + "\r") == 0)
            << "line " << index << " is torn";
    }

    // The monitor has gone: the next write fails and the log detaches without a word.
    DebOut("nobody listens");
    EXPECT_FALSE(TraceActive());
}

// Runs the GUI loop until `done` holds; false when it did not within 20 s.
bool PumpUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

TEST(DebugMonitorWatch, AttachesAMonitorThatComesLaterAndLetsItGoWhenItVanishes) {
    InitializeTrace();
    ASSERT_EQ(DebugMonitorSocket(), -1);
    const TDebugMonitorWatch watch;

    FileDescriptor listener = ListenLocalSocket(DebugMonitorSocketPath());
    ASSERT_TRUE(PumpUntil([] { return DebugMonitorSocket() >= 0; }));
    FileDescriptor monitor = AcceptLocalSocket(listener);
    ASSERT_EQ(ReadDebugMonitorFrame(monitor.get()), std::optional<std::string>(""));
    const std::optional<std::string> notice = ReadDebugMonitorFrame(monitor.get());
    ASSERT_TRUE(notice);
    EXPECT_NE(notice->find("] THauptfenster.wmDebugMonitor: DebugMonitor gestartet.\r"), std::string::npos)
        << *notice;

    TraceRecorder recorder;
    monitor.reset();
    listener.reset();
    ASSERT_TRUE(PumpUntil([] { return DebugMonitorSocket() < 0; }));
    EXPECT_NE(recorder.Last().find("] THauptfenster.wmDebugMonitor: DebugMonitor beendet.\r"),
              std::string::npos)
        << recorder.Last();
    std::filesystem::remove(DebugMonitorSocketPath());
}

} // namespace
} // namespace quarn
