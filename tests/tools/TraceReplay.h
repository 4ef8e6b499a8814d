#pragma once

// Reads the recorded host-mode traces ("> hex" program to TNC, "< hex" TNC to program) into
// exchanges: what the program wrote, and all the TNC answered before the program wrote again.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quarn::test {

struct TraceExchange {
    std::string sent;
    std::string answer;
};

inline std::filesystem::path HostmodeTraceDir() {
    if (const char* dir = std::getenv("QUARN_TESTDATA")) {
        return std::filesystem::path(dir) / "hostmode";
    }
    return std::filesystem::path(QUARN_TESTDATA_DIR) / "hostmode";
}

inline std::string HexBytes(const std::string& line) {
    std::istringstream words(line);
    std::string bytes;
    std::string word;
    while (words >> word) {
        bytes += static_cast<char>(std::stoi(word, nullptr, 16));
    }
    return bytes;
}

// Empty when the trace is not there.
inline std::vector<TraceExchange> LoadTrace(const std::string& name) {
    std::ifstream in(HostmodeTraceDir() / (name + ".trace"));
    std::vector<TraceExchange> exchanges;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 2) {
            continue;
        }
        if (line[0] == '>') {
            exchanges.push_back({HexBytes(line.substr(1)), {}});
        } else if (line[0] == '<' && !exchanges.empty()) {
            exchanges.back().answer += HexBytes(line.substr(1));
        }
    }
    return exchanges;
}

inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
        hex += ' ';
    }
    return hex;
}

} // namespace quarn::test
