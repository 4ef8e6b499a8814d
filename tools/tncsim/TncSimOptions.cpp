#include "tools/tncsim/TncSimOptions.h"

#include "tools/tncsim/TncSimText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>

namespace quarn::tncsim {

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
    "\n"
    "The TNC is on a simulated air with the stations and beacons below. A connect to a call nobody on\n"
    "the air owns ends with LINK FAILURE after the retries; the monitor shows every frame on the air.\n"
    "  --station CALL:echo          a station that sends every received line back\n"
    "  --station CALL:busy          a station that refuses every connect (BUSY fm)\n"
    "  --station CALL:flood         a station that sends lines without pause while linked\n"
    "  --station CALL:script=FILE   a station that follows the script in FILE (repeatable)\n"
    "  --connect-in CALL@SECONDS    station CALL connects to the TNC's channel-0 call after SECONDS\n"
    "                               (an echo station unless CALL is given with --station)\n"
    "  --beacon CALL:SECONDS:TEXT   CALL sends TEXT as a UI frame to BEACON every SECONDS\n"
    "  --loss RATE        share of frames lost on the air, 0 to 1 (re-sent after FRACK)\n"
    "  --seed N           seed of the losses (default 1)\n"
    "  --air-baud N       frames take their air time at N baud (default: no air time)\n"
    "  --help             this text\n"
    "\n"
    "A station script has one step a line; the steps run from the connect on:\n"
    "  send TEXT          sends TEXT (\\r \\n \\t \\\\ \\xHH stand for their bytes; end a line with \\r)\n"
    "  expect TEXT        waits until the received text contains TEXT\n"
    "  disconnect         ends the link\n"
    "  # a comment; empty lines are skipped\n"
    "For example, a mailbox with a login challenge:\n"
    "  send DB0XYZ BBS>\\r\n"
    "  expect LOGIN\n"
    "  send Challenge: 4711\\r\n"
    "  expect \\r\n"
    "  send Welcome!\\r\n";

// A whole decimal number within the bounds, else nothing.
std::optional<long long> NumberIn(const std::string& text, long long lowest, long long highest) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> Rate(const std::string& text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size() || !(value >= 0.0 && value <= 1.0)) {
            return std::nullopt;
        }
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// A call as the firmware takes it: letters and digits, an SSID of 0-15 after "-".
bool ValidCall(const std::string& call) {
    const auto dash = call.find('-');
    const std::string base = call.substr(0, dash);
    if (base.empty() || base.size() > 6) {
        return false;
    }
    for (const char c : base) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return dash == std::string::npos || NumberIn(call.substr(dash + 1), 0, 15).has_value();
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool Station(const std::string& value, CommandLine& line, std::string& error) {
    const auto colon = value.find(':');
    const std::string call = Upper(value.substr(0, colon));
    if (colon == std::string::npos || !ValidCall(call)) {
        error = "--station takes CALL:echo, CALL:busy, CALL:flood or CALL:script=FILE, not " + value;
        return false;
    }
    StationSpec spec;
    spec.call = call;
    const std::string behaviour = value.substr(colon + 1);
    if (behaviour == "echo") {
        spec.behaviour = StationBehaviour::Echo;
    } else if (behaviour == "busy") {
        spec.behaviour = StationBehaviour::Busy;
    } else if (behaviour == "flood") {
        spec.behaviour = StationBehaviour::Flood;
    } else if (behaviour.rfind("script=", 0) == 0) {
        const std::string path = behaviour.substr(7);
        std::string text;
        if (path.empty() || !ReadFile(path, text)) {
            error = "cannot read the script " + path;
            return false;
        }
        spec.behaviour = StationBehaviour::Script;
        if (!ParseScript(text, spec.script, error)) {
            error = path + ": " + error;
            return false;
        }
    } else {
        error = "--station takes CALL:echo, CALL:busy, CALL:flood or CALL:script=FILE, not " + value;
        return false;
    }
    for (const StationSpec& other : line.stations) {
        if (other.call == call) {
            error = "station " + call + " given twice";
            return false;
        }
    }
    line.stations.push_back(std::move(spec));
    return true;
}

bool ConnectIn(const std::string& value, std::vector<std::pair<std::string, long long>>& calls,
               std::string& error) {
    const auto at = value.find('@');
    const std::string call = Upper(value.substr(0, at));
    const auto seconds = at == std::string::npos ? std::nullopt : NumberIn(value.substr(at + 1), 0, 86400);
    if (!ValidCall(call) || !seconds) {
        error = "--connect-in takes CALL@SECONDS, not " + value;
        return false;
    }
    calls.emplace_back(call, *seconds);
    return true;
}

bool BeaconOption(const std::string& value, CommandLine& line, std::string& error) {
    const auto first = value.find(':');
    const auto second = first == std::string::npos ? std::string::npos : value.find(':', first + 1);
    const std::string call = Upper(value.substr(0, first));
    const auto seconds = second == std::string::npos
                             ? std::nullopt
                             : NumberIn(value.substr(first + 1, second - first - 1), 1, 86400);
    if (!ValidCall(call) || !seconds || second + 1 >= value.size()) {
        error = "--beacon takes CALL:SECONDS:TEXT, not " + value;
        return false;
    }
    Beacon beacon;
    beacon.call = call;
    beacon.periodMs = static_cast<std::uint32_t>(*seconds * 1000);
    beacon.text = value.substr(second + 1);
    line.beacons.push_back(std::move(beacon));
    return true;
}

} // namespace

const char* UsageText() {
    return kUsage;
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
    line = CommandLine{};
    std::string call;
    int channels = 0;
    bool hostMode = false;
    bool everyChannel = false;
    std::optional<long long> exchangeMs;
    std::vector<std::pair<std::string, long long>> connectIns;
    static const std::vector<std::string> withValue = {
        "--identity",   "--channels", "--call", "--baud", "--exchange-ms", "--station",
        "--connect-in", "--beacon",   "--loss", "--seed", "--air-baud"};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            line.help = true;
            return true;
        }
        if (option == "--pty") {
            line.pty = true;
            continue;
        }
        if (option == "--hostmode") {
            hostMode = true;
            continue;
        }
        if (option == "--every-channel") {
            everyChannel = true;
            continue;
        }
        if (std::find(withValue.begin(), withValue.end(), option) == withValue.end()) {
            error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = option + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (option == "--identity") {
            Identity identity{};
            if (!IdentityFromName(value, identity)) {
                error = "unknown identity " + value;
                return false;
            }
            line.config = ConfigFor(identity);
        } else if (option == "--channels") {
            const auto number = NumberIn(value, 1, 255);
            if (!number) {
                error = "--channels takes a number from 1 to 255, not " + value;
                return false;
            }
            channels = static_cast<int>(*number);
        } else if (option == "--call") {
            call = value;
        } else if (option == "--baud" || option == "--air-baud") {
            const auto number = NumberIn(value, 1, 4000000);
            if (!number) {
                error = option + " takes a rate in bits per second, not " + value;
                return false;
            }
            (option == "--baud" ? line.baud : line.air.baud) = static_cast<int>(*number);
        } else if (option == "--exchange-ms") {
            exchangeMs = NumberIn(value, 0, 10000);
            if (!exchangeMs) {
                error = "--exchange-ms takes milliseconds from 0 to 10000, not " + value;
                return false;
            }
        } else if (option == "--station") {
            if (!Station(value, line, error)) {
                return false;
            }
        } else if (option == "--connect-in") {
            if (!ConnectIn(value, connectIns, error)) {
                return false;
            }
        } else if (option == "--beacon") {
            if (!BeaconOption(value, line, error)) {
                return false;
            }
        } else if (option == "--loss") {
            const auto rate = Rate(value);
            if (!rate) {
                error = "--loss takes a share from 0 to 1, not " + value;
                return false;
            }
            line.air.loss = *rate;
        } else if (option == "--seed") {
            const auto seed = NumberIn(value, 0, 4294967295LL);
            if (!seed) {
                error = "--seed takes a number from 0 to 4294967295, not " + value;
                return false;
            }
            line.air.seed = static_cast<std::uint32_t>(*seed);
        }
    }
    for (const auto& [station, seconds] : connectIns) {
        auto found = std::find_if(line.stations.begin(), line.stations.end(),
                                  [&](const StationSpec& s) { return s.call == station; });
        if (found == line.stations.end()) {
            StationSpec spec;
            spec.call = station;
            line.stations.push_back(std::move(spec));
            found = line.stations.end() - 1;
        }
        found->connectAfterMs = seconds * 1000;
    }
    if (channels > 0) {
        const bool pactorOnLast = line.config.pactorChannel == line.config.channels;
        line.config.channels = channels;
        if (pactorOnLast) {
            line.config.pactorChannel = channels;
        }
    }
    if (!call.empty()) {
        line.config.ownCall = Upper(call);
    }
    line.config.startInHostMode = hostMode;
    line.config.everyChannelValid = everyChannel;
    if (exchangeMs) {
        line.config.exchangeDelayMs = static_cast<std::uint32_t>(*exchangeMs);
    }
    return true;
}

} // namespace quarn::tncsim
