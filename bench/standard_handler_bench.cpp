// Received text of a mailbox session through the standard handler: pieces as the device hands them
// over, assembled into lines, the remote kind guessed from the first line, the login prompt looked at
// and each list line matched and marked. Printed: MB/s and the share of one core at 9,600 baud.
#include "BenchHome.h"
#include "connections/standard/VerbindungStandardU.h"
#include "foundation/InterfacesU.h"
#include "tests/connections/FakeModulVerbindung.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using quarn::TStationType;

// A channel that only counts the rows marked.
class ZaehlKanal final : public quarn::IKanalFuerVerbindung {
public:
    long marks = 0;
    void MarkiereZeile(int) override { ++marks; }
    void Notify(void*) override {}
    void Release() override {}
    std::uint8_t GetStatus() const override { return 3; }
    void StatusAktualisieren() override {}
    void PromptAusgabe(std::string_view, int) override {}
    void Prompt(std::string_view, int) override {}
    int TextEmpfangen(std::string_view) override { return 0; }
    void TextGesendet(std::string_view) override {}
    void Verbunden() override {}
    void SetVerbindung(std::shared_ptr<quarn::IVerbindung>) override {}
    void Getrennt(int) override {}
    void VerbindungGeaendert() override {}
    void CallChange() override {}
    void StopAktualisieren() override {}
    int GetNummer() const override { return 1; }
};

// The connection as the standard handler sees it (real queues and events), with a console that only
// counts rows: recording every piece shown would be measured too.
class BenchVerbindung final : public quarn::test::FakeModulVerbindung {
public:
    int ZeigeEmpfangen(std::string_view) override { return ++rows_; }
    std::string Get_Call() const override { return "DB0BOX-8"; }
    std::string Get_MyCall() const override { return "DL1XYZ"; }
    void SetStationTyp(TStationType kind) override { typ = kind; }
    TStationType GetStationTyp() const override { return typ; }
    std::shared_ptr<quarn::IKanalFuerVerbindung> GetKanal() const override { return kanal; }
    bool GetAusgehend() const override { return true; }

    TStationType typ = TStationType::st_unknown;
    std::shared_ptr<ZaehlKanal> kanal = std::make_shared<ZaehlKanal>();

private:
    int rows_ = 0;
};

class OffenerStandard final : public quarn::TVerbindungStandard {
public:
    using TVerbindungStandard::ReceiveData;
    using TVerbindungStandard::TVerbindungStandard;
};

// A mailbox session: greeting, prompts, a few hundred list lines of the two common listing styles,
// and some plain message text, as it arrives in frames of up to 256 bytes.
std::vector<std::string> MailboxSitzung() {
    std::mt19937 random(4711);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char* const calls[] = {"DL1ABC", "DB0XYZ", "OE3KLM", "HB9ZZ", "DK2QRS", "PA3DEF", "DO7GHI"};
    const char* const boards[] = {"ALLE", "TNC", "AMSAT", "SOFTWARE", "DX", "KLEINANZ", "WETTER"};
    const char* const titles[] = {"Treffen am Samstag",   "Suche TNC2 Handbuch", "Baken-Liste Maerz",
                                  "DX-Cluster Meldungen", "Antenne 2m gesucht",  "Wetterbericht DL"};
    std::string text = "[DieBox-1.9-H$]\rDB0BOX Mailbox Musterstadt, Sysop DL1XYZ\r"
                       "Hallo DL1XYZ, letzte Anmeldung 12.03.24 17:45\r"
                       "(ALLE) DB0BOX> \r";
    char buffer[256];
    for (int i = 0; i < 300; ++i) {
        if (i % 2 == 0) { // DieBox style
            std::snprintf(buffer, sizeof buffer, "%4d %-6s > %-8s %02d.%02d.%02d %5d %s\r", 1000 + i,
                          calls[pick(7)], boards[pick(7)], 1 + pick(28), 1 + pick(12), 24, 200 + pick(9000),
                          titles[pick(6)]);
        } else { // BayCom style
            std::snprintf(buffer, sizeof buffer, "%d %s > %s %02d.%02d.%02d %d %s\r", 1000 + i,
                          calls[pick(7)], boards[pick(7)], 1 + pick(28), 1 + pick(12), 24, 200 + pick(9000),
                          titles[pick(6)]);
        }
        text += buffer;
        if (i % 50 == 49) {
            text += "(" + std::string(boards[pick(7)]) + ") DB0BOX> \r";
            text += "Read: " + std::to_string(1000 + i) + "\r";
            text += "Hallo zusammen, das Treffen findet wie immer im Vereinsheim statt. 73 de DL1ABC\r"
                    "Wer mag, bringt seine Antenne mit; wir messen das SWR am Analysator.\r\r";
        }
    }
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < text.size(); at += 256) {
        pieces.push_back(text.substr(at, 256));
    }
    return pieces;
}

void BM_StandardHandlerMailbox(benchmark::State& state) {
    const quarn::bench::BenchHome home("standard_handler_bench");
    const std::vector<std::string> pieces = MailboxSitzung();
    std::size_t bytes = 0;
    for (const auto& piece : pieces) {
        bytes += piece.size();
    }
    long marks = 0;
    std::chrono::steady_clock::duration timed{};
    for (auto _ : state) {
        // A fresh link each round, so the kind is guessed from the greeting again.
        state.PauseTiming();
        auto connection = std::make_shared<BenchVerbindung>();
        auto handler = quarn::TVerbindungAbstract::Erzeuge<OffenerStandard>(nullptr, connection);
        connection->SetModul(handler);
        state.ResumeTiming();
        const auto begin = std::chrono::steady_clock::now();
        for (const auto& piece : pieces) {
            connection->GetReceiveQueue().PushString(piece);
            handler->ReceiveData();
        }
        timed += std::chrono::steady_clock::now() - begin;
        state.PauseTiming();
        marks = connection->kanal->marks;
        if (connection->typ != TStationType::st_box) {
            state.SkipWithError("the mailbox was not recognised");
        }
        handler->Release();
        connection->SetModul(nullptr);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    state.counters["marked_rows"] = static_cast<double>(marks);
    const double seconds = std::chrono::duration<double>(timed).count();
    const double bytesPerSecond =
        static_cast<double>(bytes) * static_cast<double>(state.iterations()) / seconds;
    state.counters["MB_per_s"] = bytesPerSecond / 1e6;
    // 9,600 baud carry about 1,200 bytes a second.
    const double percent = 1200.0 * 100.0 / bytesPerSecond;
    state.counters["core_pct_at_9600"] = percent;
    // The counters print small values with SI prefixes; the label states them plainly.
    char label[96];
    std::snprintf(label, sizeof label, "%.1f MB/s, %.4f %% of one core at 9,600 baud", bytesPerSecond / 1e6,
                  percent);
    state.SetLabel(label);
}
BENCHMARK(BM_StandardHandlerMailbox)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
