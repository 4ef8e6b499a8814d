// The program's start and its idle load. Each start runs the program's own start-up (RunProgram with the
// main window, as the executable does) in a fresh child process, with a host-mode TNC on a
// pseudo-terminal (the simulator, 8 channels, 38,400 baud, answering each frame after 44 ms) in a second
// child: the time from starting the process to the first paint of the main window and to the device's
// "Bereit". The child reports both on its stdout; on the offscreen platform nothing else could see the
// paint. After the last start the program is left idle with its window shown and the TNC polled, and its
// process CPU time is read from /proc. Usage: hauptfenster_start_bench [starts, default 10]
// [idle seconds, default 10]
#include "bench/BenchHome.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "foundation/ConfigU.h"
#include "foundation/QuarnApplication.h"
#include "foundation/StartupU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/TncSimConfig.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/Hauptfenster.h"

#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBaud = 38400;
constexpr std::uint32_t kExchangeMs = 44;
constexpr int kChannels = 8;
constexpr int kComPort = 5;

// ---- the simulator (child process) ----

// Prints the pseudo-terminal's path, then runs until its stdin ends.
int RunSimulator() {
    quarn::tncsim::TncSimConfig config = quarn::tncsim::ConfigFor(quarn::tncsim::Identity::Tnc2);
    config.channels = kChannels;
    config.exchangeDelayMs = kExchangeMs;
    quarn::tncsim::TncSimCore core(config);
    quarn::tncsim::PtySim pty(core, kBaud);
    std::cout << pty.SlavePath() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    pty.Stop();
    return 0;
}

// ---- the program (child process) ----

// Tells the parent once of the main window's first paint and of the first device that is ready.
class Marken : public QObject {
public:
    explicit Marken(QObject* parent) : QObject(parent) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer] {
            const quarn::TGeraete* geraete = quarn::TGeraete::Instance();
            if (geraete == nullptr || geraete->Count() == 0) {
                return;
            }
            if (const auto& geraet = const_cast<quarn::TGeraete*>(geraete)->Geraete().front();
                geraet->GetStatus() == quarn::TGeraetStatus::Bereit) {
                Melden("BEREIT");
                timer->stop();
            }
        });
        timer->start(2);
    }

    void SetFenster(QWidget* fenster) { fenster_ = fenster; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && fenster_ != nullptr && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == fenster_) {
            Melden("PAINT");
            qApp->removeEventFilter(this);
        }
        return false;
    }

private:
    static void Melden(const char* text) {
        std::printf("%s\n", text);
        std::fflush(stdout);
    }

    QWidget* fenster_ = nullptr;
};

int RunProgramm(int argc, char** argv, const std::string& fontFile) {
    quarn::TQuarnApplication application(argc, argv);
    auto* marken = new Marken(&application);
    application.installEventFilter(marken);
    return quarn::RunProgram(application, [&] {
        auto fenster = std::make_unique<quarn::THauptfenster>(fontFile);
        marken->SetFenster(fenster.get());
        return std::unique_ptr<QWidget>(std::move(fenster));
    });
}

// ---- the parent ----

// A child process (this program again with `args`) whose stdout is read line by line.
class Kind {
public:
    explicit Kind(std::vector<std::string> args) {
        int toChild[2] = {-1, -1};
        int fromChild[2] = {-1, -1};
        if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
            return;
        }
        input_ = toChild[1];
        output_ = fromChild[0];
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        args.insert(args.begin(), self);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        start_ = Clock::now();
        if (::posix_spawn(&pid_, self.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
    }
    ~Kind() {
        if (input_ >= 0) {
            ::close(input_); // the simulator ends with its stdin
        }
        Ende(false);
        if (output_ >= 0) {
            ::close(output_);
        }
    }
    Kind(const Kind&) = delete;
    Kind& operator=(const Kind&) = delete;

    pid_t Pid() const { return pid_; }
    Clock::time_point Start() const { return start_; }

    // The next line, or nothing when none came before the deadline.
    std::optional<std::string> Zeile(Clock::time_point deadline) {
        for (;;) {
            if (const auto end = puffer_.find('\n'); end != std::string::npos) {
                std::string line = puffer_.substr(0, end);
                puffer_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd watched{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
                return std::nullopt;
            }
            char bytes[256];
            const ssize_t got = ::read(output_, bytes, sizeof bytes);
            if (got <= 0) {
                return std::nullopt;
            }
            puffer_.append(bytes, static_cast<std::size_t>(got));
        }
    }

    // Ends the process: SIGTERM (the program shuts down as at the session's end), SIGKILL after 20 s.
    int Ende(bool signal) {
        if (pid_ <= 0) {
            return -1;
        }
        if (signal) {
            ::kill(pid_, SIGTERM);
        }
        int status = 0;
        for (int wait = 0; wait < 2000; ++wait) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string puffer_;
    Clock::time_point start_;
};

// User and system CPU time of a process so far, in seconds.
double ProzessCpu(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold blanks, closed by the last ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; fields >> field && index <= 15; ++index) {
        if (index == 14 || index == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void GeraetEintragen(const std::string& ptyPath) {
    quarn::RegistryStore& store = quarn::RegistryStore::Instance();
    store.WriteString(quarn::Hive::LocalMachine, quarn::kSerialPortTableKey, "COM" + std::to_string(kComPort),
                      ptyPath);
    const std::string geraet = std::string(quarn::TGeraete::kRegistryKey) + "\\0";
    store.WriteString(quarn::Hive::LocalMachine, geraet, "", "TGeraetHostmodeSerial");
    store.WriteDWord(quarn::Hive::LocalMachine, geraet, "Anschluss", kComPort);
    store.WriteDWord(quarn::Hive::LocalMachine, geraet, "Baudrate", kBaud);
    store.Flush();
}

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Lauf {
    double paint = 0;
    double bereit = 0;
    // Idle: CPU seconds over wall seconds.
    double cpu = 0;
    double wall = 0;
};

// One start; with `idleSeconds` the program is then left idle that long and its CPU time taken.
std::optional<Lauf> Starten(const std::string& fontFile, int idleSeconds) {
    Kind sim({"--sim"});
    const std::optional<std::string> path = sim.Zeile(Clock::now() + std::chrono::seconds(10));
    if (!path || path->empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return std::nullopt;
    }
    GeraetEintragen(*path);

    Kind programm({"--programm", fontFile});
    Lauf lauf;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (lauf.paint == 0 || lauf.bereit == 0) {
        const std::optional<std::string> zeile = programm.Zeile(deadline);
        if (!zeile) {
            std::fprintf(stderr, "no %s within 60 s\n", lauf.paint == 0 ? "paint" : "\"Bereit\"");
            programm.Ende(true);
            return std::nullopt;
        }
        const double ms = Ms(Clock::now() - programm.Start());
        (*zeile == "PAINT" ? lauf.paint : lauf.bereit) = ms;
    }
    if (idleSeconds > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(2)); // the splash's close and the first polls
        const double cpuBefore = ProzessCpu(programm.Pid());
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        lauf.cpu = ProzessCpu(programm.Pid()) - cpuBefore;
        lauf.wall = Ms(Clock::now() - wallBefore) / 1000.0;
    }
    const int code = programm.Ende(true);
    if (code != 0) {
        std::fprintf(stderr, "the program ended with %d\n", code);
    }
    return lauf;
}

void Zeigen(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (const double value : values) {
        sum += value;
    }
    std::printf("%-26s min %7.1f ms  median %7.1f ms  mean %7.1f ms  max %7.1f ms\n", what, values.front(),
                values[values.size() / 2], sum / static_cast<double>(values.size()), values.back());
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--sim") {
        return RunSimulator();
    }
    if (argc >= 3 && std::string(argv[1]) == "--programm") {
        return RunProgramm(argc, argv, argv[2]);
    }
    const int starts = argc >= 2 ? std::atoi(argv[1]) : 10;
    const int idleSeconds = argc >= 3 ? std::atoi(argv[2]) : 10;
    if (starts <= 0 || idleSeconds < 0) {
        std::fprintf(stderr, "usage: %s [starts, default 10] [idle seconds, default 10]\n", argv[0]);
        return 2;
    }
    const std::string fontFile = QUARN_FONT_FILE;

    const quarn::bench::BenchHome home("hauptfenster_start_bench");
    {
        quarn::TConfig config(quarn::RegistryStore::Instance());
        config.SetChannels(kChannels);
    }
    std::printf("%d starts of the program with a host-mode TNC (%d channels, %d baud, %u ms a exchange)\n",
                starts, kChannels, kBaud, kExchangeMs);
    std::vector<double> paints;
    std::vector<double> bereit;
    Lauf letzter;
    for (int start = 0; start < starts; ++start) {
        const std::optional<Lauf> lauf = Starten(fontFile, start + 1 == starts ? idleSeconds : 0);
        if (!lauf) {
            return 1;
        }
        std::printf("  start %2d: window painted %7.1f ms, device \"Bereit\" %7.1f ms\n", start + 1,
                    lauf->paint, lauf->bereit);
        std::fflush(stdout);
        paints.push_back(lauf->paint);
        bereit.push_back(lauf->bereit);
        letzter = *lauf;
    }
    Zeigen("start to painted window", paints);
    Zeigen("start to device \"Bereit\"", bereit);
    if (letzter.wall > 0) {
        std::printf("idle, window shown, TNC polled: %.3f %% of one core over %.1f s (%.2f s CPU)\n",
                    100.0 * letzter.cpu / letzter.wall, letzter.wall, letzter.cpu);
    }
    return 0;
}
