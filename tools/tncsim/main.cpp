// tncsim: a host-mode TNC on a pseudo-terminal, so the terminal program can be run without a TNC.
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "tools/tncsim/TncSimOptions.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace quarn::tncsim;
    CommandLine line;
    std::string error;
    if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), line, error)) {
        std::fprintf(stderr, "tncsim: %s\n", error.c_str());
        std::fputs(UsageText(), stderr);
        return 2;
    }
    if (line.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (!line.pty) {
        std::fputs(UsageText(), stderr);
        return 2;
    }

    // Block the stop signals before any thread starts, then wait for one of them here.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        SimAir air(line.air);
        TncSimCore core(line.config);
        air.Attach(core);
        for (StationSpec& station : line.stations) {
            air.AddStation(std::move(station));
        }
        for (Beacon& beacon : line.beacons) {
            air.AddBeacon(std::move(beacon));
        }
        // The pump reads the core every few milliseconds, and with it the air moves on.
        PtySim sim(core, line.baud);
        std::printf("%s\n", sim.SlavePath().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
        sim.Stop();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tncsim: %s\n", failure.what());
        return 1;
    }
    return 0;
}
