// CPU time the program spends keeping an idle host-mode TNC with 8 channels polled: a serial device on
// a pseudo-terminal, the simulated TNC behind it paced at 38,400 baud and answering each frame after
// 44 ms as a real firmware does, once in standard and once in extended poll. The simulator runs in a
// child process (this program started again with --sim), so the process CPU clock here is the
// program's side alone. Usage: hostmode_idle_bench [seconds per mode, default 30]
#include "bench/BenchHome.h"
#include "devices/GeraetHostmodeSerialU.h"
#include "foundation/ConfigU.h"
#include "foundation/SynchronizeU.h"
#include "platform/FileDescriptor.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/TncSimConfig.h"
#include "tools/tncsim/TncSimCore.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kBaud = 38400;
constexpr std::uint32_t kExchangeMs = 44;
constexpr int kChannels = 8;

// ---- the simulator side (child process) ----

// Prints the slave path, then answers every line on stdin with the number of frames the TNC got and
// how many of them were "G"; ends at the end of stdin.
int RunSimulator(bool extendedPoll) {
    quarn::tncsim::TncSimConfig config = quarn::tncsim::ConfigFor(quarn::tncsim::Identity::Tnc2);
    config.channels = kChannels;
    config.extendedPoll = extendedPoll;
    config.exchangeDelayMs = kExchangeMs;
    quarn::tncsim::TncSimCore core(config);
    quarn::tncsim::PtySim pty(core, kBaud);
    std::cout << pty.SlavePath() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::cout << core.Received().size() << ' ' << core.CountCommand("G") << std::endl;
    }
    pty.Stop();
    return 0;
}

// ---- the program side ----

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The CPU time of every thread of this process by thread id: its name and nanoseconds on a CPU.
std::map<std::string, std::pair<std::string, double>> ThreadCpu() {
    std::map<std::string, std::pair<std::string, double>> threads;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::ifstream schedstat(task.path() / "schedstat");
        std::string name;
        double ns = 0;
        std::getline(comm, name);
        schedstat >> ns;
        threads[task.path().filename().string()] = {name, ns};
    }
    return threads;
}

// The simulator as a child process, talked to over its stdin and stdout.
class SimProcess {
public:
    explicit SimProcess(bool extendedPoll) {
        int toChild[2] = {-1, -1};
        int fromChild[2] = {-1, -1};
        if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
            return;
        }
        input_.reset(toChild[1]);
        output_ = ::fdopen(fromChild[0], "r");
        const quarn::FileDescriptor childIn(toChild[0]);
        const quarn::FileDescriptor childOut(fromChild[1]);
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, childIn.get(), STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, childOut.get(), STDOUT_FILENO);
        std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        std::string flag = "--sim";
        std::string mode = extendedPoll ? "extended" : "standard";
        char* argv[] = {self.data(), flag.data(), mode.data(), nullptr};
        if (::posix_spawn(&pid_, self.c_str(), &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        ::posix_spawn_file_actions_destroy(&actions);
        path_ = ReadLine();
    }
    ~SimProcess() {
        input_.reset(); // end of its stdin: it stops
        if (output_ != nullptr) {
            std::fclose(output_);
        }
        if (pid_ > 0) {
            ::waitpid(pid_, nullptr, 0);
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Path() const { return path_; }

    // Frames the TNC got so far, and the "G" polls among them.
    std::pair<long, long> Frames() {
        if (::write(input_.get(), "?\n", 2) != 2) {
            return {0, 0};
        }
        long frames = 0;
        long polls = 0;
        std::sscanf(ReadLine().c_str(), "%ld %ld", &frames, &polls);
        return {frames, polls};
    }

private:
    std::string ReadLine() {
        char line[512] = {};
        if (output_ == nullptr || std::fgets(line, sizeof line, output_) == nullptr) {
            return {};
        }
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        return text;
    }

    pid_t pid_ = -1;
    quarn::FileDescriptor input_;
    std::FILE* output_ = nullptr;
    std::string path_;
};

// Runs the GUI loop for `ms` as the idle program would.
void RunGuiLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Measure(bool extendedPoll, int seconds) {
    const char* name = extendedPoll ? "extended poll" : "standard poll";
    SimProcess sim(extendedPoll);
    if (sim.Path().empty()) {
        std::fprintf(stderr, "%s: the simulator did not start\n", name);
        return false;
    }
    quarn::RegistryStore::Instance().WriteString(quarn::Hive::LocalMachine, quarn::kSerialPortTableKey,
                                                 "COM1", sim.Path());
    auto device = std::make_shared<quarn::TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(1);
    device->SerialParameter().baudrate = kBaud;
    device->Init();
    const auto start = std::chrono::steady_clock::now();
    while (device->GetStatus() != quarn::TGeraetStatus::Bereit) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30)) {
            std::fprintf(stderr, "%s: the device did not get ready: %s\n", name,
                         device->GetStatusText().c_str());
            device->DeInit();
            return false;
        }
        RunGuiLoop(50);
    }
    RunGuiLoop(2000); // past the start-up and into the cycle
    if (device->GetExtended() != extendedPoll) {
        std::fprintf(stderr, "%s: the device polls in the other mode\n", name);
    }

    const auto threadsBefore = ThreadCpu();
    const auto framesBefore = sim.Frames();
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    RunGuiLoop(seconds * 1000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const auto framesAfter = sim.Frames();
    const auto threadsAfter = ThreadCpu();
    device->DeInit();

    const double exchanges = static_cast<double>(framesAfter.first - framesBefore.first) / wall;
    const double polls = static_cast<double>(framesAfter.second - framesBefore.second) / wall;
    std::printf("%-14s %6.3f %% of one core over %.1f s (%.3f s CPU); %.1f exchanges/s (%.1f \"G\"/s), "
                "%.1f us CPU per exchange\n",
                name, 100.0 * cpu / wall, wall, cpu, exchanges, polls,
                exchanges > 0 ? 1e6 * cpu / wall / exchanges : 0.0);
    for (const auto& [tid, after] : threadsAfter) {
        const auto before = threadsBefore.find(tid);
        const double ns = after.second - (before != threadsBefore.end() ? before->second.second : 0.0);
        if (ns > 0.0001 * wall * 1e9) {
            std::printf("    thread %-7s %-16s %6.3f %%\n", tid.c_str(), after.first.c_str(),
                        100.0 * ns / 1e9 / wall);
        }
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--sim") {
        return RunSimulator(std::string(argv[2]) == "extended");
    }
    const int seconds = argc >= 2 ? std::atoi(argv[1]) : 30;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds per mode, default 30]\n", argv[0]);
        return 2;
    }

    const quarn::bench::BenchHome home("hostmode_idle_bench");

    QApplication application(argc, argv);
    quarn::InitializeSynchronize();
    bool ok = true;
    {
        quarn::TConfig config(quarn::RegistryStore::Instance());
        config.SetChannels(kChannels);
        const quarn::ScopedConfig scoped(config);
        std::printf("idle host-mode TNC, %d channels, %d baud, %u ms a exchange, %d s per mode\n", kChannels,
                    kBaud, kExchangeMs, seconds);
        ok = Measure(false, seconds) && ok;
        ok = Measure(true, seconds) && ok;
    }
    quarn::FinalizeSynchronize();
    return ok ? 0 : 1;
}
