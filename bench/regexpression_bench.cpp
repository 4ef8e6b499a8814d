// The program's three fixed expressions over 100,000 lines as a channel receives them, by our engine,
// by PCRE2 (interpreter, no JIT) and by std::regex. At the end the time ratios are printed.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "foundation/regex/RegExpressionU.h"

#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

constexpr int kLineCount = 100'000;

const std::vector<std::string>& Lines() {
    static const std::vector<std::string> lines = [] {
        std::mt19937 random(4711);
        const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const char* const calls[] = {"DL1ABC", "DB0XYZ", "OE3KLM", "HB9ZZ", "DK2QRS", "PA3DEF", "F6GHI"};
        const char* const boards[] = {"TNC", "ALL_DL", "AMSAT", "SOFTWARE", "DX", "KLEINANZ", "WETTER"};
        const char* const words[] = {"Hallo",    "OM",     "hier", "ist",   "das",    "Wetter",
                                     "heute",    "gut",    "73",   "und",   "QRV",    "auf",
                                     "Frequenz", "Packet", "Digi", "Gruss", "Antenne"};
        std::vector<std::string> result;
        result.reserve(kLineCount);
        char buffer[256];
        for (int i = 0; i < kLineCount; ++i) {
            const char* call = calls[pick(7)];
            switch (pick(10)) {
            case 0:
                std::snprintf(buffer, sizeof buffer, "%s de %s> ", call, calls[pick(7)]);
                break;
            case 1:
                std::snprintf(buffer, sizeof buffer, "(%s:%s) BBS> ", boards[pick(7)], call);
                break;
            case 2:
            case 3:
                std::snprintf(buffer, sizeof buffer,
                              "%5d  %-6s > %-8s %02d.%02d.%02d %02d:%02d %5d Re: %s %s", pick(30000), call,
                              boards[pick(7)], 1 + pick(28), 1 + pick(12), pick(30), pick(24), pick(60),
                              pick(9000), words[pick(17)], words[pick(17)]);
                break;
            case 4:
                std::snprintf(buffer, sizeof buffer, "%d %s %02d.%02d.%02d %d %s", pick(999), call,
                              1 + pick(28), 1 + pick(12), pick(30), pick(4000), words[pick(17)]);
                break;
            case 5:
                std::snprintf(buffer, sizeof buffer, "DieBox 1.9 (%s) Last Login: %02d.%02d.%02d %02d:%02d",
                              call, 1 + pick(28), 1 + pick(12), pick(30), pick(24), pick(60));
                break;
            case 6:
                std::snprintf(buffer, sizeof buffer, "[FBB-7.00-AB1FHMRX$] {QRN-1.%d-DH$}", pick(9));
                break;
            default: {
                std::string text;
                const int count = 4 + pick(12);
                for (int w = 0; w < count; ++w) {
                    text += words[pick(17)];
                    text += ' ';
                }
                std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
                break;
            }
            }
            result.emplace_back(buffer);
        }
        return result;
    }();
    return lines;
}

// The same expressions in ECMAScript spelling, which knows no escaped ">" or ":".
std::string EcmaScript(std::string_view pattern) {
    std::string result;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\' && i + 1 < pattern.size() &&
            (pattern[i + 1] == '>' || pattern[i + 1] == ':')) {
            continue;
        }
        result += pattern[i];
    }
    return result;
}

quarn::TRegExpression Ours(int which) {
    switch (which) {
    case 0:
        return quarn::MailboxListExpression();
    case 1:
        return quarn::StationIdExpression();
    default:
        return quarn::LastLoginExpression();
    }
}

std::string_view Pattern(int which) {
    switch (which) {
    case 0:
        return quarn::kMailboxListPattern;
    case 1:
        return quarn::kStationIdPattern;
    default:
        return quarn::kLastLoginPattern;
    }
}

void BM_Quarn(benchmark::State& state) {
    quarn::TRegExpression expression = Ours(static_cast<int>(state.range(0)));
    std::int64_t matches = 0;
    for (auto _ : state) {
        for (const auto& line : Lines()) {
            matches += expression.Exec(line) ? 1 : 0;
        }
    }
    state.counters["matches/pass"] = static_cast<double>(matches) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kLineCount);
}

void BM_Pcre2(benchmark::State& state) {
    const std::string_view pattern = Pattern(static_cast<int>(state.range(0)));
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY, &error, &offset, nullptr);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
    std::int64_t matches = 0;
    for (auto _ : state) {
        for (const auto& line : Lines()) {
            const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, 0,
                                       data, nullptr);
            matches += rc > 0 ? 1 : 0;
        }
    }
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    state.counters["matches/pass"] = static_cast<double>(matches) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kLineCount);
}

void BM_StdRegex(benchmark::State& state) {
    const std::regex expression(EcmaScript(Pattern(static_cast<int>(state.range(0)))));
    std::smatch match;
    std::int64_t matches = 0;
    for (auto _ : state) {
        for (const auto& line : Lines()) {
            matches += std::regex_search(line, match, expression) ? 1 : 0;
        }
    }
    state.counters["matches/pass"] = static_cast<double>(matches) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * kLineCount);
}

BENCHMARK(BM_Quarn)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcre2)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Collects the time per line of every run, to print the ratios after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
    }

    void PrintRatios() const {
        const char* const names[] = {"mailbox list", "station identification", "last login"};
        std::printf("\nTime ratios (ours / other; below 1 is faster):\n");
        for (int which = 0; which < 3; ++which) {
            const auto time = [&](const char* engine) {
                const auto found = times_.find(std::string(engine) + "/" + std::to_string(which));
                return found == times_.end() ? 0.0 : found->second;
            };
            const double ours = time("BM_Quarn");
            const double pcre = time("BM_Pcre2");
            const double stdRegex = time("BM_StdRegex");
            if (ours > 0 && pcre > 0 && stdRegex > 0) {
                std::printf("  %-24s PCRE2 %.2f   std::regex %.2f\n", names[which], ours / pcre,
                            ours / stdRegex);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
