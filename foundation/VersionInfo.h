#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// The program's version and build flags, compiled in from the build system in place of a version
// resource: the file version's four numbers, the optional special-build text and the private-build flag.

struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t release = 0;
    std::uint16_t build = 0;

    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// The file version this program was built as.
FileVersion ProgramFileVersion();
// The special-build text; empty for an ordinary build.
const std::string& SpecialBuild();
bool PrivateBuild();

// The version as the user sees it: major, minor and build made with "%d.%0.2d.%0.3d", then the special
// build when there is one, after a blank unless it begins with "-" or "/" (1.2.0.345 and "beta" give
// "1.02.345 beta", with "-rc1" "1.02.345-rc1").
std::string FormatProgramVersion(const FileVersion& version, std::string_view specialBuild);
// FormatProgramVersion of this program.
const std::string& ProgramVersion();

// "1.2.0.345" as a file version; missing trailing numbers count as 0 ("1.2" is 1.2.0.0). Nothing for
// anything else: no number, more than four, a part that is not a decimal number up to 65535.
std::optional<FileVersion> ParseFileVersion(std::string_view text);

} // namespace quarn
