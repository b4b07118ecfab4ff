#pragma once

#include "DateTime.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QTimeZone;

namespace kestrel {

// A blog's time zone: an IANA name with its summer time (emlog pro's and WordPress's
// timezone_string), or a fixed offset east of UTC (older emlog's hours, WordPress's gmt_offset).
class TimeZone
{
public:
    // Nothing for a name the zone database does not know.
    static std::optional<TimeZone> named(std::string_view iana);
    static TimeZone fixed(int secondsEast);
    // Hours east of UTC as PHP writes a number: "8", "-5", "5.5", "+5.75". Nothing for other text.
    static std::optional<TimeZone> fromHours(std::string_view hours);
    // emlog's option `timezone`: a zone name, or hours as older versions kept it.
    static std::optional<TimeZone> fromOption(std::string_view value);

    int offsetAt(std::int64_t unixTime) const;
    DateTime localTime(std::int64_t unixTime) const;

    bool isNamed() const { return !m_name.empty(); }
    const std::string& name() const { return m_name; }
    int fixedOffset() const { return m_fixedOffset; }
    // How WordPress writes the fixed offset in gmt_offset: "8", "-4.5".
    std::string hours() const;
    // For a person: "Europe/Berlin", "UTC+8", "UTC-4:30".
    std::string describe() const;

    bool operator==(const TimeZone& other) const;

private:
    TimeZone() = default;

    std::string m_name;
    int m_fixedOffset = 0;
    std::shared_ptr<const QTimeZone> m_zone; // shared: copies are cheap and the zone never changes
};

// The zone emlog shows its times in when it has no option: China's.
inline constexpr std::string_view emlogDefaultZone = "Asia/Shanghai";

// WordPress's zone from its options: timezone_string, else gmt_offset, else UTC.
TimeZone wordPressZoneOf(const std::string& timezoneString, const std::string& gmtOffset);

} // namespace kestrel
