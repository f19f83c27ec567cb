// UTC dates from the Windows system clock.
#include "platform/utc_date.h"

#include <windows.h>

namespace {
// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochInFileTime = 116444736000000000LL;
constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;
}  // namespace

int64_t currentTimeSeconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks = (int64_t(now.dwHighDateTime) << 32) | int64_t(now.dwLowDateTime);
    return (ticks - kUnixEpochInFileTime) / kFileTimeTicksPerSecond;
}

UtcDate currentUtcDate() {
    return utcDateFromSeconds(currentTimeSeconds());
}

UtcDate utcDateFromSeconds(int64_t seconds) {
    UtcDate date;
    if (seconds < 0) return date;  // FILETIME starts in 1601; the store never dates before 1970
    const uint64_t ticks = uint64_t(seconds) * uint64_t(kFileTimeTicksPerSecond) + uint64_t(kUnixEpochInFileTime);
    FILETIME time;
    time.dwLowDateTime = DWORD(ticks & 0xFFFFFFFFu);
    time.dwHighDateTime = DWORD(ticks >> 32);
    SYSTEMTIME parts;
    if (!FileTimeToSystemTime(&time, &parts)) return date;
    date.year = parts.wYear;
    date.month = parts.wMonth;
    date.day = parts.wDay;
    date.hour = parts.wHour;
    date.minute = parts.wMinute;
    date.second = parts.wSecond;
    return date;
}
