#pragma once

#include <filesystem>

namespace quarn {

// The freedesktop base folders, read from the environment each call (so tests can point them
// elsewhere before use); the documented fallbacks below $HOME apply when a variable is unset or empty.
std::filesystem::path HomeFolder();
std::filesystem::path XdgConfigHome(); // $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path XdgDataHome();   // $XDG_DATA_HOME, else ~/.local/share
std::filesystem::path XdgCacheHome();  // $XDG_CACHE_HOME, else ~/.cache
// $XDG_RUNTIME_DIR, else our own /tmp/quarn-<uid>, created 0700. Since any local user can create that
// name first, it is used only when it is a real folder of ours closed to everybody else; otherwise a
// message on stderr says why and the private folder <cache>/Velmoor/Quarn/runtime serves instead.
std::filesystem::path XdgRuntimeDir();

// The vendor folder of the program below a base folder: base / "Velmoor" / "Quarn".
std::filesystem::path QuarnFolderBelow(const std::filesystem::path& base);

} // namespace quarn
