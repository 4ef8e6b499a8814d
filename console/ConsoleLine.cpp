#include "console/ConsoleLine.h"

namespace quarn {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

} // namespace

std::uint32_t ConsoleTimeStamp(const std::tm& localTime) {
    const std::int64_t days =
        DaysFromCivil(std::int64_t{localTime.tm_year} + 1900, static_cast<unsigned>(localTime.tm_mon + 1),
                      static_cast<unsigned>(localTime.tm_mday));
    const std::int64_t seconds =
        days * 86400 + localTime.tm_hour * 3600 + localTime.tm_min * 60 + localTime.tm_sec;
    // The field is 32 bits wide; the value wraps as the stored format always has.
    return static_cast<std::uint32_t>(seconds);
}

std::uint32_t ConsoleTimeStamp(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr) {
        return 0;
    }
    return ConsoleTimeStamp(local);
}

} // namespace quarn
