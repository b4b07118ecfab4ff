#include "LocalTimes.h"

#include "BackupRows.h"
#include "BlogConnection.h"
#include "MigrationRun.h"
#include "Options.h"
#include "Reconnect.h"
#include "ResultSet.h"

namespace kestrel {

namespace {

std::optional<std::string> optionOf(MigrationRun& run, BlogConnection& session, const std::string& table,
                                    std::string_view column, std::string_view name)
{
    ResultSet result = selectWithReconnect(run, session,
                                           "SELECT " + std::string(column) + " FROM " + table +
                                               " WHERE option_name=" + quotedLiteral(session, name));
    std::string value;
    if (!result || rowCount(result) == 0 || !readField(result, 0, value))
        return std::nullopt;
    return value;
}

} // namespace

TimeZone wordPressZoneOf(const std::string& timezoneString, const std::string& gmtOffset)
{
    if (auto named = TimeZone::named(timezoneString))
        return *named;
    return TimeZone::fromHours(gmtOffset).value_or(TimeZone::fixed(0));
}

BlogTimeZones readTimeZones(MigrationRun& run)
{
    const std::optional<std::string> option =
        run.emlogBackup ? backupOption(run, "timezone")
                        : optionOf(run, run.emlog, run.emlogTable("options"), "option_value", "timezone");
    BlogTimeZones zones{TimeZone::fromOption(option.value_or("")).value_or(*TimeZone::named(emlogDefaultZone)), {}};
    const std::optional<std::string> timezoneString = wordPressOption(run, "timezone_string");
    const std::optional<std::string> gmtOffset = wordPressOption(run, "gmt_offset");
    if (timezoneString || gmtOffset)
        zones.wordPress = wordPressZoneOf(timezoneString.value_or(""), gmtOffset.value_or(""));
    return zones;
}

const TimeZone& localZone(MigrationRun& run)
{
    if (!run.known.localZone) {
        const BlogTimeZones zones = readTimeZones(run);
        run.known.localZone = run.keepWordPressTimeZone && zones.wordPress ? *zones.wordPress : zones.emlog;
    }
    return *run.known.localZone;
}

std::string localDateTime(MigrationRun& run, std::int64_t unixTime)
{
    return formatDateTime(localZone(run).localTime(unixTime));
}

void settleTimeZone(MigrationRun& run)
{
    constexpr std::string_view step = "时区";
    const BlogTimeZones zones = readTimeZones(run);
    if (!zones.wordPress || *zones.wordPress == zones.emlog) {
        run.known.localZone = zones.emlog;
        return;
    }
    if (run.keepWordPressTimeZone) {
        run.known.localZone = *zones.wordPress;
        run.failures.note({FailureLog::Note::What::TimeZoneKept, zones.wordPress->describe(), zones.emlog.describe()});
        return;
    }
    const TimeZone& emlog = zones.emlog;
    // A named zone brings its summer time; WordPress works the offset out from the name itself.
    const bool set = setWordPressOption(run, "timezone_string", emlog.isNamed() ? emlog.name() : "") &&
                     setWordPressOption(run, "gmt_offset", emlog.isNamed() ? "0" : emlog.hours());
    if (!set) {
        recordFailure(run, step, run.wordPressTable("options"), "timezone_string");
        run.known.localZone = *zones.wordPress;
        return;
    }
    run.known.localZone = emlog;
    run.failures.note({FailureLog::Note::What::TimeZoneSet, zones.wordPress->describe(), emlog.describe()});
}

} // namespace kestrel
