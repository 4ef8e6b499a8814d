#include "foundation/DebOutU.h"
#include "foundation/DlgUnhandledException.h"
#include "foundation/GlobalU.h"
#include "foundation/QuarnException.h"
#include "foundation/SynchronizeU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quarn {
namespace {

class EStreamError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EStreamError"; }
};

struct Presented {
    std::string header;
    std::string message;
    bool onGuiThread;
};

// Reports go to a recorder in place of the dialog; the trace is captured as a monitor would see it.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitializeSynchronize();
        previous_ = SetReportPresenter([this](const std::string& header, const std::string& message) {
            const std::lock_guard lock(mutex_);
            presented_.push_back({header, message, IsGuiThread()});
            if (onPresent_) {
                onPresent_();
            }
        });
    }
    void TearDown() override {
        SetReportPresenter(previous_);
        FinalizeSynchronize();
    }

    std::vector<std::string> TraceTexts() {
        const std::lock_guard lock(mutex_);
        // Without the time and thread prefix "%5u.%.3u [%8s] "; a lone CR has none.
        std::vector<std::string> texts;
        for (const std::string& line : trace_) {
            texts.push_back(line == "\r" ? line : line.substr(line.find("] ") + 2));
        }
        return texts;
    }

    std::mutex mutex_;
    std::vector<Presented> presented_;
    std::vector<std::string> trace_;
    std::function<void()> onPresent_;
    TReportPresenter previous_;
    ScopedTraceCapture capture_{[this](std::string_view line) {
        const std::lock_guard lock(mutex_);
        trace_.emplace_back(line);
    }};
};

std::exception_ptr Raise(const std::function<void()>& raise) {
    try {
        raise();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

struct ReportCase {
    const char* name;
    std::function<void()> raise; // nothing: no exception object
    const char* area;
    const char* method;
    const char* detail;
    std::string header;
    std::string message;
};

TEST_F(ReportTest, HeaderAndMessageNameTheExceptionAndWhereItWasCaught) {
    const std::vector<ReportCase> cases = {
        {"nothing", nullptr, "", "", "", "[unassigned] in [unknown]", "(no message)"},
        {"own", [] { throw QuarnException("TConsole", "AllocBuffer"); }, "PROJECT", "INIT", "",
         "QuarnException in PROJECT.INIT", "TConsole.AllocBuffer"},
        {"family", [] { throw EStreamError("Lesefehler"); }, "TVerbindung", "Execute", "Before RunStandard",
         "EStreamError in TVerbindung.Execute (Before RunStandard)", "Lesefehler"},
        {"assertion", [] { QUARN_ASSERT(1 + 1 == 3, "QueueU"); }, "", "Run", "", "EAssertionFailed in Run",
         ""},
        {"std", [] { throw std::runtime_error(""); }, "TGeraet", "", "DeInit",
         "std::runtime_error in TGeraet.[unknown] (DeInit)", "(no message)"},
        {"bad_alloc", [] { throw std::bad_alloc(); }, "A", "B", "", "std::bad_alloc in A.B",
         "std::bad_alloc"},
        {"not an exception", [] { throw 42; }, "A", "B", "1", "int in A.B (1)", "(no message)"},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        presented_.clear();
        trace_.clear();
        ReportUnhandledException(c.raise ? Raise(c.raise) : nullptr, c.area, c.method, c.detail);
        ASSERT_EQ(presented_.size(), 1u);
        EXPECT_EQ(presented_[0].header, c.header);
        if (c.message.empty()) {
            EXPECT_NE(presented_[0].message.find("QueueU"), std::string::npos) << presented_[0].message;
        } else {
            EXPECT_EQ(presented_[0].message, c.message);
        }
        const std::vector<std::string> texts = TraceTexts();
        ASSERT_GE(texts.size(), 6u);
        const std::vector<std::string> box(texts.end() - 6, texts.end());
        EXPECT_EQ(box, (std::vector<std::string>{
                           "\r", "---------------------------- EXCEPTION ----------------------------\r",
                           presented_[0].header + "\r", presented_[0].message + "\r",
                           "-------------------------------------------------------------------\r", "\r"}));
    }
}

TEST_F(ReportTest, TheExceptionObjectFormNamesTheSameWay) {
    const std::logic_error logic("falsch");
    const EStreamError stream("kaputt");
    ReportUnhandledException(&logic, "X", "Y", "");
    ReportUnhandledException(&stream, "X", "Y", "");
    ReportUnhandledException(static_cast<const std::exception*>(nullptr), "", "", "");
    ASSERT_EQ(presented_.size(), 3u);
    EXPECT_EQ(presented_[0].header + "|" + presented_[0].message, "std::logic_error in X.Y|falsch");
    EXPECT_EQ(presented_[1].header + "|" + presented_[1].message, "EStreamError in X.Y|kaputt");
    EXPECT_EQ(presented_[2].header + "|" + presented_[2].message, "[unassigned] in [unknown]|(no message)");
}

TEST_F(ReportTest, AFailingPresenterDoesNotRaise) {
    SetReportPresenter([](const std::string&, const std::string&) { throw std::runtime_error("no screen"); });
    EXPECT_NO_THROW(ReportUnhandledException(Raise([] { throw 1; }), "A", "B", ""));
}

// A worker's exception: traced on the worker, shown on the GUI thread while the worker waits in its report.
TEST_F(ReportTest, AWorkersExceptionIsShownOnTheGuiThreadWhileTheWorkerWaits) {
    InstallThreadExceptionReport();
    Event presented(EventReset::Manual);
    std::atomic<bool> workerStillIn{false};
    Thread worker("Reporter", [](Thread&) { throw QuarnException("TGeraete", "Run", "Schluss"); });
    onPresent_ = [&] {
        workerStillIn = worker.IsRunning();
        presented.Set();
    };
    worker.Start();
    ASSERT_EQ(WaitPumping({presented}, 10000), 0);
    ASSERT_TRUE(worker.Join(10000));
    ASSERT_EQ(presented_.size(), 1u);
    EXPECT_EQ(presented_[0].header, "QuarnException in Reporter.Execute");
    EXPECT_EQ(presented_[0].message, "TGeraete.Run: Schluss");
    EXPECT_TRUE(presented_[0].onGuiThread);
    EXPECT_TRUE(workerStillIn);
    const std::vector<std::string> texts = TraceTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "QuarnException in Reporter.Execute\r"), texts.end());
}

TEST_F(ReportTest, WithoutAGuiLoopAWorkerOnlyTraces) {
    FinalizeSynchronize();
    InstallThreadExceptionReport();
    Thread worker("Lonely", [](Thread&) { throw std::runtime_error("allein"); });
    worker.Start();
    ASSERT_TRUE(worker.Join(10000)) << "the report must not wait for a GUI thread that never comes";
    EXPECT_TRUE(presented_.empty());
    const std::vector<std::string> texts = TraceTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "std::runtime_error in Lonely.Execute\r"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "allein\r"), texts.end());
    InitializeSynchronize(); // for TearDown
}

// On the minimal platform nobody can answer a dialog either: the report traces and returns at once.
TEST(HeadlessReport, OnTheMinimalPlatformTheReportDoesNotWaitForADialog) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    // The death test's child starts this program afresh, on the platform named here.
    qputenv("QT_QPA_PLATFORM", "minimal");
    EXPECT_EXIT(
        {
            if (QGuiApplication::platformName() != "minimal") {
                std::_Exit(3);
            }
            ::alarm(30); // a report waiting for an answer ends here, killed
            ReportUnhandledException(Raise([] { throw std::runtime_error("niemand da"); }), "PROJECT", "RUN",
                                     "");
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    qputenv("QT_QPA_PLATFORM", platform);
}

TEST_F(ReportTest, SettingsNotYetWrittenReachTheDiskBeforeTheReportIsShown) {
    RegistryStore& settings = RegistryStore::Instance();
    const std::string key = "Software\\Velmoor\\Quarn";
    const auto onDisk = [&] {
        return RegistryStore(settings.folder()).ReadString(Hive::CurrentUser, key, "Dirty");
    };
    ASSERT_TRUE(settings.WriteString(Hive::CurrentUser, key, "Dirty", "0"));
    for (int wait = 0; wait < 2000 && onDisk() != "0"; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(onDisk(), "0") << "not written within ten seconds";
    // Right after a write the next change waits out the writer's interval; the report does not wait.
    ASSERT_TRUE(settings.WriteString(Hive::CurrentUser, key, "Dirty", "1"));
    std::optional<std::string> seen;
    onPresent_ = [&] { seen = onDisk(); };

    ReportUnhandledException(std::exception_ptr(), "PROJECT", "RUN", "");
    EXPECT_EQ(seen, "1");
}

// ---- The dialog ----

class DialogTest : public ::testing::Test {
protected:
    DialogTest() { dialog_.SetReport("EStreamError in TVerbindung.Execute (1)", "Zeile 1\rZeile 2"); }
    void SetReport(const char* message) { dialog_.SetReport("E in A.B", message); }

    template <typename T> T* Child(const char* name) {
        T* child = dialog_.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    TDlgUnhandledException dialog_;
};

TEST_F(DialogTest, ShowsTheReportWithTheFixedTexts) {
    EXPECT_EQ(dialog_.windowTitle(), "Uuups...");
    EXPECT_EQ(Child<QLabel>("Label1")->text(), "Folgender Fehler ist aufgetreten:");
    QLabel* report = Child<QLabel>("Label2");
    EXPECT_EQ(report->text(), "EStreamError in TVerbindung.Execute (1)\nZeile 1\nZeile 2") << "one line each";
    EXPECT_TRUE(report->font().bold());
    EXPECT_EQ(
        Child<QLabel>("Label3")->text(),
        QString::fromUtf8("Dieser Fehler kann sich negativ auf den weiteren Ablauf von Quarn auswirken. Es "
                          "wird daher empfohlen, Quarn möglichst bald zu beenden und neu zu starten."));
    EXPECT_EQ(Child<QPushButton>("Button1")->text(), "Fehler &ignorieren");
    QPushButton* quit = Child<QPushButton>("Button2");
    EXPECT_EQ(quit->text(), "Quarn &beenden");
    EXPECT_TRUE(quit->isDefault());
    EXPECT_TRUE(quit->font().bold());
    EXPECT_EQ(Child<QPushButton>("Button3")->text(), "Fehlermeldung in die Zwischenablage &kopieren");
    EXPECT_EQ(dialog_.minimumSize(), QSize(385, 226));
}

TEST_F(DialogTest, CopyPutsTheReportWithCrLfLineEndsOnTheClipboardAndStaysOpen) {
    dialog_.show();
    QGuiApplication::clipboard()->clear();
    Child<QPushButton>("Button3")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "EStreamError in TVerbindung.Execute (1)\r\nZeile 1\r\nZeile 2\r\n");
    SetReport("schon mit\r\nZeilenende\r");
    Child<QPushButton>("Button3")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "E in A.B\r\nschon mit\r\nZeilenende\r\n\r\n")
        << "a CR that has its LF gets no second one";
    EXPECT_TRUE(dialog_.isVisible());
    Child<QPushButton>("Button1")->click();
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
}

TEST_F(DialogTest, QuitEndsTheProcessAtOnceWithExitCodeOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Child<QPushButton>("Button2")->click(), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog_, &escape);
        },
        ::testing::ExitedWithCode(1), "");
}

} // namespace
} // namespace quarn
