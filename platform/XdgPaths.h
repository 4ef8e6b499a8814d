#pragma once

#include <filesystem>

namespace quarn {

// The freedesktop base folders, read from the environment each call (so tests can point them
// elsewhere before use); the documented fallbacks below $HOME apply when a variable is unset or empty.
std::filesystem::path HomeFolder();
std::filesystem::path XdgConfigHome(); // $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path XdgDataHome();   // $XDG_DATA_HOME, else ~/.local/share
std::filesystem::path XdgRuntimeDir(); // $XDG_RUNTIME_DIR, else /tmp/quarn-<uid> (created 0700)

// The vendor folder of the program below a base folder: base / "Velmoor" / "Quarn".
std::filesystem::path QuarnFolderBelow(const std::filesystem::path& base);

} // namespace quarn
