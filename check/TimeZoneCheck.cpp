#include "CheckQueries.h"
#include "EmlogSource.h"
#include "Options.h"
#include "RunContext.h"
#include "Session.h"
#include "TimeZones.h"

namespace kestrel::check {

void checkTimeZones(EmlogSource& emlog, RunContext& run, const CheckSettings& settings, BlogCheckReport& report)
{
    std::optional<std::string> emlogZone;
    if (const CheckedTable* table = report.emlog.find(settings.emlogPrefix + "options"); table && table->present) {
        if (!emlog.option("timezone", emlogZone))
            report.errors.push_back(emlog.tableName("options") + ": " + emlog.lastError());
    }
    report.emlogTimeZone =
        TimeZone::fromOption(emlogZone.value_or("")).value_or(*TimeZone::named(emlogDefaultZone)).describe();

    const CheckedTable* table = report.wordPress.find(settings.wordPressPrefix + "options");
    if (!table || !table->present)
        return;
    std::optional<std::string> timezoneString;
    std::optional<std::string> gmtOffset;
    if (readWordPressOption(run, "timezone_string", timezoneString) &&
        readWordPressOption(run, "gmt_offset", gmtOffset))
        report.wordPressTimeZone = wordPressZoneOf(timezoneString.value_or(""), gmtOffset.value_or("")).describe();
    else
        report.errors.push_back(run.wordPressTable("options") + ": " + run.wordPress.lastError());
}

} // namespace kestrel::check
