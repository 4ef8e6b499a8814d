// Runs the built program as a user would start it: on the offscreen platform, with folders of its own,
// and a debug monitor listening where the program looks for one.
#include "foundation/DebugMonitorLink.h"
#include "foundation/SplashU.h"
#include "foundation/VersionInfo.h"
#include "platform/LocalSocket.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <set>
#include <thread>
#include <vector>

namespace quarn {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

const QString kProgram = QString(QUARN_BINARY_DIR) + "/bin/quarn";
constexpr int kWaitMs = 20000;

// A debug monitor: every program that connects gets a number in connection order, and each trace line
// is kept with the number of the program that sent it.
class TraceMonitor {
public:
    explicit TraceMonitor(const fs::path& runtime)
        : path_(runtime / "Quarn DebugMonitor"), listener_(ListenLocalSocket(path_)) {
        ::pipe(stopPipe_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TraceMonitor() {
        ::write(stopPipe_[1], &kStop, 1);
        thread_.join();
        ::close(stopPipe_[0]);
        ::close(stopPipe_[1]);
    }

    // Waits until program `client` has sent a line that contains `text`.
    bool WaitFor(int client, const std::string& text, int timeoutMs = kWaitMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, milliseconds(timeoutMs), [&] { return Has(client, text); });
    }
    // Leaves as a monitor does: stops listening, then ends its side of every link.
    void Leave() { ::write(stopPipe_[1], &kLeave, 1); }
    // Waits until program `client` has closed its link.
    bool WaitForEnd(int client) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, milliseconds(kWaitMs), [&] { return ended_.count(client) != 0; });
    }
    // The lines of one program without their time prefix.
    std::vector<std::string> Lines(int client) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> texts;
        for (const auto& [from, line] : lines_) {
            if (from == client) {
                texts.push_back(line);
            }
        }
        return texts;
    }

private:
    bool Has(int client, const std::string& text) const {
        return std::any_of(lines_.begin(), lines_.end(), [&](const auto& entry) {
            return entry.first == client && entry.second.find(text) != std::string::npos;
        });
    }

    void Serve() {
        std::vector<std::pair<FileDescriptor, int>> clients;
        for (;;) {
            std::vector<pollfd> watched{{stopPipe_[0], POLLIN, 0}, {listener_.get(), POLLIN, 0}};
            for (const auto& client : clients) {
                watched.push_back({client.first.get(), POLLIN, 0});
            }
            ::poll(watched.data(), watched.size(), -1);
            if (watched[0].revents != 0) {
                char command = kStop;
                ::read(stopPipe_[0], &command, 1);
                if (command == kStop) {
                    return;
                }
                listener_.reset();
                fs::remove(path_);
                for (const auto& client : clients) {
                    EndSending(client.first.get());
                }
                continue;
            }
            for (std::size_t index = watched.size(); index-- > 2;) {
                if (watched[index].revents == 0) {
                    continue;
                }
                auto& client = clients[index - 2];
                std::optional<std::string> frame = ReadDebugMonitorFrame(client.first.get());
                if (!frame) {
                    End(client.second);
                    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index - 2));
                } else if (!frame->empty()) {
                    Keep(client.second, *frame);
                }
            }
            if (listener_ && (watched[1].revents & POLLIN)) {
                if (FileDescriptor client = AcceptLocalSocket(listener_)) {
                    clients.emplace_back(std::move(client), nextClient_++);
                }
            }
        }
    }

    void End(int client) {
        std::lock_guard lock(mutex_);
        ended_.insert(client);
        changed_.notify_all();
    }

    void Keep(int client, std::string line) {
        // "%5u.%.3u [%8s] " comes first; the text follows the "] ".
        if (const auto end = line.find("] "); end != std::string::npos && end < 20) {
            line.erase(0, end + 2);
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.pop_back();
        }
        std::lock_guard lock(mutex_);
        lines_.emplace_back(client, std::move(line));
        changed_.notify_all();
    }

    static constexpr char kStop = 'x';
    static constexpr char kLeave = 'l';

    fs::path path_;
    FileDescriptor listener_;
    int stopPipe_[2]{-1, -1};
    int nextClient_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int, std::string>> lines_;
    std::set<int> ended_;
};

class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        for (const char* folder : {"home", "config", "data", "runtime"}) {
            fs::create_directories(root_ / folder);
            fs::permissions(root_ / folder, fs::perms::owner_all);
        }
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert("HOME", Path("home"));
        environment_.insert("XDG_CONFIG_HOME", Path("config"));
        environment_.insert("XDG_DATA_HOME", Path("data"));
        environment_.insert("XDG_RUNTIME_DIR", Path("runtime"));
        environment_.insert("QT_QPA_PLATFORM", "offscreen");
        environment_.insert("LANG", "C");
        environment_.remove("LC_ALL");
        environment_.remove("LANGUAGE");
    }
    ~StartupTest() override {
        for (auto& process : processes_) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(kWaitMs);
            }
        }
    }

    QString Path(const char* folder) const { return QString::fromStdString((root_ / folder).string()); }

    QProcess& Start() {
        auto& process = *processes_.emplace_back(std::make_unique<QProcess>());
        process.setProcessEnvironment(environment_);
        process.start(kProgram, {});
        EXPECT_TRUE(process.waitForStarted(kWaitMs)) << kProgram.toStdString();
        return process;
    }

    // Ends a program with a signal, as the session does, and returns its exit code.
    static int EndWith(QProcess& process, int signal) {
        ::kill(static_cast<pid_t>(process.processId()), signal);
        EXPECT_TRUE(process.waitForFinished(kWaitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "ended by signal " << signal;
        return process.exitCode();
    }

    static int ExitCodeOf(QProcess& process) {
        EXPECT_TRUE(process.waitForFinished(kWaitMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    test::TempDir root_;
    QProcessEnvironment environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

constexpr const char* kReady = "THauptfenster.Create: end.";
constexpr const char* kSettingsKey = "\\Software\\Velmoor\\Quarn";

TEST_F(StartupTest, StartsTheUnitsInOrderAndEndsCleanlyOnSigterm) {
    TraceMonitor monitor(root_ / "runtime");
    QProcess& program = Start();
    ASSERT_TRUE(monitor.WaitFor(0, kReady));

    EXPECT_EQ(EndWith(program, SIGTERM), 0);
    ASSERT_TRUE(monitor.WaitFor(0, "Hauptprogramm: end."));

    const std::vector<std::string> expected{
        "CheckInstanceU.initialization: begin...",
        "CheckInstanceU.initialization: end.",
        "GlobalU.initialization: begin...",
        "AssociateFileTypes: Dateitypen geändert.",
        "GlobalU.initialization: end.",
        "SprachenU.initialization: begin...",
        "SprachenU.initialization: end.",
        "SynchronizeU.initialization: begin...",
        "SynchronizeU.initialization: end.",
        "Hauptprogramm: begin...",
        kReady,
        "TSessionEndSignals.OnSignal: Signal 15",
        "Hauptprogramm: end.",
    };
    const std::vector<std::string> lines = monitor.Lines(0);
    auto position = lines.begin();
    for (const std::string& line : expected) {
        position = std::find(position, lines.end(), line);
        ASSERT_NE(position, lines.end()) << "missing or out of order: " << line;
    }
    EXPECT_TRUE(fs::is_directory(root_ / "data" / "Velmoor" / "Quarn"));
}

TEST_F(StartupTest, TheSettingsOfARunAreOnDiskWhenASignalEndsIt) {
    TraceMonitor monitor(root_ / "runtime");
    QProcess& program = Start();
    ASSERT_TRUE(monitor.WaitFor(0, kReady));
    EXPECT_EQ(EndWith(program, SIGTERM), 0);

    RegistryStore written(root_ / "config" / "Velmoor" / "Quarn");
    EXPECT_EQ(written.ReadString(Hive::ClassesRoot, ".qvs", ""), "Quarn.SoundScheme");
    EXPECT_EQ(written.ReadString(Hive::ClassesRoot, "Quarn.SoundScheme", ""), "Quarn Sound Scheme");
    EXPECT_EQ(written.ReadString(Hive::CurrentUser, kSettingsKey, "Dirty"), "0") << "a clean end";
}

TEST_F(StartupTest, AStationDatabaseThatCannotBeOpenedEndsWithCode1AndTheNextStartChecksIt) {
    // A file where the database's folder would go.
    fs::create_directories(root_ / "data" / "Velmoor" / "Quarn");
    std::ofstream(root_ / "data" / "Velmoor" / "Quarn" / "Database") << "no folder";
    TraceMonitor monitor(root_ / "runtime");

    QProcess& program = Start();
    EXPECT_EQ(ExitCodeOf(program), 1) << "a start that failed is no success";
    EXPECT_NE(program.readAllStandardError().indexOf("Fehler beim Öffnen der Datenbank. ("), -1);
    ASSERT_TRUE(monitor.WaitFor(0, "Hauptprogramm.RunProgram: "));
    const std::vector<std::string> lines = monitor.Lines(0);
    EXPECT_EQ(std::find(lines.begin(), lines.end(), kReady), lines.end());
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("- EXCEPTION -"), std::string::npos) << "told already, no report: " << line;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "THauptfenster.QuarnDestroy: Config.Free"), lines.end());
    RegistryStore written(root_ / "config" / "Velmoor" / "Quarn");
    EXPECT_EQ(written.ReadString(Hive::CurrentUser, kSettingsKey, "Dirty"), "1");

    // With the folder back the next start rebuilds the database first, then runs.
    fs::remove(root_ / "data" / "Velmoor" / "Quarn" / "Database");
    QProcess& next = Start();
    ASSERT_TRUE(monitor.WaitFor(1, kReady));
    EXPECT_TRUE(monitor.WaitFor(1, "TStationenDatenbank.DoCheck: begin..."));
    EXPECT_EQ(EndWith(next, SIGTERM), 0);
}

TEST_F(StartupTest, EveryEndOfSessionSignalShutsDownCleanly) {
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        TraceMonitor monitor(root_ / "runtime");
        QProcess& program = Start();
        ASSERT_TRUE(monitor.WaitFor(0, kReady));
        EXPECT_EQ(EndWith(program, signal), 0);
        EXPECT_TRUE(monitor.WaitFor(0, "Hauptprogramm: end."));
    }
}

TEST_F(StartupTest, ASecondCopyAsksTheFirstToShowItselfAndEndsWithCode2) {
    TraceMonitor monitor(root_ / "runtime");
    QProcess& first = Start();
    ASSERT_TRUE(monitor.WaitFor(0, kReady));

    QProcess& second = Start();
    EXPECT_EQ(ExitCodeOf(second), 2);
    EXPECT_TRUE(monitor.WaitFor(0, "THauptfenster.wmAktivieren: sichtbar.")) << [&] {
        std::string all;
        for (const std::string& line : monitor.Lines(0)) {
            all += line + "\n";
        }
        return all;
    }();

    // The second copy stopped at the instance check: no language, no window.
    const std::vector<std::string> secondLines = monitor.Lines(1);
    EXPECT_NE(std::find(secondLines.begin(), secondLines.end(), "CheckInstanceU.initialization: begin..."),
              secondLines.end());
    for (const std::string& line : secondLines) {
        EXPECT_EQ(line.find("SprachenU"), std::string::npos) << line;
        // The monitor's own notice carries the window's name; the window itself never started.
        EXPECT_EQ(line.find("THauptfenster.Create"), std::string::npos) << line;
    }
    EXPECT_EQ(EndWith(first, SIGTERM), 0);
}

TEST_F(StartupTest, OfTwoCopiesStartedTogetherExactlyOneRuns) {
    QProcess& a = Start();
    QProcess& b = Start();
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(kWaitMs);
    while (a.state() != QProcess::NotRunning && b.state() != QProcess::NotRunning &&
           std::chrono::steady_clock::now() < deadline) {
        a.waitForFinished(20);
        b.waitForFinished(20);
    }
    const bool aEnded = a.state() == QProcess::NotRunning;
    ASSERT_NE(aEnded, b.state() == QProcess::NotRunning);
    QProcess& loser = aEnded ? a : b;
    QProcess& winner = aEnded ? b : a;
    EXPECT_EQ(loser.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(loser.exitCode(), 2);
    EXPECT_EQ(EndWith(winner, SIGTERM), 0);
}

TEST_F(StartupTest, ACopyKilledOutrightLeavesNoLockBehind) {
    TraceMonitor monitor(root_ / "runtime");
    QProcess& killed = Start();
    ASSERT_TRUE(monitor.WaitFor(0, kReady));
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(kWaitMs));

    QProcess& next = Start();
    ASSERT_TRUE(monitor.WaitFor(1, kReady));
    EXPECT_EQ(EndWith(next, SIGTERM), 0);
}

TEST_F(StartupTest, AMonitorStartedLaterIsAttachedUntilItLeavesAndTheNextOneAgain) {
    QProcess& program = Start();
    // The instance lock shows in the runtime folder once the program's trace log has looked for a monitor.
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(kWaitMs);
    while (fs::is_empty(root_ / "runtime") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(20));
    }
    ASSERT_FALSE(fs::is_empty(root_ / "runtime"));
    constexpr const char* kAttached = "THauptfenster.wmDebugMonitor: DebugMonitor gestartet.";
    constexpr const char* kDetached = "THauptfenster.wmDebugMonitor: DebugMonitor beendet.";
    {
        TraceMonitor late(root_ / "runtime");
        ASSERT_TRUE(late.WaitFor(0, kAttached));
        late.Leave();
        ASSERT_TRUE(late.WaitForEnd(0));
        EXPECT_EQ(late.Lines(0).back(), kDetached) << "the program's last line before it closes the link";
    }
    TraceMonitor next(root_ / "runtime");
    ASSERT_TRUE(next.WaitFor(0, kAttached));
    EXPECT_EQ(EndWith(program, SIGTERM), 0);
    EXPECT_TRUE(next.WaitFor(0, "Hauptprogramm: end."));
}

TEST_F(StartupTest, AnApplicationDataFolderThatCannotBeMadeEndsWithCode4) {
    std::ofstream(root_ / "data-file") << "a file where the folder would go";
    environment_.insert("XDG_DATA_HOME", Path("data-file"));

    QProcess& program = Start();
    EXPECT_EQ(ExitCodeOf(program), 4);
    EXPECT_NE(program.readAllStandardError().indexOf("Fehler beim Erstellen des Ordners Anwendungsdaten."),
              -1);
}

TEST(DlgSplash, ShowsTheProgramsPicture) {
    const std::unique_ptr<TDlgSplash> splash(TDlgSplash::Open(nullptr).data());
    QCoreApplication::processEvents();
    const QPixmap picture = splash->Image()->pixmap();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(splash->Image()->width(), picture.width()) << "the whole picture shows";
    EXPECT_GE(splash->Image()->height(), picture.height()) << "the whole picture shows";
    QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots");
    EXPECT_TRUE(splash->grab().save(QUARN_BINARY_DIR "/tests/screenshots/splash.png"));
}

TEST(DlgSplash, ShowsVersionAndStatusAndFreesItselfAfterItsDelay) {
    QPointer<TDlgSplash> splash = TDlgSplash::Open(nullptr);
    ASSERT_TRUE(splash);
    EXPECT_EQ(splash->size(), QSize(389, 221));
    EXPECT_EQ(splash->VersionLabel()->text().toStdString(), ProgramVersion());
    EXPECT_EQ(splash->LabelNzw()->isHidden(), !PrivateBuild());

    splash->SetStatus("Bereit.");
    EXPECT_EQ(splash->StatusLabel()->text(), "Bereit.");

    QElapsedTimer clock;
    clock.start();
    splash->CloseDelayed();
    while (splash && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_FALSE(splash);
    EXPECT_GE(clock.elapsed(), TDlgSplash::kCloseDelayMs);
}

} // namespace
} // namespace quarn
