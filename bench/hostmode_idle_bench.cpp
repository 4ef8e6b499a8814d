// CPU time the program spends keeping an idle host-mode TNC with 8 channels polled: a serial device on
// a pseudo-terminal, the simulated TNC behind it paced at 38,400 baud and answering each frame after
// 44 ms as a real firmware does, once in standard and once in extended poll. The simulator runs in a
// child process (this program started again with --sim), so the process CPU clock here is the
// program's side alone. Usage: hostmode_idle_bench [seconds per mode, default 30]
#include "bench/BenchHome.h"
#include "bench/BenchKind.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "foundation/ConfigU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tools/tncsim/TncSimConfig.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kBaud = 38400;
constexpr std::uint32_t kExchangeMs = 44;
constexpr int kChannels = 8;

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

// The simulator as a child process: the pseudo-terminal's path, and what the TNC got so far.
class SimProcess {
public:
    explicit SimProcess(bool extendedPoll) : kind_({"--sim", extendedPoll ? "extended" : "standard"}) {
        path_ = kind_.Zeile(Deadline()).value_or("");
    }

    const std::string& Path() const { return path_; }

    // Frames the TNC got so far, and the "G" polls among them.
    std::pair<long, long> Frames() {
        long frames = 0;
        long polls = 0;
        if (kind_.Schreiben("?")) {
            std::sscanf(kind_.Zeile(Deadline()).value_or("").c_str(), "%ld %ld", &frames, &polls);
        }
        return {frames, polls};
    }

private:
    static quarn::bench::BenchKind::Clock::time_point Deadline() {
        return quarn::bench::BenchKind::Clock::now() + std::chrono::seconds(10);
    }

    quarn::bench::BenchKind kind_;
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
        quarn::tncsim::TncSimConfig config = quarn::tncsim::ConfigFor(quarn::tncsim::Identity::Tnc2);
        config.channels = kChannels;
        config.extendedPoll = std::string(argv[2]) == "extended";
        config.exchangeDelayMs = kExchangeMs;
        return quarn::bench::SimulatorLaufen(config, kBaud);
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
