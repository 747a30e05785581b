// Local calendar time on POSIX: localtime_r, after tzset has read TZ once.
#include "console/local_time.h"

#include <climits>
#include <ctime>
#include <limits>

namespace con {

bool local_time(std::int64_t seconds, CalendarTime& out)
{
    if (seconds == -1)
        return false;
    if constexpr (sizeof(std::time_t) < sizeof(seconds)) {
        if (seconds < std::numeric_limits<std::time_t>::min() ||
            seconds > std::numeric_limits<std::time_t>::max())
            return false;
    }
    static const bool zone_read = (tzset(), true);
    (void)zone_read;
    // Files written together share their second, so the last conversion is
    // kept; the zone is read once, so the same moment gives the same time.
    static std::int64_t last_seconds = -1;
    static CalendarTime last;
    if (seconds == last_seconds) {
        out = last;
        return true;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    struct tm tm;
    if (localtime_r(&t, &tm) == nullptr || tm.tm_year > INT_MAX - 1900)
        return false;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    last_seconds = seconds;
    last = out;
    return true;
}

} // namespace con
