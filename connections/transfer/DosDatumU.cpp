#include "connections/transfer/DosDatumU.h"

#include <sys/stat.h>

namespace quarn {

std::uint32_t DosDatum(std::time_t time) {
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) {
        return kKeinDosDatum;
    }
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) {
        return kKeinDosDatum;
    }
    const auto date =
        static_cast<std::uint32_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    // A leap second (60) would overflow its five bits.
    const int seconds = local.tm_sec > 59 ? 59 : local.tm_sec;
    const auto clock =
        static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (seconds / 2));
    return (date << 16) | clock;
}

bool DosDatumZeit(std::uint32_t stamp, std::time_t& time) {
    const std::uint32_t date = stamp >> 16;
    const std::uint32_t clock = stamp & 0xFFFFu;
    std::tm local{};
    local.tm_year = static_cast<int>(date >> 9) + 80;
    local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    local.tm_mday = static_cast<int>(date & 0x1F);
    local.tm_hour = static_cast<int>(clock >> 11);
    local.tm_min = static_cast<int>((clock >> 5) & 0x3F);
    local.tm_sec = static_cast<int>(clock & 0x1F) * 2;
    local.tm_isdst = -1;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59) {
        return false;
    }
    const int month = local.tm_mon;
    const int day = local.tm_mday;
    const std::time_t result = std::mktime(&local);
    // mktime carries 31 February into March: such a day is no date.
    if (result == static_cast<std::time_t>(-1) || local.tm_mon != month || local.tm_mday != day) {
        return false;
    }
    time = result;
    return true;
}

std::uint32_t DosDatumDatei(int handle) {
    struct stat info {};
    if (handle <= 0 || ::fstat(handle, &info) != 0) {
        return kKeinDosDatum;
    }
    return DosDatum(info.st_mtim.tv_sec);
}

bool SetDosDatumDatei(int handle, std::uint32_t stamp) {
    std::time_t time = 0;
    if (handle <= 0 || !DosDatumZeit(stamp, time)) {
        return false;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {time, 0}};
    return ::futimens(handle, times) == 0;
}

} // namespace quarn
