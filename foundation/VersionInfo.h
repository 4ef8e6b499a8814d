#pragma once

#include <string>

namespace quarn {

// The version and build flags, compiled in from the build system in place of a version resource.
const std::string& ProgramVersion(); // "1.0.0"
bool PrivateBuild();

} // namespace quarn
