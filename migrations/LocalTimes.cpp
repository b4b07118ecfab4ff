#include "LocalTimes.h"

#include "Kinds.h"
#include "MigrationRun.h"
#include "Options.h"
#include "Reconnect.h"
#include "ResultSet.h"

namespace kestrel {

BlogTimeZones readTimeZones(MigrationRun& run)
{
    std::optional<std::string> option;
    if (!run.source->option("timezone", option))
        run.failures.record(step::timeZone, run.source->tableName("options"), "timezone",
                            {Why::Code::emlogUnreadable, {}, run.source->lastError()});
    BlogTimeZones zones{TimeZone::fromOption(option.value_or("")).value_or(*TimeZone::named(emlogDefaultZone)), {}};
    std::optional<std::string> timezoneString;
    std::optional<std::string> gmtOffset;
    // Unread, WordPress's zone is not known, and its options are left as they are.
    if (!readWordPressOption(run, "timezone_string", timezoneString) ||
        !readWordPressOption(run, "gmt_offset", gmtOffset))
        recordFailure(run, step::timeZone, run.wordPressTable("options"), "timezone_string");
    else if (timezoneString || gmtOffset)
        zones.wordPress = wordPressZoneOf(timezoneString.value_or(""), gmtOffset.value_or(""));
    return zones;
}

const TimeZone& localZone(MigrationRun& run)
{
    if (!run.handoffs.localZone) {
        const BlogTimeZones zones = readTimeZones(run);
        run.handoffs.localZone = run.keepWordPressTimeZone && zones.wordPress ? *zones.wordPress : zones.emlog;
    }
    return *run.handoffs.localZone;
}

std::string localDateTime(MigrationRun& run, std::int64_t unixTime)
{
    return formatDateTime(localZone(run).localTime(unixTime));
}

void settleTimeZone(MigrationRun& run)
{
    const BlogTimeZones zones = readTimeZones(run);
    if (!zones.wordPress || *zones.wordPress == zones.emlog) {
        run.handoffs.localZone = zones.emlog;
        return;
    }
    if (run.keepWordPressTimeZone) {
        run.handoffs.localZone = *zones.wordPress;
        run.failures.note({FailureLog::Note::What::TimeZoneKept, zones.wordPress->describe(), zones.emlog.describe()});
        return;
    }
    const TimeZone& emlog = zones.emlog;
    // A named zone brings its summer time; WordPress works the offset out from the name itself.
    const bool set = setWordPressOption(run, "timezone_string", emlog.isNamed() ? emlog.name() : "") &&
                     setWordPressOption(run, "gmt_offset", emlog.isNamed() ? "0" : emlog.hours());
    if (!set) {
        recordFailure(run, step::timeZone, run.wordPressTable("options"), "timezone_string");
        run.handoffs.localZone = *zones.wordPress;
        return;
    }
    run.handoffs.localZone = emlog;
    run.failures.note({FailureLog::Note::What::TimeZoneSet, zones.wordPress->describe(), emlog.describe()});
}

} // namespace kestrel
