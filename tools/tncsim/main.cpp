// tncsim: a host-mode TNC on a pseudo-terminal, so the terminal program can be run without a TNC.
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/TncSimConfig.h"
#include "tools/tncsim/TncSimCore.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: tncsim --pty [options]\n"
    "  --pty              run on a pseudo-terminal and print its path (point a COM port at it)\n"
    "  --identity NAME    tnc2 (default), tnc3, ptc2, ptc2e, tflinux\n"
    "  --channels N       number of channels, 1-255 (default 10)\n"
    "  --every-channel    never answer INVALID CHANNEL NUMBER: all channels up to 255 exist\n"
    "  --call CALL        own call of every channel after power-on (default NOCALL)\n"
    "  --hostmode         start in host mode (default: terminal mode)\n"
    "  --baud N           pace the output at N baud (default: unpaced)\n"
    "  --exchange-ms N    each frame is answered N ms after it came in (a real TNC: about 44)\n"
    "  --help             this text\n";

int Usage(FILE* to, int code) {
    std::fputs(kUsage, to);
    return code;
}

// A whole decimal number within the bounds, else nothing.
std::optional<int> NumberIn(const char* text, int lowest, int highest) {
    int value = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

} // namespace

int main(int argc, char** argv) {
    using namespace quarn::tncsim;
    bool pty = false;
    TncSimConfig config;
    std::string call;
    int channels = 0;
    bool hostMode = false;
    int baud = 0;
    bool everyChannel = false;
    std::optional<int> exchangeMs;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            return Usage(stdout, 0);
        } else if (option == "--pty") {
            pty = true;
        } else if (option == "--hostmode") {
            hostMode = true;
        } else if (option == "--every-channel") {
            everyChannel = true;
        } else if (option == "--identity" && hasValue) {
            Identity identity{};
            if (!IdentityFromName(argv[++i], identity)) {
                std::fprintf(stderr, "tncsim: unknown identity %s\n", argv[i]);
                return Usage(stderr, 2);
            }
            config = ConfigFor(identity);
        } else if (option == "--channels" && hasValue) {
            const std::optional<int> number = NumberIn(argv[++i], 1, 255);
            if (!number) {
                std::fprintf(stderr, "tncsim: --channels takes a number from 1 to 255, not %s\n", argv[i]);
                return 2;
            }
            channels = *number;
        } else if (option == "--call" && hasValue) {
            call = argv[++i];
        } else if (option == "--baud" && hasValue) {
            const std::optional<int> number = NumberIn(argv[++i], 1, 4000000);
            if (!number) {
                std::fprintf(stderr, "tncsim: --baud takes a rate in bits per second, not %s\n", argv[i]);
                return 2;
            }
            baud = *number;
        } else if (option == "--exchange-ms" && hasValue) {
            exchangeMs = NumberIn(argv[++i], 0, 10000);
            if (!exchangeMs) {
                std::fprintf(stderr, "tncsim: --exchange-ms takes milliseconds from 0 to 10000, not %s\n",
                             argv[i]);
                return 2;
            }
        } else if (option == "--identity" || option == "--channels" || option == "--call" ||
                   option == "--baud" || option == "--exchange-ms") {
            std::fprintf(stderr, "tncsim: %s needs a value\n", option.c_str());
            return Usage(stderr, 2);
        } else {
            std::fprintf(stderr, "tncsim: unknown option %s\n", option.c_str());
            return Usage(stderr, 2);
        }
    }
    if (!pty) {
        return Usage(stderr, 2);
    }
    if (channels > 0) {
        const bool pactorOnLast = config.pactorChannel == config.channels;
        config.channels = channels;
        if (pactorOnLast) {
            config.pactorChannel = channels;
        }
    }
    if (!call.empty()) {
        config.ownCall = call;
    }
    config.startInHostMode = hostMode;
    config.everyChannelValid = everyChannel;
    if (exchangeMs) {
        config.exchangeDelayMs = static_cast<std::uint32_t>(*exchangeMs);
    }

    // Block the stop signals before any thread starts, then wait for one of them here.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        TncSimCore core(config);
        PtySim sim(core, baud);
        std::printf("%s\n", sim.SlavePath().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
        sim.Stop();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tncsim: %s\n", error.what());
        return 1;
    }
    return 0;
}
