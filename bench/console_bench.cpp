// Writing received text into a channel console with its scroll-back file: 10 MB in the 256-byte pieces
// a connection hands over, lines of mixed length (many wrap at 80 columns), a colour change per piece.
// For scale: a 9,600 baud radio link brings about 1,200 bytes a second.
#include "console/ConsoleBufferU.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kTotalBytes = 10 * 1024 * 1024;
constexpr std::size_t kPieceSize = 256;
constexpr int kRows = 30000;

std::string ReceivedText() {
    std::string text;
    text.reserve(kTotalBytes);
    unsigned length = 7;
    while (text.size() < kTotalBytes) {
        length = (length * 37 + 11) % 190 + 1; // 1 .. 190 characters, about half of them wrapping
        for (unsigned i = 0; i < length && text.size() < kTotalBytes; ++i) {
            text.push_back(static_cast<char>('A' + (i + length) % 58));
        }
        if (text.size() < kTotalBytes) {
            text.push_back('\r');
        }
    }
    return text;
}

void BM_ConsoleWriteReceivedText(benchmark::State& state) {
    const std::string text = ReceivedText();
    const auto fileName = std::filesystem::temp_directory_path() /
                          ("quarn_console_bench_" + std::to_string(::getpid()) + ".qvn");
    {
        quarn::TConsoleBuffer console;
        console.SetCols(80);
        console.SetRows(kRows);
        console.SetLineBreak(quarn::TConsoleLineBreak::CR);
        console.SetVirtualMemory(true);
        console.SetFileName(fileName);
        console.SetActive(true);
        for (auto _ : state) {
            std::uint8_t colour = 0;
            for (std::size_t at = 0; at < text.size(); at += kPieceSize) {
                console.SetTextAttr(colour);
                colour = static_cast<std::uint8_t>((colour + 1) & 0x0F);
                const auto result =
                    console.WriteBuffer(text.data() + at, std::min(kPieceSize, text.size() - at));
                benchmark::DoNotOptimize(result);
            }
        }
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
        state.counters["MB/s"] = benchmark::Counter(
            static_cast<double>(state.iterations() * text.size()) / 1e6, benchmark::Counter::kIsRate);
    }
    std::filesystem::remove(fileName);
}
BENCHMARK(BM_ConsoleWriteReceivedText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
