#pragma once

#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/SimStation.h"
#include "tools/tncsim/TncSimConfig.h"

#include <string>
#include <vector>

namespace quarn::tncsim {

// What the command line of tncsim asks for.
struct CommandLine {
    bool help = false;
    bool pty = false;
    TncSimConfig config;
    int baud = 0; // the pty's line rate; 0 unpaced
    AirOptions air;
    std::vector<StationSpec> stations;
    std::vector<Beacon> beacons;
};

// The usage text of tncsim.
const char* UsageText();

// Reads the arguments (without the program name); script files are read here. False with `error` set
// for anything it cannot take.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

} // namespace quarn::tncsim
