#include "DateTime.h"

#include "TextHelpers.h"

#include <limits>

namespace kestrel {

namespace {

constexpr std::int64_t secondsPerDay = 86400;

std::int64_t floorDivide(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && ((a < 0) != (b < 0)) ? 1 : 0);
}

std::string twoDigits(int value)
{
    const std::string digits = "0" + std::to_string(value);
    return digits.substr(digits.size() - 2);
}

} // namespace

DateTime unixTimeToUtc(std::int64_t seconds)
{
    std::int64_t days = seconds / secondsPerDay;
    std::int64_t secondOfDay = seconds % secondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += secondsPerDay;
        --days;
    }

    // Civil date from a day count (H. Hinnant's algorithm), valid over the whole int64 day range used here.
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDivide(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;

    DateTime time;
    time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);
    time.hour = static_cast<int>(secondOfDay / 3600);
    time.minute = static_cast<int>(secondOfDay / 60 % 60);
    time.second = static_cast<int>(secondOfDay % 60);
    return time;
}

std::string formatDateTime(const DateTime& time)
{
    return std::to_string(time.year) + "-" + twoDigits(time.month) + "-" + twoDigits(time.day) + " " +
           twoDigits(time.hour) + ":" + twoDigits(time.minute) + ":" + twoDigits(time.second);
}

} // namespace kestrel
