// BinSplit of a 10 MB file into 32 KiB parts through the send preprocessor: the part files with their
// headers and CRC lines written to the temporary folder and queued as send items. Printed: MB/s of the
// source file.
#include "BenchHome.h"
#include "connections/send/DateiSendenPraeprozessorU.h"
#include "connections/send/DateiSendenQueueU.h"
#include "foundation/FileStreamKioU.h"
#include "tests/connections/FakeModulVerbindung.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr std::int64_t kFileBytes = 10'000'000;
constexpr std::int64_t kPartKib = 32;

class QueueVerbindung final : public quarn::test::FakeModulVerbindung {
public:
    std::shared_ptr<quarn::IDateiSendenQueue> GetDateiSendenQueue() const override { return queue; }
    std::shared_ptr<quarn::TDateiSendenQueue> queue = std::make_shared<quarn::TDateiSendenQueue>();
};

void BM_BinSplitSplit(benchmark::State& state) {
    const quarn::bench::BenchHome home("binsplit_split_bench");
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("binsplit_split_bench.src." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path source = folder / "daten.bin";
    {
        std::string bytes(static_cast<std::size_t>(kFileBytes), '\0');
        std::mt19937 random(7);
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        std::ofstream(source, std::ios::binary) << bytes;
    }

    const auto connection = std::make_shared<QueueVerbindung>();
    std::size_t parts = 0;
    for (auto _ : state) {
        auto stream = std::make_unique<quarn::TFileStreamKio>();
        stream->SetFileName(source);
        stream->SetMode(quarn::fmOpenRead | quarn::fmShareDenyWrite);
        stream->Open();
        quarn::TDateiSendenPraeprozessor praeprozessor(std::move(stream), source, connection, 2);
        praeprozessor.SetTeilGroesse(kPartKib);
        praeprozessor.SetAlleTeile(true);
        praeprozessor.Execute();

        state.PauseTiming();
        parts = static_cast<std::size_t>(connection->queue->GetCount());
        connection->queue->Release(); // deletes the part files
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kFileBytes);
    state.counters["parts"] = static_cast<double>(parts);
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(state.iterations() * kFileBytes) / 1e6,
                                                benchmark::Counter::kIsRate);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BinSplitSplit)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
