// The system time as a UTC calendar date, and in seconds.
#pragma once

#include <cstdint>

struct UtcDate {
    int32_t year = 1970, month = 1, day = 1;  // month 1..12, day 1..31
    int32_t hour = 0, minute = 0, second = 0;
};

int64_t currentTimeSeconds();
UtcDate currentUtcDate();
// The UTC date of a time in seconds since 1970-01-01 00:00:00 UTC.
UtcDate utcDateFromSeconds(int64_t seconds);
