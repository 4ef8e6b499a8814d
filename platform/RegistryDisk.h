#pragma once

#include <filesystem>
#include <string>

namespace quarn::registry {

enum class ReadResult { Read, Missing, Failed };

// The whole content of a hive file. Missing when neither the file nor its folder exists (or the folder
// path is no folder); Failed on any other error, where the file may well hold data.
ReadResult ReadWholeFile(const std::filesystem::path& file, std::string& content);

// Makes the folder of the hive files when it is missing; true when it is a folder this process may
// write in. A cheap look, no write: the store uses it to refuse changes that could never reach the disk.
bool PrepareFolder(const std::filesystem::path& folder);

// Replaces `file` by `content` so that a crash leaves the old or the new file, never a mixture: a
// temporary file beside it (private to the user, locked while it is written), fsync, rename over the old
// one, fsync of the folder. The folder is created when missing. False when the new content did not reach
// its place.
bool WriteFileDurably(const std::filesystem::path& file, const std::string& content);

// Renames a file that cannot be understood to "<name>.damaged-<local time>" (with a counter when that
// name is taken), so that nothing overwrites it. False when it could not be moved.
bool MoveAside(const std::filesystem::path& file);

// Removes the temporary files a crash in the middle of WriteFileDurably may have left beside `file`;
// the one a writer is filling right now stays.
void RemoveTornTemporaries(const std::filesystem::path& file);

} // namespace quarn::registry
