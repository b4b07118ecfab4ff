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
// The wall-clock time eight hours east of UTC, with no daylight saving. A blog's
// own zone, summer time and all, is TimeZone's (TimeZones.h).
DateTime unixTimeToDateTime(std::int64_t seconds);

// Fills a pattern: "yy" by the year, then "mm" month, "dd" day, "h" hour,
// "m" minute and "s" second, each replacement over the text the previous one
// left. The year is not padded; the others have two digits. An empty pattern
// stands for "yy-mm-dd h:m:s", the form MySQL takes a date-time in.
std::string formatDateTime(const DateTime& time, std::string_view pattern = {});

} // namespace kestrel
