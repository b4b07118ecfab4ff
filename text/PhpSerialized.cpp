#include "PhpSerialized.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>
#include <charconv>
#include <limits>
#include <unordered_map>

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

// a:N:{...} (or an object's O:len:"class":N:{...}): where its entries lie.
struct SerializedArray
{
    std::size_t countStart = 0, countEnd = 0; // the digits of N
    std::size_t close = 0;                    // the closing "}"
    struct Entry
    {
        std::string_view key;
        std::size_t start = 0, valueStart = 0, end = 0;
    };
    std::vector<Entry> entries;
};

std::optional<SerializedArray> readArray(std::string_view text, std::size_t position)
{
    SerializedArray array;
    if (!expect(text, position, "a:"))
        return std::nullopt;
    array.countStart = position;
    const auto count = serializedNumber(text, position);
    array.countEnd = position;
    if (!count || *count > mostSerializedValues || !expect(text, position, ":{"))
        return std::nullopt;
    for (std::size_t i = 0; i < *count; ++i) {
        const auto keyEnd = serializedValueEnd(text, position);
        if (!keyEnd)
            return std::nullopt;
        const auto valueEnd = serializedValueEnd(text, *keyEnd);
        if (!valueEnd)
            return std::nullopt;
        array.entries.push_back({text.substr(position, *keyEnd - position), position, *keyEnd, *valueEnd});
        position = *valueEnd;
    }
    if (position >= text.size() || text[position] != '}')
        return std::nullopt;
    array.close = position;
    return array;
}

// The array at `position` with one more entry at `at` (its close, or the start of an entry).
std::string withEntry(std::string text, const SerializedArray& array, std::size_t at, const std::string& entry)
{
    text.insert(at, entry);
    const std::string count = std::to_string(array.entries.size() + 1);
    text.replace(array.countStart, array.countEnd - array.countStart, count);
    return text;
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
    std::string text(cron);
    if (text.empty())
        text = "a:1:{s:7:\"version\";i:2;}";
    else if (serializedValueEnd(text, 0) != text.size())
        return std::nullopt;
    // The cron is parsed once: its times stay as they were, each one's text changed only when an
    // article is scheduled at it, and the new times are put in as the pieces are joined again.
    const std::optional<SerializedArray> top = readArray(text, 0);
    if (!top)
        return std::nullopt;
    std::vector<std::string> values; // each time's value, as it was or with articles added
    std::unordered_map<std::string_view, std::size_t> byKey;
    std::vector<std::int64_t> laterThan; // each entry is later than these times; the version than all
    for (std::size_t i = 0; i < top->entries.size(); ++i) {
        const SerializedArray::Entry& entry = top->entries[i];
        values.emplace_back(text.substr(entry.valueStart, entry.end - entry.valueStart));
        byKey.emplace(entry.key, i);
        std::size_t position = 2;
        const bool numbered = entry.key.rfind("i:", 0) == 0;
        const auto time = numbered ? serializedNumber(entry.key, position) : std::nullopt;
        laterThan.push_back(!numbered ? std::numeric_limits<std::int64_t>::max()
                            : time    ? static_cast<std::int64_t>(*time) - 1
                                      : std::numeric_limits<std::int64_t>::min());
    }

    std::vector<CronEvent> sorted(events);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CronEvent& a, const CronEvent& b) { return a.timestamp < b.timestamp; });
    // New times, each before the entry at its index (the close for the last): the first later
    // time, or the version, which WordPress keeps last.
    struct Added
    {
        std::size_t before;
        std::string key, value;
    };
    std::vector<Added> added;
    std::unordered_map<std::int64_t, std::size_t> addedAt; // a new time's place in `added`
    std::size_t before = 0;
    for (const CronEvent& event : sorted) {
        const std::string arguments = "a:1:{i:0;i:" + std::to_string(event.postId) + ";}";
        const QByteArray md5 =
            QCryptographicHash::hash(QByteArray::fromStdString(arguments), QCryptographicHash::Md5).toHex();
        const std::string key = serializedString(md5.toStdString());
        const std::string scheduled = key + "a:2:{s:8:\"schedule\";b:0;s:4:\"args\";" + arguments + "}";
        const std::string hookEntry = serializedString(hook) + "a:1:{" + scheduled + "}";
        const std::string timeKey = "i:" + std::to_string(event.timestamp) + ";";

        std::string* value = nullptr;
        if (const auto same = byKey.find(timeKey); same != byKey.end()) {
            value = &values[same->second];
        } else if (const auto again = addedAt.find(event.timestamp); again != addedAt.end()) {
            value = &added[again->second].value;
        } else {
            while (before < laterThan.size() && laterThan[before] < event.timestamp)
                ++before;
            addedAt.emplace(event.timestamp, added.size());
            added.push_back({before, timeKey, "a:1:{" + hookEntry + "}"});
            continue;
        }
        const auto hooks = readArray(*value, 0);
        if (!hooks)
            continue;
        const auto existing = std::find_if(hooks->entries.begin(), hooks->entries.end(),
                                           [&](const auto& entry) { return entry.key == serializedString(hook); });
        if (existing == hooks->entries.end()) {
            *value = withEntry(*value, *hooks, hooks->close, hookEntry);
            continue;
        }
        const auto scheduledThere = readArray(*value, existing->valueStart);
        if (!scheduledThere || std::any_of(scheduledThere->entries.begin(), scheduledThere->entries.end(),
                                           [&](const auto& entry) { return entry.key == key; }))
            continue;
        *value = withEntry(*value, *scheduledThere, scheduledThere->close, scheduled);
    }

    std::string joined = "a:" + std::to_string(top->entries.size() + added.size()) + ":{";
    std::size_t next = 0;
    for (std::size_t i = 0; i <= top->entries.size(); ++i) {
        for (; next < added.size() && added[next].before == i; ++next)
            joined += added[next].key + added[next].value;
        if (i < top->entries.size())
            joined += std::string(top->entries[i].key) + values[i];
    }
    joined += "}";
    return joined;
}

} // namespace kestrel
