// What one settings write costs the thread that makes it (mostly the GUI thread), with a hive file as
// large as a well-used installation's (about 285 KB): the value changes every time, so the store has
// something to put on disk. The hive's file size is printed as "hive_bytes".
#include "platform/Registry.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A folder of its own below the temporary folder, removed at the end.
class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = (fs::temp_directory_path() / "quarn-registry-bench-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

constexpr const char* kRoot = "Software\\Velmoor\\Quarn";

// About 285 KB of hive file, written as a person could have: stations with a few texts and numbers
// each, as the program's sub-keys hold them. Written directly, so that building it costs nothing.
void WriteLargeHive(const fs::path& file) {
    std::string text = "QUARN REGISTRY 1\n";
    text +=
        "[HKEY_CURRENT_USER\\" + std::string(kRoot) + "\\Windows\\Main]\n\"InputHeight\"=dword:00000040\n";
    for (int station = 0; station < 1230; ++station) {
        text += "[HKEY_CURRENT_USER\\" + std::string(kRoot) + "\\Stations\\DL" + std::to_string(station) +
                "ABC-7]\n";
        text += "\"Name\"=\"Station number " + std::to_string(station) + "\"\n";
        text += "\"Notes\"=\"Mailbox near the river, heard in the evening\"\n";
        text += "\"Login\"=\"//pw " + std::to_string(station * 7919) + "\"\n";
        text += "\"Kind\"=dword:0000000" + std::to_string(station % 9) + "\n";
        text += "\"Position\"=hex:01,02,03,04,05,06,07,08\n";
    }
    std::ofstream(file, std::ios::binary) << text;
}

void BM_SettingsWriteLargeHive(benchmark::State& state) {
    const BenchFolder folder;
    std::uintmax_t hiveBytes = 0;
    {
        WriteLargeHive(folder.path() / "HKCU.reg");
        quarn::RegistryStore store(folder.path());
        std::uint32_t value = 0;
        for (auto _ : state) {
            store.WriteDWord(quarn::Hive::CurrentUser, std::string(kRoot) + "\\Windows\\Main", "InputHeight",
                             ++value);
        }
    }
    std::error_code error;
    hiveBytes = fs::file_size(folder.path() / "HKCU.reg", error);
    state.counters["hive_bytes"] = static_cast<double>(error ? 0 : hiveBytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SettingsWriteLargeHive)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
