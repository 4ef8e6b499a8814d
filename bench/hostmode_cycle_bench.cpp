// The host-mode cycle against the simulated TNC at 44 ms an exchange, as a serial device on a
// pseudo-terminal with real connections: how long a queued line or connect request takes to reach the
// TNC (with 50 TNC channels in both poll modes, and on a link whose peer floods), and what the cycle
// carries (one and ten echo links, a line's echo, CPU per echoed kilobyte, 40 outgoing connects). The
// simulator runs in a child process (this program with --sim and tncsim's options), so the CPU time
// here is the program's side alone.
// Usage: hostmode_cycle_bench [kilobytes per echo link, default 16] [connect|reply|echo|forty: only that]
// With BENCH_ALL set in the environment every single latency is printed too.
#include "bench/BenchHome.h"
#include "bench/BenchKind.h"
#include "bench/CountingKanal.h"
#include "connections/VerbindungenAnmelden.h"
#include "devices/FunkKanalU.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "foundation/ConfigU.h"
#include "foundation/QueueU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tests/devices/FakeKanal.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace quarn;
using bench::CountingKanal;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kExchangeMs = "44";
constexpr std::size_t kLine = 256; // an echo line: 255 bytes and its CR, one full frame

double Seconds(SteadyClock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the GUI loop until `done` or `limitMs` passed, looking every `stepMs`; false on the limit.
bool PumpUntil(const std::function<bool()>& done, int limitMs, int stepMs = 2) {
    const auto start = SteadyClock::now();
    while (!done()) {
        if (SteadyClock::now() - start > std::chrono::milliseconds(limitMs)) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(stepMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

std::string Stations(std::vector<std::string>& args, const std::string& prefix, int count,
                     const char* behaviour) {
    for (int i = 1; i <= count; ++i) {
        char call[16];
        std::snprintf(call, sizeof call, "%s%02d", prefix.c_str(), i);
        args.insert(args.end(), {"--station", std::string(call) + ":" + behaviour});
    }
    return prefix;
}

std::string Call(const std::string& prefix, int number) {
    char call[16];
    std::snprintf(call, sizeof call, "%s%02d", prefix.c_str(), number);
    return call;
}

// The simulator child and the program's device on it, with the monitor flags given.
class Strecke {
public:
    explicit Strecke(std::vector<std::string> simArgs, std::int32_t monitor = 0)
        : config_(RegistryStore::Instance()), scoped_(config_) {
        config_.SetMonitorFlags(monitor);
        simArgs.insert(simArgs.begin(), {"--sim", "--exchange-ms", kExchangeMs});
        sim_ = std::make_unique<bench::BenchKind>(simArgs);
        path_ = sim_->Zeile(SteadyClock::now() + std::chrono::seconds(10)).value_or("");
        if (path_.empty()) {
            return;
        }
        RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM1", path_);
        device_ = std::make_shared<TGeraetHostmodeSerial>();
        device_->SerialParameter().SetComPort(1);
        device_->SerialParameter().baudrate = 38400;
        device_->Init();
        ready_ = PumpUntil([&] { return device_->GetStatus() == TGeraetStatus::Bereit; }, 30000);
        port_ = std::make_shared<TFunkKanal>(device_);
        port_->SetNummer(-1);
    }
    ~Strecke() {
        if (device_) {
            device_->DeInit();
        }
        for (const std::shared_ptr<IVerbindung>& link : links_) {
            link->Release();
        }
    }

    bool Ready() const { return ready_; }
    TGeraetHostmodeSerial& Device() { return *device_; }

    // Asks the child to watch for a frame; the answer comes with Seen.
    void Watch(const std::string& request) { sim_->Schreiben(request); }
    // When the watched frame reached the TNC (steady clock), nothing when it did not.
    std::optional<SteadyClock::time_point> Seen() {
        std::optional<std::string> line;
        PumpUntil(
            [&] {
                line = sim_->Zeile(SteadyClock::now() + std::chrono::milliseconds(5));
                return line.has_value();
            },
            20000);
        const long long ns = line ? std::atoll(line->c_str()) : -1;
        if (ns < 0) {
            return std::nullopt;
        }
        return SteadyClock::time_point(std::chrono::nanoseconds(ns));
    }

    // Connects to `call` and waits until the link is up; the link and its channel, or none.
    std::shared_ptr<IVerbindung> Connect(const std::string& call, std::shared_ptr<CountingKanal>& channel,
                                         TConnectResult* result = nullptr) {
        std::string path = call;
        std::string myCall = "DL1AAA";
        std::shared_ptr<IVerbindung> link;
        channel = std::make_shared<CountingKanal>(static_cast<int>(links_.size()) + 1);
        const TConnectResult connected = device_->Verbinde(port_, path, link, channel, myCall);
        if (result != nullptr) {
            *result = connected;
        }
        if (connected != TConnectResult::Connected || !link) {
            return nullptr;
        }
        links_.push_back(link);
        if (!PumpUntil([&] { return link->GetState() >= 3; }, 20000)) {
            return nullptr;
        }
        return link;
    }

private:
    TConfig config_;
    ScopedConfig scoped_;
    std::unique_ptr<bench::BenchKind> sim_;
    std::string path_;
    std::shared_ptr<TGeraetHostmodeSerial> device_;
    std::shared_ptr<TFunkKanal> port_;
    std::vector<std::shared_ptr<IVerbindung>> links_;
    bool ready_ = false;
};

struct Figures {
    std::vector<double> ms;
    void Print(const char* what) {
        std::sort(ms.begin(), ms.end());
        if (ms.empty()) {
            std::printf("%-44s no figures\n", what);
            return;
        }
        double sum = 0;
        for (const double m : ms) {
            sum += m;
        }
        std::printf("%-44s median %6.0f ms, mean %6.0f ms, max %6.0f ms (%zu)\n", what, ms[ms.size() / 2],
                    sum / static_cast<double>(ms.size()), ms.back(), ms.size());
        if (std::getenv("BENCH_ALL") != nullptr) {
            for (const double m : ms) {
                std::printf(" %.0f", m);
            }
            std::printf("\n");
        }
    }
};

std::mt19937 random(7);
int RandomMs(int upTo) {
    return std::uniform_int_distribution<int>(0, upTo)(random);
}

// A connect request to its "C" frame at the TNC, each at a random point of the cycle.
bool ConnectLatency(bool standardPoll) {
    std::vector<std::string> args = {"--channels", "50"};
    const std::string prefix = Stations(args, "DL4E", 8, "echo");
    if (standardPoll) {
        args.push_back("--standard-poll");
    }
    Strecke strecke(args);
    if (!strecke.Ready()) {
        std::fprintf(stderr, "the device did not get ready\n");
        return false;
    }
    // "Bereit" comes before the start-up gives the own call to every channel (50 exchanges): the
    // loop's figures begin after that.
    Pump(3000);
    Figures figures;
    for (int i = 1; i <= 8; ++i) {
        Pump(200 + RandomMs(1500));
        const std::string call = Call(prefix, i);
        strecke.Watch("cmd C" + call);
        const auto start = SteadyClock::now();
        std::shared_ptr<CountingKanal> channel;
        TConnectResult result = TConnectResult::DeviceError;
        const bool up = strecke.Connect(call, channel, &result) != nullptr;
        const auto seen = strecke.Seen();
        if (!up || !seen) {
            std::fprintf(stderr, "connect %d did not reach the TNC (result %d, link %d)\n", i,
                         static_cast<int>(result), up ? 1 : 0);
            return false;
        }
        figures.ms.push_back(1000 * Seconds(*seen - start));
    }
    figures.Print(standardPoll ? "connect request, 50 channels, standard poll:"
                               : "connect request, 50 channels, extended poll:");
    return true;
}

// A line queued on a link whose peer floods, to its frame at the TNC.
bool ReplyLatency(std::int32_t monitor) {
    Strecke strecke({"--channels", "10", "--station", "DL7FLD:flood"}, monitor);
    std::shared_ptr<CountingKanal> channel;
    const std::shared_ptr<IVerbindung> link = strecke.Ready() ? strecke.Connect("DL7FLD", channel) : nullptr;
    if (!link) {
        std::fprintf(stderr, "no link to the flooding station\n");
        return false;
    }
    Pump(3000);
    Figures figures;
    for (int i = 1; i <= 12; ++i) {
        Pump(100 + RandomMs(600));
        const std::string text = "#OK#" + std::to_string(i);
        strecke.Watch("info " + text);
        const auto start = SteadyClock::now();
        link->GetTransmitQueue().PushString(text + "\r");
        const auto seen = strecke.Seen();
        if (!seen) {
            std::fprintf(stderr, "reply %d did not reach the TNC\n", i);
            return false;
        }
        figures.ms.push_back(1000 * Seconds(*seen - start));
    }
    const double flood = static_cast<double>(channel->ReceivedSize());
    char what[96];
    std::snprintf(what, sizeof what, "reply on a flooded link, monitor %s:", monitor != 0 ? "on" : "off");
    figures.Print(what);
    std::printf("%-44s %.0f bytes of flood read meanwhile\n", "", flood);
    return true;
}

std::string EchoLine(int link, int number) {
    std::string line = "L" + std::to_string(link) + " " + std::to_string(number) + " ";
    line.resize(kLine - 1, 'x');
    return line + '\r';
}

// `links` echo links; each sends `bytes` in full lines and waits for all of it to come back.
bool Echo(int links, std::size_t bytes, std::int32_t monitor) {
    std::vector<std::string> args = {"--channels", "10"};
    const std::string prefix = Stations(args, "DL4E", links, "echo");
    Strecke strecke(args, monitor);
    std::vector<std::shared_ptr<IVerbindung>> linked;
    std::vector<std::shared_ptr<CountingKanal>> channels;
    for (int i = 1; strecke.Ready() && i <= links; ++i) {
        std::shared_ptr<CountingKanal> channel;
        if (const auto link = strecke.Connect(Call(prefix, i), channel)) {
            linked.push_back(link);
            channels.push_back(channel);
        }
    }
    if (static_cast<int>(linked.size()) != links) {
        std::fprintf(stderr, "only %zu of %d echo links came up\n", linked.size(), links);
        return false;
    }
    Pump(1000);
    const char* monitorText = monitor != 0 ? "on" : "off";
    if (links == 1) {
        Figures figures;
        for (int i = 1; i <= 10; ++i) {
            Pump(100 + RandomMs(400));
            const std::string line = "ping " + std::to_string(i) + "\r";
            const std::size_t before = channels[0]->ReceivedSize();
            const auto start = SteadyClock::now();
            linked[0]->GetTransmitQueue().PushString(line);
            if (!PumpUntil([&] { return channels[0]->ReceivedSize() >= before + line.size(); }, 20000)) {
                std::fprintf(stderr, "echo %d did not come back\n", i);
                return false;
            }
            figures.ms.push_back(1000 * Seconds(SteadyClock::now() - start));
        }
        char what[96];
        std::snprintf(what, sizeof what, "a line's echo, one link, monitor %s:", monitorText);
        figures.Print(what);
    }
    std::vector<std::size_t> before;
    for (const auto& channel : channels) {
        before.push_back(channel->ReceivedSize());
    }
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = SteadyClock::now();
    for (int i = 0; i < links; ++i) {
        for (std::size_t n = 0; n * kLine < bytes; ++n) {
            linked[static_cast<std::size_t>(i)]->GetTransmitQueue().PushString(
                EchoLine(i, static_cast<int>(n)));
        }
    }
    const std::size_t each = (bytes + kLine - 1) / kLine * kLine;
    const bool back = PumpUntil(
        [&] {
            for (std::size_t i = 0; i < channels.size(); ++i) {
                if (channels[i]->ReceivedSize() < before[i] + each) {
                    return false;
                }
            }
            return true;
        },
        600000, 50); // looking seldom: the CPU figure is the program's, not this loop's
    const double seconds = Seconds(SteadyClock::now() - start);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    if (!back) {
        std::fprintf(stderr, "the echo did not all come back\n");
        return false;
    }
    const double total = static_cast<double>(each) * links;
    char what[96];
    std::snprintf(what, sizeof what, "echo, %d link%s, monitor %s:", links, links == 1 ? "" : "s",
                  monitorText);
    std::printf("%-44s %.0f bytes back in %.1f s = %.0f B/s; %.1f ms CPU per echoed kB\n", what, total,
                seconds, total / seconds, 1000 * cpu / (total / 1024));
    return true;
}

// 40 outgoing connects one after the other, each to its own echo station.
bool FortyConnects() {
    std::vector<std::string> args = {"--channels", "50"};
    const std::string prefix = Stations(args, "DL5C", 40, "echo");
    Strecke strecke(args);
    if (!strecke.Ready()) {
        return false;
    }
    int up = 0;
    Figures figures;
    std::vector<std::shared_ptr<IVerbindung>> links;
    const auto start = SteadyClock::now();
    for (int i = 1; i <= 40; ++i) {
        std::shared_ptr<CountingKanal> channel;
        TConnectResult result = TConnectResult::DeviceError;
        const auto one = SteadyClock::now();
        if (const auto link = strecke.Connect(Call(prefix, i), channel, &result)) {
            ++up;
            links.push_back(link);
            // Each link carries a line, so the cycle has them all to serve.
            link->GetTransmitQueue().PushString("hello " + std::to_string(i) + "\r");
        } else {
            std::fprintf(stderr, "connect %d: result %d\n", i, static_cast<int>(result));
        }
        figures.ms.push_back(1000 * Seconds(SteadyClock::now() - one));
    }
    std::printf("%-44s %d of 40 up in %.1f s\n", "40 outgoing connects, 50 channels:", up,
                Seconds(SteadyClock::now() - start));
    figures.Print("    connect to link up:");
    return up == 40;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--sim") {
        return bench::SimulatorAirLaufen(std::vector<std::string>(argv + 2, argv + argc));
    }
    const long kb = argc >= 2 ? std::atol(argv[1]) : 16;
    if (kb <= 0) {
        std::fprintf(stderr, "usage: %s [kilobytes per echo link, default 16]\n", argv[0]);
        return 2;
    }
    const bench::BenchHome home("hostmode_cycle_bench");
    QApplication application(argc, argv);
    InitializeSynchronize();
    VerbindungenAnmelden();
    bool ok = true;
    {
        std::printf("host-mode cycle against tncsim --exchange-ms %s (pty unpaced)\n", kExchangeMs);
        const std::string only = argc >= 3 ? argv[2] : "";
        const auto run = [&](const char* name) { return only.empty() || only == name; };
        if (run("connect")) {
            ok = ConnectLatency(true) && ok;
            ok = ConnectLatency(false) && ok;
        }
        if (run("reply")) {
            ok = ReplyLatency(0) && ok;
            ok = ReplyLatency(350) && ok;
        }
        const std::size_t bytes = static_cast<std::size_t>(kb) * 1024;
        if (run("echo")) {
            ok = Echo(1, bytes, 0) && ok;
            ok = Echo(10, bytes, 0) && ok;
            ok = Echo(1, bytes / 4, 350) && ok;
        }
        if (run("forty")) {
            ok = FortyConnects() && ok;
        }
    }
    FinalizeSynchronize();
    return ok ? 0 : 1;
}
