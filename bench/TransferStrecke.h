#pragma once

// A file transfer between two connections over an in-process link without pacing (256-byte pieces, one pump
// thread moving each station's transmit queue into the other's receive queue), and a plain copy of the
// same bytes through the same queues as the yardstick.
#include "BenchHome.h"
#include "connections/send/DateiSendenU.h"
#include "connections/VerbindungAbstractU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/OrdnerU.h"
#include "platform/WaitForAny.h"
#include "tests/connections/FakeModulVerbindung.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include <unistd.h>

namespace quarn::bench {

inline constexpr std::size_t kBytes = 10 * 1024 * 1024;
inline constexpr std::size_t kStueck = 256;

// Texts go onto the connection's own queues, as on a real connection.
class Station final : public test::FakeModulVerbindung {
public:
    std::string Get_Call() const override { return "DB0ABC"; }
    void SendeText(std::string_view text, bool, bool, bool, bool typedText) override {
        (typedText ? typed : transmit).PushString(text);
    }
    void SetDateiSenden(std::shared_ptr<IDateiSenden> job) override {
        const std::lock_guard lock(lock_);
        job_ = std::move(job);
    }
    std::shared_ptr<IDateiSenden> GetDateiSenden() const override {
        const std::lock_guard lock(lock_);
        return job_;
    }

private:
    mutable std::mutex lock_;
    std::shared_ptr<IDateiSenden> job_;
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
            WaitForAny({stop_, a_.transmit.NotEmptyEvent(), b_.transmit.NotEmptyEvent()}, 100);
            for (auto [von, nach] : {std::pair{&a_, &b_}, std::pair{&b_, &a_}}) {
                while (!von->transmit.IsEmpty()) {
                    nach->receive.PushString(von->transmit.PopString());
                }
            }
        }
    }
    Station& a_;
    Station& b_;
    Event stop_{EventReset::Manual, false};
    std::thread pumpe_;
};

inline std::filesystem::path Quelldatei(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / "quelle.bin";
    if (!std::filesystem::exists(file)) {
        std::string bytes(kBytes, '\0');
        std::mt19937 zufall(1);
        for (char& c : bytes) {
            c = static_cast<char>(zufall());
        }
        std::ofstream(file, std::ios::binary) << bytes;
    }
    return file;
}

// Sends the 10 MB file with `Sender` under `protocol` to a `Empfaenger` started on the first bytes.
template <typename Sender, typename Empfaenger>
void Uebertragung(benchmark::State& state, const std::string& name, std::uint8_t protocol) {
    const bench::BenchHome home(name);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (name + "_daten." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "empfang");
    TOrdner().SetEmpfang(folder / "empfang");
    const std::filesystem::path quelle = Quelldatei(folder);
    for (auto _ : state) {
        auto a = std::make_shared<Station>();
        auto b = std::make_shared<Station>();
        const Strecke strecke(*a, *b);
        std::thread empfaenger([&] {
            WaitForAny({b->receive.NotEmptyEvent()}, kInfinite);
            const auto handler = TVerbindungAbstract::Erzeuge<Empfaenger>(nullptr, b);
            handler->EventLoop();
            handler->Release();
        });
        auto item = std::make_shared<TDateiSenden>(a);
        auto stream = std::make_unique<TFileStreamKio>();
        stream->SetFileName(quelle);
        stream->SetMode(fmOpenRead);
        stream->Open();
        item->SetStream(std::move(stream));
        item->SetProtokoll(protocol);
        item->SetAnzeigename("ziel.bin");
        a->SetDateiSenden(item);
        const auto sender = TVerbindungAbstract::Erzeuge<Sender>(nullptr, a);
        sender->EventLoop();
        sender->Release();
        empfaenger.join();
        state.PauseTiming();
        std::filesystem::remove_all(folder / "empfang");
        std::filesystem::create_directories(folder / "empfang");
        state.ResumeTiming();
    }
    std::filesystem::remove_all(folder);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

// The same bytes as 256-byte pieces straight from one transmit queue to the other side's receive queue.
inline void KopieDurchDieQueues(benchmark::State& state) {
    const std::string stueck(kStueck, 'x');
    for (auto _ : state) {
        auto a = std::make_shared<Station>();
        auto b = std::make_shared<Station>();
        const Strecke strecke(*a, *b);
        std::thread leser([&] {
            for (std::size_t gelesen = 0; gelesen < kBytes;) {
                WaitForAny({b->receive.NotEmptyEvent()}, kInfinite);
                while (!b->receive.IsEmpty()) {
                    gelesen += b->receive.PopString().size();
                }
            }
        });
        for (std::size_t gesendet = 0; gesendet < kBytes; gesendet += kStueck * 5) {
            WaitForAny({a->transmit.EmptyEvent()}, kInfinite);
            for (int i = 0; i < 5; ++i) {
                a->transmit.PushString(stueck);
            }
        }
        leser.join();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
} // namespace quarn::bench
