#pragma once

#include "platform/CompoundStorage.h"
#include "stations/StationenDatenbankU.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quarn::test {

// A database in a private folder, with the user notices collected instead of shown.
class StationenDatenbankFixture : public ::testing::Test {
protected:
    TStationenDatenbankOptions Options() {
        TStationenDatenbankOptions options;
        options.folder = folder;
        options.legacyFile = dir / "quarn-S.DAT";
        options.notice = [this](const std::string& text) { notices.push_back(text); };
        options.flushDelay = std::chrono::milliseconds(10);
        return options;
    }

    void Open(bool check = false) { database = std::make_unique<TStationenDatenbank>(check, Options()); }
    void Close() { database.reset(); }
    void Reopen() {
        Close();
        Open();
    }

    static std::string FileBytes(const std::filesystem::path& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Writes a compound file with the given stations (name -> streams) while no database is open.
    void
    WriteFile(const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>&
                  stations) {
        std::filesystem::create_directories(folder);
        auto compound = CompoundFile::Create(file, true);
        for (const auto& [call, streams] : stations) {
            auto station = compound->Root()->CreateStorage(call);
            for (const auto& [name, bytes] : streams) {
                station->CreateStream(name)->Write(bytes);
            }
        }
        compound->Commit();
    }

    TempDir dir;
    std::filesystem::path folder = dir / "Database";
    std::filesystem::path file = folder / "Stations.qvd";
    std::vector<std::string> notices;
    std::unique_ptr<TStationenDatenbank> database;
};

} // namespace quarn::test
