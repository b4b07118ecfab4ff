#include "Options.h"

#include "PhpSerialized.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "TextHelpers.h"
#include "WordPressQueries.h"

#include <algorithm>

namespace kestrel {

bool readWordPressOption(RunContext& run, std::string_view name, std::optional<std::string>& value)
{
    ResultSet result = readWithReconnect(run, run.wordPress, reads::option(run.wordPressPrefix, name));
    if (!result)
        return false;
    value.reset();
    return rowCount(result) == 0 || readField(result, 0, value.emplace());
}

bool setWordPressOption(RunContext& run, std::string_view name, std::string_view value)
{
    return changeWithReconnect(run, run.wordPress, changes::setOption(run.wordPressPrefix, name, value));
}

std::optional<std::vector<std::int64_t>> unserializeIds(std::string_view serialized)
{
    // a:2:{i:0;i:12;i:1;i:40;}: keys and values alternate between the braces; a value
    // may also be a string of digits, s:2:"12";.
    std::vector<std::int64_t> ids;
    if (serialized.rfind("a:", 0) != 0 || serializedValueEnd(serialized, 0) != serialized.size())
        return std::nullopt;
    const auto open = serialized.find('{');
    const auto close = serialized.rfind('}');
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

OptionChange schedulePublishing(RunContext& run, const std::vector<std::pair<std::int64_t, std::int64_t>>& posts)
{
    if (posts.empty())
        return OptionChange::done;
    std::vector<CronEvent> events;
    for (const auto& [id, time] : posts)
        events.push_back({time, id});
    std::optional<std::string> cron;
    if (!readWordPressOption(run, "cron", cron))
        return OptionChange::unreadable;
    const std::optional<std::string> scheduled = addPublishingEvents(cron.value_or(""), events);
    if (!scheduled)
        return OptionChange::unparsable;
    return setWordPressOption(run, "cron", *scheduled) ? OptionChange::done : OptionChange::unwritten;
}

OptionChange addStickyPosts(RunContext& run, const std::vector<std::int64_t>& ids)
{
    if (ids.empty())
        return OptionChange::done;
    std::optional<std::string> option;
    if (!readWordPressOption(run, "sticky_posts", option))
        return OptionChange::unreadable;
    std::optional<std::vector<std::int64_t>> sticky =
        option && !option->empty() ? unserializeIds(*option) : std::vector<std::int64_t>{};
    if (!sticky)
        return OptionChange::unparsable;
    for (const std::int64_t id : ids) {
        if (std::find(sticky->begin(), sticky->end(), id) == sticky->end())
            sticky->push_back(id);
    }
    return setWordPressOption(run, "sticky_posts", serializeIds(*sticky)) ? OptionChange::done
                                                                          : OptionChange::unwritten;
}

} // namespace kestrel
