#include "TimeZones.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace kestrel {

namespace {

// Zones the IANA database renamed, with the names Unicode's CLDR still gives them. PHP, and so
// emlog and WordPress, write the new name; Qt on Windows maps Windows' zones to CLDR's names and
// knows only the old one (Asia/Kolkata is Asia/Calcutta there).
QByteArray cldrName(const QByteArray& iana)
{
    static const std::pair<const char*, const char*> renamed[] = {
        {"Africa/Asmara", "Africa/Asmera"},
        {"America/Argentina/Buenos_Aires", "America/Buenos_Aires"},
        {"America/Atikokan", "America/Coral_Harbour"},
        {"America/Indiana/Indianapolis", "America/Indianapolis"},
        {"America/Kentucky/Louisville", "America/Louisville"},
        {"America/Nuuk", "America/Godthab"},
        {"Asia/Ho_Chi_Minh", "Asia/Saigon"},
        {"Asia/Kathmandu", "Asia/Katmandu"},
        {"Asia/Kolkata", "Asia/Calcutta"},
        {"Asia/Yangon", "Asia/Rangoon"},
        {"Atlantic/Faroe", "Atlantic/Faeroe"},
        {"Europe/Kyiv", "Europe/Kiev"},
        {"Pacific/Chuuk", "Pacific/Truk"},
        {"Pacific/Kanton", "Pacific/Enderbury"},
        {"Pacific/Pohnpei", "Pacific/Ponape"},
    };
    for (const auto& [now, before] : renamed) {
        if (iana == now)
            return before;
    }
    return {};
}

} // namespace

std::optional<TimeZone> TimeZone::named(std::string_view iana)
{
    QByteArray id(iana.data(), static_cast<qsizetype>(iana.size()));
    if (!id.isEmpty() && !QTimeZone::isTimeZoneIdAvailable(id)) {
        const QByteArray before = cldrName(id);
        if (!before.isEmpty() && QTimeZone::isTimeZoneIdAvailable(before))
            id = before;
    }
    if (id.isEmpty() || !QTimeZone::isTimeZoneIdAvailable(id))
        return std::nullopt;
    TimeZone zone;
    zone.m_name = std::string(iana);
    zone.m_zone = std::make_shared<const QTimeZone>(id);
    return zone;
}

TimeZone TimeZone::fixed(int secondsEast)
{
    TimeZone zone;
    zone.m_fixedOffset = secondsEast;
    return zone;
}

std::optional<TimeZone> TimeZone::fromHours(std::string_view hours)
{
    if (!hours.empty() && hours.front() == '+')
        hours.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(hours.data(), hours.data() + hours.size(), value);
    if (hours.empty() || error != std::errc() || end != hours.data() + hours.size() || std::abs(value) > 14)
        return std::nullopt;
    return fixed(static_cast<int>(std::lround(value * 3600)));
}

std::optional<TimeZone> TimeZone::fromOption(std::string_view value)
{
    if (auto zone = fromHours(value))
        return zone;
    return named(value);
}

int TimeZone::offsetAt(std::int64_t unixTime) const
{
    if (!m_zone)
        return m_fixedOffset;
    return m_zone->offsetFromUtc(QDateTime::fromSecsSinceEpoch(unixTime, QTimeZone::utc()));
}

DateTime TimeZone::localTime(std::int64_t unixTime) const
{
    // No zone is more than a day from UTC: times that near the ends of the range stay in it.
    constexpr std::int64_t day = 86400;
    if (unixTime > std::numeric_limits<std::int64_t>::max() - day ||
        unixTime < std::numeric_limits<std::int64_t>::min() + day)
        return unixTimeToUtc(unixTime);
    return unixTimeToUtc(unixTime + offsetAt(unixTime));
}

std::string TimeZone::hours() const
{
    const int minutes = m_fixedOffset / 60;
    std::string text = std::to_string(minutes / 60);
    if (minutes % 60 != 0) {
        if (minutes < 0 && minutes / 60 == 0)
            text = "-0";
        const int fraction = std::abs(minutes % 60) * 100 / 60; // 30 → 50, 45 → 75
        text += "." + std::string(fraction % 10 == 0 ? std::to_string(fraction / 10) : std::to_string(fraction));
    }
    return text;
}

std::string TimeZone::describe() const
{
    if (isNamed())
        return m_name;
    const int minutes = std::abs(m_fixedOffset) / 60;
    std::string text = std::string("UTC") + (m_fixedOffset < 0 ? "-" : "+") + std::to_string(minutes / 60);
    if (minutes % 60 != 0)
        text += ":" + std::string(minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60);
    return text;
}

bool TimeZone::operator==(const TimeZone& other) const
{
    return m_name == other.m_name && (isNamed() || m_fixedOffset == other.m_fixedOffset);
}

TimeZone wordPressZoneOf(const std::string& timezoneString, const std::string& gmtOffset)
{
    if (auto named = TimeZone::named(timezoneString))
        return *named;
    return TimeZone::fromHours(gmtOffset).value_or(TimeZone::fixed(0));
}

} // namespace kestrel
