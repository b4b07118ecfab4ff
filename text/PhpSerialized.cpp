#include "PhpSerialized.h"

#include "PhpValue.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>
#include <charconv>

namespace kestrel {

namespace {

constexpr std::string_view hook = "publish_future_post";

bool expect(std::string_view text, std::size_t& position, std::string_view what)
{
    if (position > text.size() || text.substr(position, what.size()) != what)
        return false;
    position += what.size();
    return true;
}

// Whether an entry of the cron comes after events of `time`: a later time, or what is not a time (the
// version, which WordPress keeps last). A time that is not a number comes after none.
bool comesAfter(std::string_view key, std::int64_t time)
{
    std::int64_t keyTime = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), keyTime);
    if (error == std::errc::result_out_of_range)
        return false;
    if (error != std::errc() || end != key.data() + key.size())
        return true;
    return keyTime > time;
}

} // namespace

std::optional<std::size_t> serializedNumber(std::string_view text, std::size_t& position)
{
    if (position > text.size())
        return std::nullopt;
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + position, text.data() + text.size(), value);
    if (error != std::errc())
        return std::nullopt;
    position = static_cast<std::size_t>(end - text.data());
    return value;
}

std::string serializedString(std::string_view value)
{
    return "s:" + std::to_string(value.size()) + ":\"" + std::string(value) + "\";";
}

std::optional<std::size_t> serializedValueEnd(std::string_view text, std::size_t position, SerializedProblem* problem,
                                              std::size_t depth)
{
    const auto malformed = [problem]() -> std::optional<std::size_t> {
        if (problem)
            *problem = SerializedProblem::Malformed;
        return std::nullopt;
    };
    if (position >= text.size() || text.size() - position < 2)
        return malformed();
    const char type = text[position];
    if (type == 'N')
        return text[position + 1] == ';' ? std::optional<std::size_t>(position + 2) : malformed();
    if (text[position + 1] != ':')
        return malformed();
    position += 2;
    switch (type) {
    case 'i':
    case 'd':
    case 'b': {
        const auto end = text.find(';', position);
        return end == std::string_view::npos ? malformed() : std::optional<std::size_t>(end + 1);
    }
    case 's': {
        const auto length = serializedNumber(text, position);
        // Compared as what is left, so that no length, however large, wraps around.
        if (!length || !expect(text, position, ":\"") || text.size() - position < 2 ||
            *length > text.size() - position - 2)
            return malformed();
        position += *length;
        return expect(text, position, "\";") ? std::optional<std::size_t>(position) : malformed();
    }
    case 'a':
    case 'O': {
        if (type == 'O') {
            const auto length = serializedNumber(text, position);
            if (!length || !expect(text, position, ":\"") || *length > text.size() - position)
                return malformed();
            position += *length;
            if (!expect(text, position, "\":"))
                return malformed();
        }
        if (depth >= deepestSerialized) {
            if (problem)
                *problem = SerializedProblem::TooDeep;
            return std::nullopt;
        }
        const auto count = serializedNumber(text, position);
        if (!count || !expect(text, position, ":{"))
            return malformed();
        // Each entry takes four bytes at least: a larger count fails at the text's end.
        for (std::size_t i = 0; i < *count; ++i) {
            for (int half = 0; half < 2; ++half) {
                const auto end = serializedValueEnd(text, position, problem, depth + 1);
                if (!end)
                    return std::nullopt;
                position = *end;
            }
        }
        return expect(text, position, "}") ? std::optional<std::size_t>(position) : malformed();
    }
    default:
        return malformed();
    }
}

std::optional<std::string> addPublishingEvents(std::string_view cron, const std::vector<CronEvent>& events)
{
    std::optional<PhpValue> times = PhpValue::parse(cron.empty() ? "a:1:{s:7:\"version\";i:2;}" : cron);
    if (!times || !times->isArray())
        return std::nullopt;
    std::vector<CronEvent> sorted(events);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CronEvent& a, const CronEvent& b) { return a.timestamp < b.timestamp; });
    // Times new to the cron, each to go before the entry of the cron at `before` (after the last: its end).
    struct Added
    {
        std::size_t before;
        std::string key;
        PhpValue hooks;
    };
    std::vector<Added> added;
    const auto& entries = times->entries();
    std::size_t before = 0;
    for (const CronEvent& event : sorted) {
        const std::string key = std::to_string(event.timestamp);
        PhpValue* hooks = times->find(key);
        if (!hooks && !added.empty() && added.back().key == key)
            hooks = &added.back().hooks;
        if (!hooks) {
            while (before < entries.size() && !comesAfter(entries[before].first, event.timestamp))
                ++before;
            hooks = &added.emplace_back(Added{before, key, PhpValue::array()}).hooks;
        }
        // A time, or its hook, that holds no array is not the site's events as WordPress keeps them: left as it is.
        const PhpValue* there = hooks->find(hook);
        if (!hooks->isArray() || (there && !there->isArray()))
            continue;
        const std::string arguments = "a:1:{i:0;i:" + std::to_string(event.postId) + ";}";
        const std::string md5 = QCryptographicHash::hash(QByteArray::fromStdString(arguments), QCryptographicHash::Md5)
                                    .toHex()
                                    .toStdString();
        PhpValue& scheduled = hooks->at(hook);
        if (!scheduled.find(md5))
            scheduled.at(md5) = *PhpValue::parse("a:2:{s:8:\"schedule\";b:0;s:4:\"args\";" + arguments + "}");
    }
    PhpValue joined = PhpValue::array();
    std::size_t next = 0;
    for (std::size_t i = 0; i <= entries.size(); ++i) {
        for (; next < added.size() && added[next].before == i; ++next)
            joined.at(added[next].key) = std::move(added[next].hooks);
        if (i < entries.size())
            joined.at(entries[i].first) = entries[i].second;
    }
    return joined.serialized();
}

} // namespace kestrel
