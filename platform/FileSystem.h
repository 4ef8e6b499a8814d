#pragma once

#include <filesystem>

namespace quarn {

// The small file-system layer under the program's file helpers. Paths are UTF-8.

// Moves `source` to `target` and never replaces anything that exists at `target`. Within one file system
// this is an atomic rename; across file systems (EXDEV) a regular file is copied to a target created
// exclusively, synced, and only then is the source deleted, so a failure leaves the source as it was.
// Returns 0 on success or the errno value of the failure (EEXIST when the target exists).
int MoveNoReplace(const std::filesystem::path& source, const std::filesystem::path& target);

// Moves a file or folder into the freedesktop trash; false when that was not possible.
bool MoveToTrash(const std::filesystem::path& name);

// True when anything of that name exists: file, folder, device or link (a dangling link too, since it
// still holds the name).
bool NameTaken(const std::filesystem::path& name);
// True for an existing folder (or a link to one).
bool FolderExists(const std::filesystem::path& name);

// The user's documents folder: XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs when it names an
// absolute folder, else the home folder; never the file-system root.
std::filesystem::path DocumentsFolder();

} // namespace quarn
