#pragma once

#include <filesystem>
#include <string_view>

namespace quarn {

// Where a file a remote station announced as `name` (Windows-1252 text from the air) is stored inside
// `folder`: only the name part, reduced as a display name is, so no received name ever leads out of the
// folder. An empty name, or one naming a folder ("." or ".."), becomes "<remoteCall>.dat". A name too
// long for the file system is shortened at the end of its stem, keeping its extension. The result is not
// made unique; callers do that.
std::filesystem::path EmpfangsPfad(const std::filesystem::path& folder, std::string_view name,
                                   std::string_view remoteCall);

} // namespace quarn
