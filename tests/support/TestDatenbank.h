#pragma once

// A station database of a test's own in its temporary folder, without progress notices.
#include "stations/StationenDatenbankU.h"

#include <filesystem>
#include <memory>

namespace quarn::test {

inline std::unique_ptr<TStationenDatenbank> TestDatenbank(const std::filesystem::path& dir) {
    TStationenDatenbankOptions options;
    options.folder = dir / "Database";
    options.legacyFile = dir / "none-S.DAT";
    options.notice = [](const std::string&) {};
    return std::make_unique<TStationenDatenbank>(false, options);
}

} // namespace quarn::test
