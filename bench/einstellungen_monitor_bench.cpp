// The settings page "Monitor": one box toggled, its neighbours' enabling and the preview console rebuilt
// and painted (goal: under 5 ms).
#include "BenchHome.h"
#include "foundation/ConfigU.h"
#include "platform/FontFile.h"
#include "ui/einstellungen/EinstellungenMonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <benchmark/benchmark.h>

namespace {

using namespace quarn;

void BM_MonitorKastenUmschalten(benchmark::State& state) {
    TConfig config;
    ScopedConfig scoped(config);
    config.SetMonitorFlags(0x15E);
    TEinstellungenMonitor page(nullptr);
    page.resize(420, 440);
    page.show();
    QApplication::processEvents();
    QCheckBox* information = page.Kasten(0x4);
    for (auto _ : state) {
        information->click();
        page.repaint();
    }
}
BENCHMARK(BM_MonitorKastenUmschalten)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    const bench::BenchHome home("einstellungen-monitor-bench");
    QApplication application(argc, argv);
    AddFontResource(QUARN_FONT_FILE);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
