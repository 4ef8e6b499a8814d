// Throughput of a string queue between two threads, as between a device thread and a connection
// thread: 256-byte pieces pushed on one thread, taken on the other (the consumer waits on NotEmptyEvent,
// the producer on EmptyEvent after each burst).
#include "foundation/QueueU.h"
#include "platform/WaitForAny.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

constexpr std::size_t kPieceBytes = 256;

void BM_StringQueueAcrossThreads(benchmark::State& state) {
    const auto burst = static_cast<int>(state.range(0));
    quarn::TStringQueue queue;
    quarn::Event stop(quarn::EventReset::Manual);
    const std::string piece(kPieceBytes, 'x');
    std::thread producer([&] {
        while (!stop.IsSet()) {
            for (int i = 0; i < burst; ++i) {
                queue.PushString(piece);
            }
            quarn::WaitForAny({stop, queue.EmptyEvent()}, quarn::kInfinite);
        }
    });
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (queue.IsEmpty()) {
            quarn::WaitForAny({queue.NotEmptyEvent()}, quarn::kInfinite);
        }
        bytes += queue.PopString().size();
    }
    stop.Set();
    producer.join();
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StringQueueAcrossThreads)->Arg(1)->Arg(16)->Arg(256)->UseRealTime();

// The same pieces taken in 64-byte parts and as CR-terminated lines on one thread: the cost of the
// partial takes themselves.
void BM_StringQueuePartialTakes(benchmark::State& state) {
    quarn::TStringQueue queue;
    std::string piece(kPieceBytes, 'y');
    for (std::size_t i = 63; i < piece.size(); i += 64) {
        piece[i] = '\r';
    }
    const bool lines = state.range(0) != 0;
    for (auto _ : state) {
        queue.PushString(piece);
        while (!queue.IsEmpty()) {
            benchmark::DoNotOptimize(lines ? queue.PopLine() : queue.PopChars(64));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kPieceBytes));
}
BENCHMARK(BM_StringQueuePartialTakes)->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
