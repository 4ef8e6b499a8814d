// The program's start and its idle load. Each start runs the program's own start-up (RunProgram with the
// main window, as the executable does) in a fresh child process, with a host-mode TNC on a
// pseudo-terminal (the simulator, 8 channels, 38,400 baud, answering each frame after 44 ms) in a second
// child: the time from starting the process to the first paint of the main window and to the device's
// "Bereit". The child reports both on its stdout; on the offscreen platform nothing else could see the
// paint. After the last start the program is left idle with its window shown and the TNC polled, and its
// process CPU time is read from /proc. Usage: hauptfenster_start_bench [starts, default 10]
// [idle seconds, default 10]
#include "bench/BenchHome.h"
#include "bench/BenchKind.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "foundation/ConfigU.h"
#include "foundation/QuarnApplication.h"
#include "foundation/StartupU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tools/tncsim/TncSimConfig.h"
#include "ui/Hauptfenster.h"

#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBaud = 38400;
constexpr std::uint32_t kExchangeMs = 44;
constexpr int kChannels = 8;
constexpr int kComPort = 5;

// ---- the program (child process) ----

// Tells the parent once of the main window's first paint and of the first device that is ready.
class Marken : public QObject {
public:
    explicit Marken(QObject* parent) : QObject(parent) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer] {
            quarn::TGeraete* geraete = quarn::TGeraete::Instance();
            if (geraete == nullptr || geraete->Count() == 0) {
                return;
            }
            if (const auto& geraet = geraete->Geraete().front();
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
    quarn::bench::BenchKind sim({"--sim"});
    const std::optional<std::string> path = sim.Zeile(Clock::now() + std::chrono::seconds(10));
    if (!path || path->empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return std::nullopt;
    }
    GeraetEintragen(*path);

    quarn::bench::BenchKind programm({"--programm", fontFile});
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
        const double cpuBefore = quarn::bench::ProzessCpu(programm.Pid());
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        lauf.cpu = quarn::bench::ProzessCpu(programm.Pid()) - cpuBefore;
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
        quarn::tncsim::TncSimConfig config = quarn::tncsim::ConfigFor(quarn::tncsim::Identity::Tnc2);
        config.channels = kChannels;
        config.exchangeDelayMs = kExchangeMs;
        return quarn::bench::SimulatorLaufen(config, kBaud);
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
