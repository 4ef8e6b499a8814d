#include "foundation/ProgramGlobals.h"

#include "foundation/DebOutU.h"
#include "foundation/QuarnException.h"
#include "platform/Codepage.h"
#include "platform/XdgPaths.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>

namespace quarn {
namespace {

std::mutex& FolderMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<std::filesystem::path>& FixedAppDataFolder() {
    static std::optional<std::filesystem::path> folder;
    return folder;
}

std::filesystem::path AppDataFolderFromEnvironment() {
    return QuarnFolderBelow(XdgDataHome()) / "";
}

// Days from 1970-01-01 to the given proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

bool IsValid(const LocalDateTime& value) {
    return value.month >= 1 && value.month <= 12 && value.day >= 1 &&
           value.day <= DaysInMonth(value.year, value.month) && value.hour >= 0 && value.hour < 24 &&
           value.minute >= 0 && value.minute < 60 && value.second >= 0 && value.second < 60;
}

struct FileType {
    const char* extension;
    const char* className;
    const char* description;
};

constexpr std::array<FileType, 6> kFileTypes{{
    {".qvf", "Quarn.IncompleteFile", "Quarn Incomplete File"},
    {".qvi", "Quarn.IndexFile", "Quarn Index File"},
    {".qvn", "Quarn.TextBuffer", "Quarn Text Buffer"},
    {".qvd", "Quarn.Database", "Quarn Database"},
    {".qvl", "Quarn.LanguageResource", "Quarn Language Resource"},
    {".qvs", "Quarn.SoundScheme", "Quarn Sound Scheme"},
}};

// Writes the key's default value when it differs; true when it wrote.
bool EnsureDefault(RegistryStore& store, const std::string& key, const std::string& value) {
    if (store.ReadString(Hive::ClassesRoot, key, "") == value) {
        return false;
    }
    store.WriteString(Hive::ClassesRoot, key, "", value);
    return true;
}

} // namespace

std::filesystem::path AppDataFolder() {
    std::lock_guard lock(FolderMutex());
    return FixedAppDataFolder().value_or(AppDataFolderFromEnvironment());
}

std::filesystem::path CreateAppDataFolder() {
    const std::filesystem::path folder = AppDataFolderFromEnvironment();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        const int code = error ? error.value() : ENOTDIR;
        throw QuarnException("GlobalU", "CreateAppDataFolder", folder.string() + ": " + SysErrorText(code));
    }
    std::lock_guard lock(FolderMutex());
    FixedAppDataFolder() = folder;
    return folder;
}

int ColorCapability() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return 2;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen == nullptr || screen->depth() >= 16 ? 2 : 0;
}

bool HeadlessPlatform() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return true;
    }
    const QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || platform.startsWith("minimal");
}

int GetWindowsVersion() {
    return kWindowsVersionNewest;
}

std::string StripSSID(std::string_view call) {
    return std::string(call.substr(0, call.find('-')));
}

std::string SysErrorText(int errnoValue) {
    // glibc names every code it does not know "Unknown error <n>": that is "the system has none".
    char buffer[256];
    const char* text = ::strerror_r(errnoValue, buffer, sizeof buffer);
    if (text == nullptr || *text == '\0' || std::strncmp(text, "Unknown error", 13) == 0) {
        return "Nr. " + std::to_string(errnoValue);
    }
    std::string message(text);
    if (message.size() > 255) {
        message.resize(255);
    }
    return message;
}

std::string LastErrorText() {
    return SysErrorText(errno);
}

std::int64_t DateTimeToUnixTime(const LocalDateTime& value) {
    if (value.year < 1970 || !IsValid(value)) {
        return 0;
    }
    const std::int64_t days = DaysFromCivil(value.year, value.month, value.day);
    return days * 86400 + value.hour * 3600 + value.minute * 60 + value.second;
}

LocalDateTime UnixTimeToDateTime(std::int64_t seconds) {
    static const std::int64_t kLast = DateTimeToUnixTime({9999, 12, 31, 23, 59, 59});
    if (seconds < 1) {
        return {};
    }
    if (seconds > kLast) {
        seconds = kLast;
    }
    const std::int64_t days = seconds / 86400;
    const std::int64_t secondOfDay = seconds % 86400;
    // civil_from_days, for days >= 0.
    const std::int64_t shifted = days + 719468;
    const std::int64_t era = shifted / 146097;
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    LocalDateTime result;
    result.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    result.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    result.year = static_cast<int>(yearOfEra + era * 400 + (result.month <= 2 ? 1 : 0));
    result.hour = static_cast<int>(secondOfDay / 3600);
    result.minute = static_cast<int>(secondOfDay / 60 % 60);
    result.second = static_cast<int>(secondOfDay % 60);
    return result;
}

LocalDateTime LocalDateTimeOf(std::time_t moment) {
    std::tm parts{};
    if (::localtime_r(&moment, &parts) == nullptr) {
        return {};
    }
    // A leap second (60) is shown as the last second of its minute.
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     std::min(parts.tm_sec, 59)};
}

LocalDateTime LocalDateTimeNow() {
    return LocalDateTimeOf(std::time(nullptr));
}

bool AssociateFileTypes(RegistryStore& store, const std::filesystem::path& iconFile) {
    char icon[4096];
    std::snprintf(icon, sizeof icon, "%s,%d", Utf8ToCp1252(iconFile.string()).c_str(), 1);
    bool changed = false;
    for (const FileType& type : kFileTypes) {
        changed |= EnsureDefault(store, type.extension, type.className);
        if (EnsureDefault(store, type.className, type.description)) {
            // An empty "NoOpen" keeps desktops from offering to open these files with us.
            store.WriteString(Hive::ClassesRoot, type.className, "NoOpen", "");
            changed = true;
        }
        changed |= EnsureDefault(store, std::string(type.className) + "\\DefaultIcon", icon);
    }
    DebOut(changed ? "AssociateFileTypes: Dateitypen geändert."
                   : "AssociateFileTypes: Dateitypen nicht geändert.");
    return changed;
}

} // namespace quarn
