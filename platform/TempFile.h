#pragma once

#include <filesystem>
#include <string_view>

namespace quarn {

// The system's folder for temporary files ($TMPDIR, else /tmp); empty when it cannot be found.
std::filesystem::path TempFolder();

// Creates a new, empty file "<prefix><random>.tmp" (lower case) in `folder` that did not exist before,
// readable and writable by the user only, and returns its path; empty when no file could be made.
std::filesystem::path CreateTempFile(const std::filesystem::path& folder, std::string_view prefix);

} // namespace quarn
