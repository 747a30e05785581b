// Local calendar time of a moment, by the system's time-zone rules (on
// POSIX the TZ variable, read at the first conversion).
#pragma once

#include <cstdint>

namespace con {

struct CalendarTime {
    int year;   // the full year, such as 2000
    int month;  // 1 to 12
    int day;    // 1 to 31
    int hour;   // 0 to 23
    int minute; // 0 to 59
    int second; // 0 to 59 (60 only in a zone that counts leap seconds)
};

// Turns seconds since 1970-01-01 00:00 UTC into local calendar time. False
// for -1, which marks no time, and for a moment the system cannot convert.
bool local_time(std::int64_t seconds, CalendarTime& out);

} // namespace con
