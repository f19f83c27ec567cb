// UTC dates from the system clock.
#include "platform/utc_date.h"

#include <ctime>

int64_t currentTimeSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

UtcDate currentUtcDate() {
    return utcDateFromSeconds(currentTimeSeconds());
}

UtcDate utcDateFromSeconds(int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    UtcDate date;
    if (::gmtime_r(&time, &parts) == nullptr) return date;
    date.year = parts.tm_year + 1900;
    date.month = parts.tm_mon + 1;
    date.day = parts.tm_mday;
    date.hour = parts.tm_hour;
    date.minute = parts.tm_min;
    date.second = parts.tm_sec;
    return date;
}
