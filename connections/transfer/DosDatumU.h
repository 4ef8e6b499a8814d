#pragma once

#include <cstdint>
#include <ctime>

namespace quarn {

// The 32-bit date stamp of the old PC file systems: the date in the high 16 bits (year - 1980, month,
// day), the time in the low 16 bits (hour, minute, seconds / 2), all in local time.
constexpr std::uint32_t kKeinDosDatum = 0xFFFFFFFFu;

// The stamp of a point in time; kKeinDosDatum for a time the format cannot hold (before 1980, after
// 2107) or that the system cannot convert.
std::uint32_t DosDatum(std::time_t time);
// The point in time of a stamp; false for a stamp whose fields are no valid date and time.
bool DosDatumZeit(std::uint32_t stamp, std::time_t& time);

// The stamp of an open file's modification time; kKeinDosDatum when it cannot be read.
std::uint32_t DosDatumDatei(int handle);
// Sets an open file's modification time to the stamp; false when the stamp is invalid or the system
// refuses.
bool SetDosDatumDatei(int handle, std::uint32_t stamp);

} // namespace quarn
