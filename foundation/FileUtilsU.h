#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quarn {

// The longest name of one folder entry that Linux file systems take, in bytes of UTF-8.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// `name` (one folder entry, UTF-8) as it is when it fits into `maxBytes`; otherwise its stem loses
// characters at its end until the name fits, and the extension stays. An extension that leaves no room
// for a stem is cut like the rest. A UTF-8 sequence is never split.
std::string FitFileName(std::string_view name, std::size_t maxBytes = kMaxFileNameBytes);

// The bytes an ordinary user may still write into `folder` (or, while it does not exist, into the
// nearest folder above it that does); -1 when that cannot be found out.
std::int64_t FreeBytes(const std::filesystem::path& folder);

// The name itself when nothing of that name exists; otherwise the name with " (n)" before its extension
// for the smallest n = 1, 2, ... that is free. A file, a folder or a link all take a name. Where the number
// would make the name too long for the file system, the stem is shortened to make room for it.
std::filesystem::path MakeUniqueFileName(const std::filesystem::path& name);

// Moves `source` to `destination`, never over an existing file. With `unique` a taken destination is
// replaced by the next free " (n)" name (again after a lost race), and `destination` tells where the
// file went. False when either name is empty or the move failed.
bool MoveFileKio(const std::filesystem::path& source, std::filesystem::path& destination, bool unique);

// Moves the file into the desktop's trash; true on success.
bool RecycleFile(const std::filesystem::path& name);

// The folder "Incomplete Files" of the application-data folder, where partial received files live.
std::filesystem::path IncompleteFilesFolder();
// Creates "<name>.qvf" in the incomplete-files folder (and the folder when missing), only when no such
// file exists yet; returns its path, empty when it existed or could not be created.
std::filesystem::path CreateIncompleteFile(std::string_view name);
// The same under a fresh random name (32 hexadecimal digits); at most 10 tries, empty when all failed.
std::filesystem::path CreateIncompleteFileUnique();

// Word wrap of a text (bytes): a line that grows past `width` columns is broken after the last break
// character in it, and `breakString` goes between the lines. A CR or LF of the text itself ends its line.
// Empty `breakChars` means LF, CR, blank, ",", "-" and ".".
std::string WrapText(std::string_view text, std::string_view breakString, std::string_view breakChars,
                     int width);

} // namespace quarn
