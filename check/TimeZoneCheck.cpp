#include "BlogConnection.h"
#include "CheckQueries.h"
#include "TimeZones.h"

namespace kestrel::check {

namespace {

std::string optionOf(BlogConnection& connection, const std::string& table, const std::string& name,
                     std::vector<std::string>& errors)
{
    const Rows rows = selectRows(
        connection, "SELECT option_value FROM " + table + " WHERE option_name=" + quotedLiteral(connection, name),
        errors);
    return rows.empty() || rows[0].empty() ? std::string() : rows[0][0];
}

} // namespace

void checkTimeZones(const EmlogRows& emlogRows, BlogConnection& wordPress, const CheckSettings& settings,
                    BlogCheckReport& report)
{
    const std::string emlogOptions = settings.emlogPrefix + "options";
    std::string emlogZone;
    if (const CheckedTable* table = report.emlog.find(emlogOptions); table && table->present) {
        for (const auto& row : emlogRows(emlogOptions, {"option_name", "option_value"})) {
            if (row.size() == 2 && row[0] == "timezone")
                emlogZone = row[1];
        }
    }
    report.emlogTimeZone = TimeZone::fromOption(emlogZone).value_or(*TimeZone::named(emlogDefaultZone)).describe();

    const std::string wordPressOptions = settings.wordPressPrefix + "options";
    if (const CheckedTable* table = report.wordPress.find(wordPressOptions); table && table->present)
        report.wordPressTimeZone =
            wordPressZoneOf(optionOf(wordPress, wordPressOptions, "timezone_string", report.errors),
                            optionOf(wordPress, wordPressOptions, "gmt_offset", report.errors))
                .describe();
}

} // namespace kestrel::check
