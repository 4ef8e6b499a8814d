// DIDADIT of a 10 MB file between two connections over an in-process link without pacing, beside a plain
// copy of the same bytes through the same queues (256-byte pieces, one pump thread moving each station's
// transmit queue into the other's receive queue).
#include "BenchHome.h"
#include "connections/DateiSendenU.h"
#include "connections/VerbindungDidaditReceiveU.h"
#include "connections/VerbindungDidaditSendU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/OrdnerU.h"
#include "platform/WaitForAny.h"
#include "tests/connections/FakeModulVerbindung.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
constexpr std::size_t kBytes = 10 * 1024 * 1024;
constexpr std::size_t kStueck = 256;

// Texts go onto the connection's own queues, as on a real connection.
class Station final : public quarn::test::FakeModulVerbindung {
public:
    std::string Get_Call() const override { return "DB0ABC"; }
    void SendeText(std::string_view text, bool, bool, bool, bool typedText) override {
        (typedText ? typed : transmit).PushString(text);
    }
    void SetDateiSenden(std::shared_ptr<quarn::IDateiSenden> job) override {
        const std::lock_guard lock(lock_);
        job_ = std::move(job);
    }
    std::shared_ptr<quarn::IDateiSenden> GetDateiSenden() const override {
        const std::lock_guard lock(lock_);
        return job_;
    }

private:
    mutable std::mutex lock_;
    std::shared_ptr<quarn::IDateiSenden> job_;
};

// Moves each station's transmit queue into the other's receive queue, piece by piece.
class Strecke {
public:
    Strecke(Station& a, Station& b) : a_(a), b_(b), pumpe_([this] { Pumpen(); }) {}
    ~Strecke() {
        stop_.Set();
        pumpe_.join();
    }

private:
    void Pumpen() {
        while (!stop_.IsSet()) {
            quarn::WaitForAny({stop_, a_.transmit.NotEmptyEvent(), b_.transmit.NotEmptyEvent()}, 100);
            for (auto [von, nach] : {std::pair{&a_, &b_}, std::pair{&b_, &a_}}) {
                while (!von->transmit.IsEmpty()) {
                    nach->receive.PushString(von->transmit.PopString());
                }
            }
        }
    }
    Station& a_;
    Station& b_;
    quarn::Event stop_{quarn::EventReset::Manual, false};
    std::thread pumpe_;
};

fs::path Quelldatei(const fs::path& folder) {
    const fs::path file = folder / "quelle.bin";
    if (!fs::exists(file)) {
        std::string bytes(kBytes, '\0');
        std::mt19937 zufall(1);
        for (char& c : bytes) {
            c = static_cast<char>(zufall());
        }
        std::ofstream(file, std::ios::binary) << bytes;
    }
    return file;
}

void BM_DidaditUebertragung(benchmark::State& state) {
    const quarn::bench::BenchHome home("didadit_bench");
    const fs::path folder = fs::temp_directory_path() / ("didadit_bench_daten." + std::to_string(::getpid()));
    fs::create_directories(folder / "empfang");
    quarn::TOrdner().SetEmpfang(folder / "empfang");
    const fs::path quelle = Quelldatei(folder);
    for (auto _ : state) {
        auto a = std::make_shared<Station>();
        auto b = std::make_shared<Station>();
        const Strecke strecke(*a, *b);
        std::thread empfaenger([&] {
            quarn::WaitForAny({b->receive.NotEmptyEvent()}, quarn::kInfinite);
            const auto handler =
                quarn::TVerbindungAbstract::Erzeuge<quarn::TVerbindungDidaditReceive>(nullptr, b);
            handler->EventLoop();
            handler->Release();
        });
        auto item = std::make_shared<quarn::TDateiSenden>(a);
        auto stream = std::make_unique<quarn::TFileStreamKio>();
        stream->SetFileName(quelle);
        stream->SetMode(quarn::fmOpenRead);
        stream->Open();
        item->SetStream(std::move(stream));
        item->SetProtokoll(5);
        item->SetAnzeigename("ziel.bin");
        a->SetDateiSenden(item);
        const auto sender = quarn::TVerbindungAbstract::Erzeuge<quarn::TVerbindungDidaditSend>(nullptr, a);
        sender->EventLoop();
        sender->Release();
        empfaenger.join();
        state.PauseTiming();
        fs::remove_all(folder / "empfang");
        fs::create_directories(folder / "empfang");
        state.ResumeTiming();
    }
    fs::remove_all(folder);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_DidaditUebertragung)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes as 256-byte pieces straight from one transmit queue to the other side's receive queue.
void BM_KopieDurchDieQueues(benchmark::State& state) {
    const std::string stueck(kStueck, 'x');
    for (auto _ : state) {
        auto a = std::make_shared<Station>();
        auto b = std::make_shared<Station>();
        const Strecke strecke(*a, *b);
        std::thread leser([&] {
            for (std::size_t gelesen = 0; gelesen < kBytes;) {
                quarn::WaitForAny({b->receive.NotEmptyEvent()}, quarn::kInfinite);
                while (!b->receive.IsEmpty()) {
                    gelesen += b->receive.PopString().size();
                }
            }
        });
        for (std::size_t gesendet = 0; gesendet < kBytes; gesendet += kStueck * 5) {
            quarn::WaitForAny({a->transmit.EmptyEvent()}, quarn::kInfinite);
            for (int i = 0; i < 5; ++i) {
                a->transmit.PushString(stueck);
            }
        }
        leser.join();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_KopieDurchDieQueues)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
