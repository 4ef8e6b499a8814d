// Monitor lines per second: a stream of mixed frames as a busy channel 0 hears them (text and binary I
// frames, supervisory frames, UI beacons via digipeaters), formatted with and without the port prefix.
#include "devices/channel/MonitorZeileU.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<quarn::TMonitorFrame> MixedFrames() {
    std::vector<quarn::TMonitorFrame> frames;
    const std::string text = "Hallo, hier ist die Mailbox in M\xFC"
                             "nchen. Bitte (H)ilfe eingeben.\r";
    std::string binary(200, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 37);
    }
    for (int i = 0; i < 64; ++i) {
        quarn::TMonitorFrame frame;
        frame.geraet = i % 3;
        frame.port = i % 4;
        frame.from = "DL" + std::to_string(i % 9) + "ABC-" + std::to_string(i % 16);
        frame.to = "DB0XYZ";
        frame.command = static_cast<std::uint8_t>(i % 2);
        frame.pollFinal = static_cast<std::uint8_t>((i / 2) % 2);
        frame.sequence1 = static_cast<std::uint8_t>(i % 8);
        frame.sequence2 = static_cast<std::uint8_t>((i + 3) % 8);
        frame.dama = static_cast<std::uint8_t>(i % 5 == 0);
        switch (i % 4) {
        case 0: // text
            frame.kind = 1;
            frame.pid = 0xF0;
            frame.information = text;
            break;
        case 1: // binary transfer
            frame.kind = 1;
            frame.pid = 0xF0;
            frame.information = binary;
            break;
        case 2: // acknowledgements
            frame.kind = static_cast<std::uint8_t>(2 + i % 3);
            break;
        default: // beacon via two digipeaters
            frame.kind = 10;
            frame.pid = 0xF0;
            frame.via = "DB0AAA* DB0BBB";
            frame.information = "=4807.00N/01135.00E- Quarn beacon\r";
            break;
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

void BM_MonitorZeile(benchmark::State& state) {
    const std::vector<quarn::TMonitorFrame> frames = MixedFrames();
    const auto flags = static_cast<std::int32_t>(state.range(0));
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(quarn::MonitorZeileFormatieren(frames[next], flags));
        next = (next + 1) % frames.size();
    }
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
// The default setting (with the device and port prefix), and the same without the prefix.
BENCHMARK(BM_MonitorZeile)->Arg(0x15E)->Arg(0x15E & ~0x100);

} // namespace

BENCHMARK_MAIN();
