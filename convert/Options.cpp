#include "Options.h"

#include "BackupRows.h"
#include "BlogConnection.h"
#include "MigrationRun.h"
#include "PhpSerialized.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "TextHelpers.h"

#include <algorithm>

namespace kestrel {

std::optional<std::string> wordPressOption(MigrationRun& run, std::string_view name)
{
    ResultSet result = selectWithReconnect(run, run.wordPress,
                                           "SELECT option_value FROM " + run.wordPressTable("options") +
                                               " WHERE option_name=" + quotedLiteral(run.wordPress, name));
    if (!result)
        return std::nullopt;
    std::string value;
    if (rowCount(result) == 0 || !readField(result, 0, value))
        return std::nullopt;
    return value;
}

bool setWordPressOption(MigrationRun& run, std::string_view name, std::string_view value)
{
    const std::string table = run.wordPressTable("options");
    const std::string quotedName = quotedLiteral(run.wordPress, name);
    const std::string quotedValue = quotedLiteral(run.wordPress, value);
    return executeWithReconnect(run, run.wordPress,
                                "INSERT INTO " + table + " (option_name, option_value, autoload) VALUES (" +
                                    quotedName + "," + quotedValue +
                                    ",'yes') ON DUPLICATE KEY UPDATE option_value=" + quotedValue);
}

namespace {

bool postExists(MigrationRun& run, std::int64_t id)
{
    // When in doubt, leave the option alone.
    return selectNumber(run, run.wordPress,
                        "SELECT COUNT(*) FROM " + run.wordPressTable("posts") + " WHERE ID=" + std::to_string(id))
               .value_or(1) > 0;
}

} // namespace

std::vector<std::int64_t> unserializeIds(std::string_view serialized)
{
    // a:2:{i:0;i:12;i:1;i:40;}: keys and values alternate between the braces; a value
    // may also be a string of digits, s:2:"12";.
    std::vector<std::int64_t> ids;
    const auto open = serialized.find('{');
    const auto close = serialized.rfind('}');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return ids;
    std::size_t index = 0;
    for (const std::string& token : splitText(serialized.substr(open + 1, close - open - 1), ';')) {
        if (index++ % 2 == 0)
            continue;
        std::string_view value = token;
        if (value.rfind("i:", 0) == 0)
            value.remove_prefix(2);
        else if (value.rfind("s:", 0) == 0 && value.find('"') != std::string_view::npos)
            value = value.substr(value.find('"') + 1, value.size() - value.find('"') - 2);
        else
            continue;
        if (!value.empty() && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
            value.size() <= 18)
            ids.push_back(std::stoll(std::string(value)));
    }
    return ids;
}

std::string serializeIds(const std::vector<std::int64_t>& ids)
{
    std::string text = "a:" + std::to_string(ids.size()) + ":{";
    for (std::size_t i = 0; i < ids.size(); ++i)
        text += "i:" + std::to_string(i) + ";i:" + std::to_string(ids[i]) + ";";
    return text + "}";
}

bool schedulePublishing(MigrationRun& run, const std::vector<std::pair<std::int64_t, std::int64_t>>& posts)
{
    if (posts.empty())
        return true;
    std::vector<CronEvent> events;
    for (const auto& [id, time] : posts)
        events.push_back({time, id});
    return setWordPressOption(run, "cron", addPublishingEvents(wordPressOption(run, "cron").value_or(""), events));
}

bool addStickyPosts(MigrationRun& run, const std::vector<std::int64_t>& ids)
{
    if (ids.empty())
        return true;
    std::vector<std::int64_t> sticky = unserializeIds(wordPressOption(run, "sticky_posts").value_or(""));
    for (const std::int64_t id : ids) {
        if (std::find(sticky.begin(), sticky.end(), id) == sticky.end())
            sticky.push_back(id);
    }
    return setWordPressOption(run, "sticky_posts", serializeIds(sticky));
}

bool resetOptionsNamingDeletedPosts(MigrationRun& run)
{
    bool ok = setWordPressOption(run, "sticky_posts", serializeIds({}));
    bool frontPageGone = false;
    for (const std::string_view name : {"page_on_front", "page_for_posts"}) {
        const std::optional<std::string> value = wordPressOption(run, name);
        const std::int64_t id = value ? leadingInteger(*value) : 0;
        if (id != 0 && !postExists(run, id)) {
            ok = setWordPressOption(run, name, "0") && ok;
            frontPageGone = frontPageGone || name == "page_on_front";
        }
    }
    if (frontPageGone && wordPressOption(run, "show_on_front").value_or("") == "page")
        ok = setWordPressOption(run, "show_on_front", "posts") && ok;
    return ok;
}

std::string emlogBlogUrl(MigrationRun& run)
{
    std::string address;
    if (run.emlogBackup) {
        address = backupOption(run, "blogurl").value_or("");
    } else {
        ResultSet result = selectWithReconnect(
            run, run.emlog, "SELECT option_value FROM " + run.emlogTable("options") + " WHERE option_name='blogurl'");
        if (!result || rowCount(result) == 0 || !readField(result, 0, address))
            return {};
    }
    while (!address.empty() && (address.back() == '/' || address.back() == ' '))
        address.pop_back();
    return address;
}

} // namespace kestrel
