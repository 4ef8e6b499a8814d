// Joining a received BinSplit set: a 10 MB file in 32 KiB parts lies in the folder of incomplete files,
// and the last part's arrival checks the chain of CRCs, joins the parts into the receive folder and
// deletes them. Printed: MB/s of the join (the last part's hand-over), and of the whole set handed over
// part by part (every part's own CRC and folder scan included).
#include "BenchHome.h"
#include "connections/transfer/DateiEmpfangenPostprozessorU.h"
#include "connections/send/DateiSendenU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/OrdnerU.h"
#include "tests/connections/transfer/BinSplitTestWriter.h"
#include "tests/connections/FakeModulVerbindung.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace binsplit = quarn::test::binsplit;

constexpr std::size_t kDateiGroesse = 10 * 1000 * 1000;
constexpr std::size_t kTeilGroesse = 32 * 1024;

class JoinBench {
public:
    JoinBench() : folder_(fs::temp_directory_path() / ("quarn-binsplit-join." + std::to_string(::getpid()))) {
        fs::create_directories(eingang_);
        quarn::TOrdner().SetEmpfang(folder_ / "Empfang");
        teile_ =
            binsplit::Teile(binsplit::Muster(kDateiGroesse), kTeilGroesse, "daten.bin", "20240102030405");
    }
    ~JoinBench() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    JoinBench(const JoinBench&) = delete;
    JoinBench& operator=(const JoinBench&) = delete;

    std::size_t Anzahl() const { return teile_.size(); }

    void Lege(std::size_t index) const { std::ofstream(Name(index), std::ios::binary) << teile_[index]; }

    // The hand-over of one received part, as a receiver makes it.
    void Empfange(std::size_t index) const {
        auto stream = std::make_unique<quarn::TFileStreamKio>();
        stream->SetFileName(Name(index));
        stream->SetMode(quarn::fmOpenReadWrite | quarn::fmShareExclusive);
        stream->Open();
        auto item = std::make_shared<quarn::TDateiSenden>(verbindung_);
        item->SetStream(std::move(stream));
        quarn::TDateiEmpfangenPostprozessor(verbindung_).Execute(item);
        item->Release();
    }

    void Aufraeumen() const {
        fs::remove_all(folder_ / "Empfang");
        for (const auto& entry : fs::directory_iterator(eingang_)) {
            fs::remove(entry.path());
        }
    }

private:
    fs::path Name(std::size_t index) const {
        return eingang_ / binsplit::TeilDateiName("daten.bin", index + 1);
    }

    const fs::path folder_;
    const fs::path eingang_ = folder_ / "Incomplete Files";
    std::vector<std::string> teile_;
    const std::shared_ptr<quarn::test::FakeModulVerbindung> verbindung_ =
        std::make_shared<quarn::test::FakeModulVerbindung>();
};

void Rate(benchmark::State& state) {
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(kDateiGroesse) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void BM_JoinLastPart(benchmark::State& state) {
    const quarn::bench::BenchHome home("quarn-binsplit-bench");
    const JoinBench bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.Aufraeumen();
        for (std::size_t i = 0; i < bench.Anzahl(); ++i) {
            bench.Lege(i);
        }
        state.ResumeTiming();
        bench.Empfange(bench.Anzahl() - 1);
    }
    Rate(state);
}
BENCHMARK(BM_JoinLastPart)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SetPartByPart(benchmark::State& state) {
    const quarn::bench::BenchHome home("quarn-binsplit-bench");
    const JoinBench bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.Aufraeumen();
        state.ResumeTiming();
        for (std::size_t i = 0; i < bench.Anzahl(); ++i) {
            // The reception itself is not measured.
            state.PauseTiming();
            bench.Lege(i);
            state.ResumeTiming();
            bench.Empfange(i);
        }
    }
    Rate(state);
}
BENCHMARK(BM_SetPartByPart)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
