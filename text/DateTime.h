#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

struct DateTime
{
    std::int64_t year = 1970;
    int month = 1; // 1-12
    int day = 1;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The calendar time of a Unix time (seconds since 1970-01-01 00:00:00 UTC), in UTC.
DateTime unixTimeToUtc(std::int64_t seconds);
// A blog's local time, summer time and all, is TimeZone's (TimeZones.h).

// "2010-05-07 09:30:05", the form MySQL takes a date-time in. The year is not padded.
std::string formatDateTime(const DateTime& time);

} // namespace kestrel
