#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

namespace registry {
class BackgroundWriter;
}

enum class Hive { CurrentUser, LocalMachine, ClassesRoot };

// The value types the program uses, with their Windows numbers.
enum class RegType : std::uint32_t {
    String = 1 /*REG_SZ*/,
    Binary = 3 /*REG_BINARY*/,
    DWord = 4 /*REG_DWORD*/
};

// The registry in place of Windows': one text file per hive in a folder (by default
// $XDG_CONFIG_HOME/Velmoor/Quarn). A change is visible to every reader of the store at once; the files
// follow in the background (temporary file, fsync, rename), at once after a quiet spell and then at most
// every 200 ms, so a write costs its caller no disk work and a crash loses at most the changes of the
// last interval, never the file. Flush writes at once; the program calls it at shut-down, at the end of
// the session and before an exception report can end the process, and the destructor does. Key paths
// use "\" between names, a leading "\" is optional; key and value names compare without regard to case
// and keep the case they were created with. Every call is complete in itself (no "current key"), so any
// thread may call at any time. Strings are bytes (Windows-1252 text); any byte, NUL included, is kept in
// strings and binary values.
//
// The files are "HKCU.reg", "HKLM.reg" and "HKCR.reg", plain text that a person may edit while the
// program is not running (format in RegistryFormat.h). Each hive is read at its first use; a file that
// cannot be understood is renamed to "<file>.damaged-<time>" and the hive starts empty. Sub-keys and
// values are listed in the order they were created (a file's order when it was read); writing a value
// again keeps its place. A change fails, and changes nothing, when its hive's file cannot be read or
// the folder cannot take files now (it cannot be made, or is no folder the program may write in). A
// background write that fails anyway (a full disk) keeps the change in memory and is tried again after
// the interval; Flush reports it.
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

    // Writes every change that has not reached its file yet, now and on the calling thread; true when
    // all of them are on disk (also when there was nothing to write).
    bool Flush();

private:
    struct Impl;
    // Wakes the background writer when the call changed something (under the lock); returns `result`.
    bool Noted(bool result);

    std::shared_ptr<Impl> impl_;
    std::unique_ptr<registry::BackgroundWriter> writer_;
};

} // namespace quarn
