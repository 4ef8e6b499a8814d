// The station database with 5,000 stations: opening, lookups, and what one change costs in memory and
// on its way to the disk. BM_LibgsfImage shows why the file is not written with libgsf's writer.

// GLib's headers use Qt's keywords as names: libgsf comes before anything that includes Qt.
#include <gsf/gsf.h>

#include "platform/CompoundStorage.h"
#include "stations/StationenDatenbankU.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace quarn;
namespace fs = std::filesystem;

constexpr int kStations = 5000;

std::string Call(int i) {
    return "DL" + std::to_string(1000 + i) + "-" + std::to_string(i % 16);
}

// A folder with a database of kStations stations, each with the streams a used station holds.
const fs::path& Folder() {
    static const fs::path folder = [] {
        char pattern[] = "/tmp/stationen-bench-XXXXXX";
        const fs::path made = ::mkdtemp(pattern);
        auto compound = CompoundFile::Create(TStationenDatenbank::DatabaseFile(made), false);
        for (int i = 0; i < kStations; ++i) {
            auto station = compound->Root()->CreateStorage(Call(i));
            station->CreateStream("N")->Write("Station " + std::to_string(i));
            station->CreateStream("C")->Write(std::string(120, 'c'));
            station->CreateStream("T")->Write(std::string("\x02\x01", 2));
            station->CreateStream("R")->Write("dir=1,read=0");
            station->CreateStream("PUBDB0ABC")->Write("secret");
            station->CreateStream("X00")->Write("1,\"Hallo %N\"");
        }
        compound->Commit();
        std::printf("database file: %ju bytes\n",
                    static_cast<std::uintmax_t>(fs::file_size(TStationenDatenbank::DatabaseFile(made))));
        return made;
    }();
    return folder;
}

TStationenDatenbankOptions Options() {
    TStationenDatenbankOptions options;
    options.folder = Folder();
    options.legacyFile = Folder() / "none-S.DAT";
    options.flushDelay = std::chrono::hours(1); // only the explicit flushes write
    return options;
}

void BM_Open(benchmark::State& state) {
    Options();
    for (auto _ : state) {
        TStationenDatenbank database(false, Options());
        benchmark::DoNotOptimize(&database);
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_GetEintrag(benchmark::State& state) {
    TStationenDatenbank database(false, Options());
    int i = 0;
    for (auto _ : state) {
        auto entry = database.GetEintrag(Call(i++ % kStations));
        benchmark::DoNotOptimize(entry->GetName());
    }
}
BENCHMARK(BM_GetEintrag)->Unit(benchmark::kMicrosecond);

void BM_FindEintragWithFallback(benchmark::State& state) {
    TStationenDatenbank database(false, Options());
    int i = 0;
    for (auto _ : state) {
        // "DLnnnn" without SSID: "-0" is tried first, then the bare call; both miss except for SSID 0.
        auto entry = database.FindEintrag("DL" + std::to_string(1000 + i++ % kStations), false);
        benchmark::DoNotOptimize(entry);
    }
}
BENCHMARK(BM_FindEintragWithFallback)->Unit(benchmark::kMicrosecond);

void BM_UpdateInMemory(benchmark::State& state) {
    TStationenDatenbank database(false, Options());
    auto entry = database.GetEintrag(Call(42));
    int i = 0;
    for (auto _ : state) {
        entry->SetName("Name " + std::to_string(i++));
    }
}
BENCHMARK(BM_UpdateInMemory)->Unit(benchmark::kMicrosecond);

// One change written to the disk at once: image, temporary file, fsync, rename.
void BM_UpdateAndFlush(benchmark::State& state) {
    TStationenDatenbank database(false, Options());
    auto entry = database.GetEintrag(Call(42));
    int i = 0;
    for (auto _ : state) {
        entry->SetName("Name " + std::to_string(i++));
        database.Flush();
    }
}
BENCHMARK(BM_UpdateAndFlush)->Unit(benchmark::kMillisecond);

void BM_WriteImage(benchmark::State& state) {
    auto compound = CompoundFile::Open(TStationenDatenbank::DatabaseFile(Folder()));
    auto root = compound->Root();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteCompoundImage(*root));
    }
}
BENCHMARK(BM_WriteImage)->Unit(benchmark::kMillisecond);

void BM_LibgsfImage(benchmark::State& state) {
    auto compound = CompoundFile::Open(TStationenDatenbank::DatabaseFile(Folder()));
    auto root = compound->Root();
    for (auto _ : state) {
        GsfOutput* memory = gsf_output_memory_new();
        GsfOutfile* outfile = gsf_outfile_msole_new(memory);
        for (const StgElement& element : root->EnumElements()) {
            auto station = root->OpenStorage(element.name);
            GsfOutput* storage = gsf_outfile_new_child(outfile, element.name.c_str(), TRUE);
            for (const StgElement& streamElement : station->EnumElements()) {
                const std::string bytes = station->OpenStream(streamElement.name)->Read(1 << 20);
                GsfOutput* stream =
                    gsf_outfile_new_child(GSF_OUTFILE(storage), streamElement.name.c_str(), FALSE);
                gsf_output_write(stream, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
                gsf_output_close(stream);
                g_object_unref(stream);
            }
            gsf_output_close(storage);
            g_object_unref(storage);
        }
        gsf_output_close(GSF_OUTPUT(outfile));
        g_object_unref(outfile);
        g_object_unref(memory);
    }
}
BENCHMARK(BM_LibgsfImage)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    fs::remove_all(Folder(), error);
    return 0;
}
