// Monitor lines formatted and written into channel 0 as a device thread hands them over, and received
// text of eight channels at once into their consoles, while the GUI thread runs its loop and paints.
// The CPU time is the whole process's (GUI and device threads): per monitor frame it gives the share of a
// core a busy channel costs (9600 baud carry about 30 to 40 frames per second).
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "devices/MonitorFrameU.h"
#include "foundation/ConfigU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "tests/devices/channel/TestKanalFenster.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMetaObject>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<quarn::TMonitorFrame> MixedFrames() {
    std::vector<quarn::TMonitorFrame> frames;
    const char* calls[] = {"DL1ABC", "DB0XYZ-1", "DK2DEF-7", "DO3GHI"};
    for (int i = 0; i < 64; ++i) {
        quarn::TMonitorFrame frame;
        frame.geraet = 0;
        frame.port = 1;
        frame.from = calls[i % 4];
        frame.to = calls[(i + 1) % 4];
        frame.via = i % 3 == 0 ? "DB0RELAY* DB0HUB" : "";
        frame.kind = static_cast<std::uint8_t>(1 + i % 10);
        frame.pid = i % 7 == 0 ? 0xCF : 0xF0;
        frame.sequence1 = static_cast<std::uint8_t>(i % 8);
        frame.sequence2 = static_cast<std::uint8_t>((i + 3) % 8);
        frame.command = static_cast<std::uint8_t>(i % 2);
        frame.pollFinal = static_cast<std::uint8_t>(i % 5 == 0);
        if (frame.kind == 1 || frame.kind == 10) {
            frame.information = "Hallo, hier ist die Mailbox in Musterstadt. Bitte //H fuer Hilfe\r";
        }
        frames.push_back(frame);
    }
    return frames;
}

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void BM_MonitorZeile(benchmark::State& state) {
    const std::vector<quarn::TMonitorFrame> frames = MixedFrames();
    std::size_t next = 0;
    const double cpuStart = ProcessCpuSeconds();
    for (auto _ : state) {
        quarn::TKanaele::Instance()->MonitorZeile(frames[next++ % frames.size()]);
    }
    const double cpuPerFrame = (ProcessCpuSeconds() - cpuStart) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations());
    // The share of one core that 40 frames per second take, in percent.
    state.counters["core_pct_at_40fps"] = cpuPerFrame * 40.0 * 100.0;
}
BENCHMARK(BM_MonitorZeile)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);

void BM_TextEmpfangenAchtKanaele(benchmark::State& state) {
    const std::shared_ptr<quarn::TKanal> kanal =
        quarn::TKanaele::Instance()->GetTKanal(state.thread_index() + 1);
    for (auto _ : state) {
        kanal->TextEmpfangen("Hallo, hier ist die Mailbox in Musterstadt. Bitte //H fuer Hilfe.\r");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextEmpfangenAchtKanaele)->Threads(8)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("kanal_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(home / "data");
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    quarn::InitializeSynchronize();
    int result = 0;
    {
        quarn::RegistryStore store(home / "registry");
        quarn::TConfig config(store);
        config.SetChannels(8);
        const quarn::ScopedConfig scoped(config);
        quarn::test::TestKanalFenster fenster;
        fenster.window.show();
        quarn::TKanaele kanaele(fenster);
        std::thread runner([] {
            benchmark::RunSpecifiedBenchmarks();
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        });
        result = QApplication::exec();
        runner.join();
    }
    quarn::FinalizeSynchronize();
    benchmark::Shutdown();
    std::filesystem::remove_all(home);
    return result;
}
