// Round trips of Synchronize from a worker while the GUI thread runs its Qt loop, and the same from a
// worker while the GUI thread waits for it with WaitPumping (as the shut-down waits do).
#include "foundation/GlobalU.h"
#include "foundation/SynchronizeU.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <memory>
#include <thread>

namespace {

// Google Benchmark runs on a worker; the main thread is the GUI thread.

void BM_SynchronizeFromWorkerQtLoop(benchmark::State& state) {
    int counter = 0;
    for (auto _ : state) {
        quarn::Synchronize([&] { ++counter; });
    }
    benchmark::DoNotOptimize(counter);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SynchronizeFromWorkerQtLoop)->UseRealTime();

void BM_SynchronizeFromWorkerPumpingWait(benchmark::State& state) {
    // The GUI thread leaves its loop for a pumping wait until this run is done. Each run has its own
    // pair of events: the benchmark library calls this function several times.
    struct Pumping {
        quarn::Event started{quarn::EventReset::Manual};
        quarn::Event done{quarn::EventReset::Manual};
    };
    const auto pumping = std::make_shared<Pumping>();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [pumping] {
            pumping->started.Set();
            quarn::WaitPumping({pumping->done}, quarn::kInfinite);
        },
        Qt::QueuedConnection);
    pumping->started.Wait(quarn::kInfinite);
    int counter = 0;
    for (auto _ : state) {
        quarn::Synchronize([&] { ++counter; });
    }
    pumping->done.Set();
    benchmark::DoNotOptimize(counter);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SynchronizeFromWorkerPumpingWait)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    quarn::InitializeSynchronize();
    std::thread runner([] {
        benchmark::RunSpecifiedBenchmarks();
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    });
    QCoreApplication::exec();
    runner.join();
    quarn::FinalizeSynchronize();
    benchmark::Shutdown();
    return 0;
}
