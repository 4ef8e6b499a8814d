// The serial host-mode kind and its line: a line that goes away, the stop and its closing exchange, a run
// abandoned at the stop limit, a rate the line cannot run at. The simulator sits behind real
// pseudo-terminals, in this process or as a program of its own.
#include "TraceLines.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "foundation/GlobalU.h"
#include "platform/Codepage.h"
#include "platform/FileDescriptor.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/Elapsed.h"
#include "support/TempDir.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/TncSimCore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// CPU time of the whole process, every thread included.
double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The status texts a device shows during `ms`, in order, each change once.
std::vector<std::string> WatchStatus(const TGeraet& device, int ms) {
    std::vector<std::string> seen;
    const auto start = std::chrono::steady_clock::now();
    while (msSince(start) < ms) {
        const std::string text = device.GetStatusText();
        if (seen.empty() || seen.back() != text) {
            seen.push_back(text);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return seen;
}

bool Seen(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

const std::string kLost = Utf8ToCp1252("Fehler - Schnittstelle verloren");

TncSimConfig SmallTnc() {
    TncSimConfig config = ConfigFor(Identity::Tnc2);
    config.channels = 4;
    config.startInHostMode = true;
    return config;
}

std::shared_ptr<TGeraetHostmodeSerial>
StartOn(int comPort, const std::string& path,
        std::shared_ptr<TGeraetHostmodeSerial> device = std::make_shared<TGeraetHostmodeSerial>()) {
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey,
                                          "COM" + std::to_string(comPort), path);
    device->SerialParameter().SetComPort(comPort);
    device->Init();
    return device;
}

bool ReadyAfterInit(const TGeraet& device, const TncSimCore& core, int initCount = 1) {
    return WaitFor(
        [&] { return device.GetStatus() == TGeraetStatus::Bereit && core.CountCommand("U0") >= initCount; });
}

// The simulator as a program of its own, so that it can be killed under a running device.
class TncSimProcess {
public:
    TncSimProcess() {
        int pipe[2] = {-1, -1};
        if (::pipe2(pipe, O_CLOEXEC) != 0) {
            return;
        }
        output_.reset(pipe[0]);
        const FileDescriptor writeEnd(pipe[1]);
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
        std::string program = QUARN_TNCSIM;
        std::vector<std::string> args = {program, "--pty", "--hostmode", "--channels", "4"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        ::posix_spawn_file_actions_destroy(&actions);
        ReadPath();
    }
    ~TncSimProcess() { Kill(); }
    const std::string& path() const { return path_; }

    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    // The first line the simulator prints is its pseudo-terminal's path.
    void ReadPath() {
        const auto start = std::chrono::steady_clock::now();
        std::string line;
        while (pid_ > 0 && line.find('\n') == std::string::npos && msSince(start) < 10000) {
            pollfd fd{output_.get(), POLLIN, 0};
            ::poll(&fd, 1, 100);
            char buffer[256];
            const ssize_t n = ::read(output_.get(), buffer, sizeof buffer);
            if (n <= 0 && fd.revents != 0) {
                break;
            }
            if (n > 0) {
                line.append(buffer, static_cast<std::size_t>(n));
            }
        }
        if (line.find('\n') != std::string::npos) {
            path_ = line.substr(0, line.find('\n'));
        }
    }

    pid_t pid_ = -1;
    FileDescriptor output_;
    std::string path_;
};

TEST(HostmodeLine, HungUpLineFailsAtOnceSaysSoAndIsTakenUpAgain) {
    TncSimCore core(SmallTnc());
    PtySim pty(core);
    // Held here so the tty can be hung up under the device, as the kernel does when an adapter goes.
    const FileDescriptor slave(::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(slave.valid());
    const auto device = StartOn(6, pty.SlavePath());
    ASSERT_TRUE(ReadyAfterInit(*device, core));

    const TraceLines trace;
    if (::ioctl(slave.get(), TIOCVHANGUP) != 0) {
        device->DeInit();
        GTEST_SKIP() << "TIOCVHANGUP needs CAP_SYS_ADMIN";
    }
    const double cpuBefore = ProcessCpuSeconds();
    device->PostMessage(msg_init); // the next exchange finds the line gone
    const std::vector<std::string> seen = WatchStatus(*device, 5000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    std::printf("CPU over 5 s after the hang-up: %.3f s\n", cpu);
    RecordProperty("cpu_ms_over_5s", static_cast<int>(cpu * 1000));
    EXPECT_LT(cpu, 0.5);
    EXPECT_TRUE(Seen(seen, kLost));
    EXPECT_TRUE(trace.Contains("Schnittstelle verloren"));

    // The line is back (the tty exists still): the device opens it again and finds the TNC in step.
    EXPECT_TRUE(ReadyAfterInit(*device, core, 2));
    // The lost line is counted; on a slow machine the first poll after the reopen may meet a late answer
    // of the resynchronisation and count once more, which is still the device taking the line up again.
    EXPECT_THAT(device->GetStatusText(), ::testing::MatchesRegex("Bereit - [12] Fehler")) << trace.Text();
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
}

TEST(HostmodeLine, SimulatorKilledUnderARunningDeviceLeavesItAtFehlerWithoutSpinning) {
    TncSimProcess sim;
    ASSERT_FALSE(sim.path().empty());
    // The port is a name of our own for the pseudo-terminal: once the simulator is gone the kernel hands
    // its number to the next pseudo-terminal opened on the machine, which the device must not take up.
    const TempDir folder;
    const std::filesystem::path port = folder / "tnc";
    std::filesystem::create_symlink(sim.path(), port);
    const TraceLines trace;
    const auto device = StartOn(7, port.string());
    ASSERT_TRUE(WaitFor(
        [&] { return device->GetStatus() == TGeraetStatus::Bereit && trace.Contains("TNC hat 4 Kan"); }));

    std::filesystem::remove(port); // the line is gone for good, as an adapter that is not plugged in again
    sim.Kill();
    const double cpuBefore = ProcessCpuSeconds();
    device->PostMessage(msg_init);
    const std::vector<std::string> seen = WatchStatus(*device, 5000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    std::printf("CPU over 5 s after the simulator was killed: %.3f s\n", cpu);
    RecordProperty("cpu_ms_over_5s", static_cast<int>(cpu * 1000));
    EXPECT_LT(cpu, 0.5);
    EXPECT_TRUE(Seen(seen, kLost));
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Fehler); // its pseudo-terminal is gone for good

    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(device->GetStatusText(), "Inaktiv");
}

TEST(HostmodeLine, StoppedDeviceShowsInaktivWithTheDetailDash) {
    TncSimCore core(SmallTnc());
    PtySim pty(core);
    const auto device = StartOn(5, pty.SlavePath());
    ASSERT_TRUE(ReadyAfterInit(*device, core));
    EXPECT_EQ(device->GetStatusDetail(), "COM5, 38400");
    device->DeInit();
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Inaktiv);
    EXPECT_EQ(device->GetStatusText(), "Inaktiv");
    EXPECT_EQ(device->GetStatusDetail(), "-");
}

// A run whose loop stops polling when told to and then only waits for the stop request.
class HoldingSerial : public TGeraetHostmodeSerial {
public:
    std::atomic<bool> hold{false};
    std::atomic<bool> held{false};

protected:
    void Schleife() override {
        while (!hold && !IsTerminated()) {
            Zyklus();
            Warte(kZyklusMs);
        }
        held = true;
        while (Warte(kZyklusMs)) {
        }
        TGeraetHostmodeSerial::Schleife(); // stopped by now: only the loop's end runs
    }
};

TEST(HostmodeLine, ShutDownReadsEveryReplyBeforeTheLineCloses) {
    // A session's end (SIGTERM) sets the quit event before the devices are stopped: the TNC's answers
    // are still read, and none of them is taken for a missing one.
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "after the quit event" : "stop request alone");
        TncSimCore core(SmallTnc());
        PtySim pty(core);
        const auto device = std::make_shared<HoldingSerial>();
        device->SerialParameter().deinitListe = {"K 0", "T 30"};
        StartOn(4, pty.SlavePath(), device);
        ASSERT_TRUE(ReadyAfterInit(*device, core));
        // The stop is to find the device between two cycles, not inside a poll (that transaction would fail).
        device->hold = true;
        ASSERT_TRUE(WaitFor([&] { return device->held.load(); }));

        const TraceLines trace;
        if (quit) {
            QuitEvent().Set();
        }
        device->DeInit();
        QuitEvent().Reset();
        EXPECT_FALSE(trace.Contains("FEHLER")) << trace.Text();
        EXPECT_TRUE(WaitFor([&] { return !core.InHostMode(); }, 2000)); // the last bytes cross the pump
        for (const char* command : {"K 0", "T 30", "MN", "Z3", "S0", "JHOST0"}) {
            EXPECT_TRUE(core.HasCommand(command, 0)) << command;
        }
    }
}

TEST(HostmodeLine, StopInsideAReplyStillLeavesHostModeInOrder) {
    TncSimCore core(SmallTnc());
    PtySim pty(core, 1200); // the version text takes about 200 ms on the line
    const auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().initListe = {"V"};
    StartOn(4, pty.SlavePath(), device);
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("V", 0) == 2; }, 20000));
    std::this_thread::sleep_for(std::chrono::milliseconds(80)); // part of the text is through
    const TraceLines trace;
    device->DeInit(); // while the rest of the reply to the INIT line is still coming
    EXPECT_TRUE(WaitFor([&] { return !core.InHostMode(); }, 5000));
    EXPECT_FALSE(trace.Contains("FEHLER: 8:")); // no reply was taken for the rest of another one
    for (const char* command : {"MN", "Z3", "S0"}) {
        EXPECT_TRUE(core.HasCommand(command, 0)) << command;
    }
}

TEST(HostmodeLine, ASilentTncHoldsTheShutDownForOneReplyTimeOutOnly) {
    TncSimCore core(SmallTnc());
    PtySim pty(core);
    const auto device = StartOn(3, pty.SlavePath());
    ASSERT_TRUE(ReadyAfterInit(*device, core));
    core.SetSilent(true); // every reply would be waited for in full
    QuitEvent().Set();
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    // The first unanswered command puts the TNC out of step: nothing more is asked of it.
    EXPECT_LT(msSince(start), 1500);
    QuitEvent().Reset();
}

TEST(HostmodeLine, UnknownBaudRateIsRefusedWithAClearStatus) {
    TncSimCore core(SmallTnc());
    PtySim pty(core);
    const auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().baudrate = 14400; // stored by hand: the dialog offers no such rate
    StartOn(8, pty.SlavePath(), device);
    ASSERT_TRUE(WaitFor([&] { return !device->HasThread(); }));
    EXPECT_EQ(device->GetStatusText(), Utf8ToCp1252("Fehler - Baudrate 14400 wird nicht unterstützt"));
    EXPECT_EQ(device->GetStatusDetail(), "COM8, 14400");
    EXPECT_FALSE(device->CommIsOpen());
    EXPECT_EQ(core.CountCommand("V"), 0); // nothing went over the line
    device->DeInit();
}

// A run that hangs once in its loop and ignores the stop request, so that it is abandoned.
class HangingOnceSerial : public TGeraetHostmodeSerial {
public:
    std::atomic<bool> hang{true};
    std::atomic<bool> hanging{false};
    std::atomic<bool> release{false};

protected:
    void Schleife() override {
        if (hang.exchange(false)) {
            hanging = true;
            while (!release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            return;
        }
        TGeraetHostmodeSerial::Schleife();
    }
};

TEST(HostmodeLine, AbandonedRunNeverTouchesTheLineOfItsSuccessor) {
    TncSimCore first(SmallTnc());
    PtySim firstPty(first);
    TncSimCore second(SmallTnc());
    PtySim secondPty(second);
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM2",
                                          secondPty.SlavePath());
    const auto device = std::make_shared<HangingOnceSerial>();
    device->SetStopLimitMs(200);
    StartOn(1, firstPty.SlavePath(), device);
    ASSERT_TRUE(WaitFor([&] { return device->hanging.load(); }));
    device->DeInit(); // the run hangs: abandoned at the limit
    EXPECT_FALSE(device->HasThread());

    device->EditedParameter().SetComPort(2);
    device->EinstellungenUebernehmen(); // the restart opens the other line
    ASSERT_TRUE(ReadyAfterInit(*device, second));

    device->release = true; // the abandoned run now leaves host mode on its own line
    EXPECT_TRUE(WaitFor([&] { return first.HasCommand("JHOST0", 0); }));
    EXPECT_FALSE(second.HasCommand("JHOST0", 0));
    EXPECT_TRUE(second.InHostMode());
    EXPECT_TRUE(device->CommIsOpen());
    device->PostMessage(msg_init); // the successor's line still carries its exchanges
    EXPECT_TRUE(ReadyAfterInit(*device, second, 2));
    EXPECT_EQ(device->GetStatusText(), "Bereit");
    device->DeInit();
}

} // namespace
} // namespace quarn::test
