#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

// The value types the program uses, with their Windows numbers.
enum class RegType : std::uint32_t {
    String = 1 /*REG_SZ*/,
    Binary = 3 /*REG_BINARY*/,
    DWord = 4 /*REG_DWORD*/
};

// The registry in place of Windows': one text file per hive in a folder (by default
// $XDG_CONFIG_HOME/Velmoor/Quarn), written through on every change (temporary file, fsync, rename), so
// a crash leaves either the old or the new file. Key paths use "\" between names, a leading "\" is
// optional; key and value names compare without regard to case and keep the case they were created
// with. Every call is complete in itself (no "current key"), so any thread may call at any time.
// Strings are bytes (Windows-1252 text); any byte, NUL included, is kept in strings and binary values.
//
// The files are "HKCU.reg", "HKLM.reg" and "HKCR.reg", plain text that a person may edit while the
// program is not running (format in RegistryFormat.h). Each hive is read at its first use; a file that
// cannot be understood is renamed to "<file>.damaged-<time>" and the hive starts empty. Sub-keys and
// values are listed in the order they were created (a file's order when it was read); writing a value
// again keeps its place. A failed write changes nothing, in memory or on disk.
class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path folder);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // The program's store, in $XDG_CONFIG_HOME/Velmoor/Quarn as it was at the first call.
    static RegistryStore& Instance();

    const std::filesystem::path& folder() const;

    bool KeyExists(Hive hive, std::string_view key) const;
    // Creates the key and its missing parents; false when the hive file cannot be written.
    bool CreateKey(Hive hive, std::string_view key);
    // Removes the key with all its sub-keys and values; false when it did not exist or on a write failure.
    bool DeleteKey(Hive hive, std::string_view key);
    // Moves the key with its values and sub-keys to `to`, where it becomes the last sub-key of its new
    // parent (created when missing). False when `from` is missing, `to` exists or lies inside `from`,
    // or on a write failure.
    bool MoveKey(Hive hive, std::string_view from, std::string_view to);
    std::vector<std::string> SubKeyNames(Hive hive, std::string_view key) const;
    std::vector<std::string> ValueNames(Hive hive, std::string_view key) const;
    std::optional<RegType> ValueType(Hive hive, std::string_view key, std::string_view name) const;

    // A value of another type, a missing value or a missing key read as nothing.
    std::optional<std::string> ReadString(Hive hive, std::string_view key, std::string_view name) const;
    std::optional<std::uint32_t> ReadDWord(Hive hive, std::string_view key, std::string_view name) const;
    std::optional<std::string> ReadBinary(Hive hive, std::string_view key, std::string_view name) const;

    // Writing creates the key when `create` is set; without it a missing key fails the write. False on
    // failure (missing key, file not writable).
    bool WriteString(Hive hive, std::string_view key, std::string_view name, std::string_view value,
                     bool create = true);
    bool WriteDWord(Hive hive, std::string_view key, std::string_view name, std::uint32_t value,
                    bool create = true);
    bool WriteBinary(Hive hive, std::string_view key, std::string_view name, std::string_view bytes,
                     bool create = true);
    bool DeleteValue(Hive hive, std::string_view key, std::string_view name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace quarn
