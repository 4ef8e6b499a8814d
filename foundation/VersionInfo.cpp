#include "foundation/VersionInfo.h"

#include <charconv>
#include <cstdio>

namespace quarn {

FileVersion ProgramFileVersion() {
    return {QUARN_FILE_VERSION};
}

const std::string& SpecialBuild() {
    static const std::string specialBuild = QUARN_SPECIAL_BUILD;
    return specialBuild;
}

bool PrivateBuild() {
    return QUARN_PRIVATE_BUILD_FLAG != 0;
}

std::string FormatProgramVersion(const FileVersion& version, std::string_view specialBuild) {
    // "%0.2d" and "%.2d" are the same: the precision pads with zeros.
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, "%d.%.2d.%.3d", version.major, version.minor, version.build);
    std::string text(numbers);
    if (!specialBuild.empty()) {
        if (specialBuild.front() != '-' && specialBuild.front() != '/') {
            text.push_back(' ');
        }
        text.append(specialBuild);
    }
    return text;
}

const std::string& ProgramVersion() {
    static const std::string version = FormatProgramVersion(ProgramFileVersion(), SpecialBuild());
    return version;
}

std::optional<FileVersion> ParseFileVersion(std::string_view text) {
    std::uint16_t parts[4] = {};
    std::size_t count = 0;
    const char* position = text.data();
    const char* const end = text.data() + text.size();
    for (;;) {
        if (count == 4 || position == end || *position < '0' || *position > '9') {
            return std::nullopt;
        }
        const auto [next, error] = std::from_chars(position, end, parts[count++]);
        if (error != std::errc()) {
            return std::nullopt;
        }
        if (next == end) {
            break;
        }
        if (*next != '.') {
            return std::nullopt;
        }
        position = next + 1;
    }
    return FileVersion{parts[0], parts[1], parts[2], parts[3]};
}

} // namespace quarn
