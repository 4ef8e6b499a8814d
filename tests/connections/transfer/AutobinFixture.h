#pragma once

// AutoBIN handlers among fakes: a temporary receive folder, local time as UTC (the recorded dates are
// UTC), the recorded sessions, and a look into "Incomplete Files" and the trash.
#include "StandardFixture.h"
#include "connections/transfer/AutobinAnmelden.h"
#include "foundation/FileUtilsU.h"
#include "foundation/OrdnerU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quarn::test {

// One I frame of a recorded session: '<' from the peer, '>' to it.
struct TraceFrame {
    char richtung;
    std::string bytes;
};

inline std::vector<TraceFrame> LiesTrace(const std::string& name) {
    std::ifstream file(std::filesystem::path(QUARN_TESTDATA_DIR) / "autobin" / name);
    std::vector<TraceFrame> frames;
    for (std::string line; std::getline(file, line);) {
        if (line.size() < 2 || (line[0] != '<' && line[0] != '>')) {
            continue;
        }
        TraceFrame frame{line[0], {}};
        for (std::size_t i = 2; i + 1 < line.size(); i += 3) {
            frame.bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

inline std::string TestDaten(const std::string& name) {
    return ReadFile(std::filesystem::path(QUARN_TESTDATA_DIR) / "autobin" / name);
}

inline std::vector<std::filesystem::path> Dateien(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        names.push_back(entry.path());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::filesystem::path TrashFolder() {
    return std::filesystem::path(std::getenv("XDG_DATA_HOME")) / "Trash" / "files";
}

class AutobinFixture : public StandardFixture {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            alteZone_ = tz;
            hatteZone_ = true;
        }
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        TOrdner().SetEmpfang(empfang.path());
        AutobinAnmelden();
        std::filesystem::remove_all(IncompleteFilesFolder());
        trashVorher_ = Dateien(TrashFolder()).size();
    }
    void TearDown() override {
        StandardFixture::TearDown();
        if (hatteZone_) {
            ::setenv("TZ", alteZone_.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    std::vector<std::filesystem::path> Unfertig() const { return Dateien(IncompleteFilesFolder()); }
    std::size_t NeuImTrash() const { return Dateien(TrashFolder()).size() - trashVorher_; }
    bool Prompted(const std::string& text) const {
        return std::find(connection->prompts.begin(), connection->prompts.end(), text) !=
               connection->prompts.end();
    }

    TempDir empfang;

private:
    std::string alteZone_;
    bool hatteZone_ = false;
    std::size_t trashVorher_ = 0;
};

} // namespace quarn::test
