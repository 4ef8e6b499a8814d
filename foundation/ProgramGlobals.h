#pragma once

#include "foundation/VersionInfo.h"
#include "platform/Registry.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace quarn {

// The process-wide values fixed at start-up and read everywhere (ProgramVersion and PrivateBuild come
// from VersionInfo.h).

// The per-user application-data folder, $XDG_DATA_HOME/Velmoor/Quarn/, always ending in a separator.
// Fixed by CreateAppDataFolder at start; before that (in tests) it follows the environment.
std::filesystem::path AppDataFolder();

// Finds the application-data folder, creates it with its missing parents and fixes it for
// AppDataFolder. Raises QuarnException (with the system's reason) when it cannot be created.
std::filesystem::path CreateAppDataFolder();

// 0 when the screen has fewer than 16 bits per pixel, else 2 (the values 1 stood for old systems that
// could not show more). Without a screen to ask: 2.
int ColorCapability();

// True on Qt's offscreen (and minimal) platforms: nobody can answer a dialog there, so none is shown.
bool HeadlessPlatform();

// The version code of the system the program runs on, in the numbering the program's checks use
// (0 unknown ... 11 the newest). The Linux layer offers everything the newest one did.
inline constexpr int kWindowsVersionNewest = 11;
int GetWindowsVersion();

// The call sign without its SSID: the text before the first "-", the whole text when it has none.
std::string StripSSID(std::string_view call);

// The system's message text for an errno value (at most 255 characters), or "Nr. <code>" when the
// system knows none; LastErrorText is the same for the calling thread's errno.
std::string SysErrorText(int errnoValue);
std::string LastErrorText();

// A local date and time as the clock shows it, without a time zone attached.
struct LocalDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Seconds since 1970-01-01 00:00 of that local date and time, counted without any time-zone conversion.
// Every year from 1970 on is converted; a date before 1970 or one that is not on the calendar gives 0,
// which the program's formats read as "no time".
std::int64_t DateTimeToUnixTime(const LocalDateTime& value);
// The inverse; values below 1 give 1970-01-01 00:00:00, values past 9999-12-31 23:59:59 give that.
LocalDateTime UnixTimeToDateTime(std::int64_t seconds);
// The local date and time of a point in time (a file's modification time, the clock now).
LocalDateTime LocalDateTimeOf(std::time_t moment);
LocalDateTime LocalDateTimeNow();

// Registers the program's six file types under HKEY_CLASSES_ROOT, writing only what differs; `iconFile`
// is the program file's full path. Returns whether anything was written; registry errors are ignored.
bool AssociateFileTypes(RegistryStore& store, const std::filesystem::path& iconFile);

} // namespace quarn
