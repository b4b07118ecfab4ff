#include "Origins.h"

#include "Reconnect.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RunContext.h"
#include "TextHelpers.h"
#include "WordPressQueries.h"

#include <algorithm>

namespace kestrel {

namespace {

bool isDecimal(std::string_view text)
{
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::optional<std::int64_t> originIdOf(std::string_view metaValue)
{
    if (!isDecimal(metaValue))
        return std::nullopt;
    return std::stoll(std::string(metaValue));
}

bool deleteOrphanedOrigins(RunContext& run, const OriginKey& key)
{
    return changeWithReconnect(run, run.wordPress, changes::deleteOrphanedOrigins(run.wordPressPrefix, key));
}

std::optional<Copies> readCopies(RunContext& run, const OriginKey& key)
{
    ResultSet rows = readWithReconnect(run, run.wordPress, reads::copies(run.wordPressPrefix, key));
    if (!rows)
        return std::nullopt;
    Copies copies;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::string emlogId;
        Copy copy;
        readField(rows, 0, emlogId);
        readField(rows, 1, copy.id);
        readField(rows, 2, copy.taxonomyId);
        if (const auto id = originIdOf(emlogId))
            copies.add(*id, copy); // the first copy found stands; a second is not ours to judge
    }
    return copies;
}

RowValues originMeta(const OriginKey& key, std::int64_t wordPressId, std::int64_t emlogId)
{
    return ownerMeta(key, wordPressId, key.key, std::to_string(emlogId));
}

RowValues ownerMeta(const OriginKey& key, std::int64_t wordPressId, std::string_view metaKey, std::string_view value)
{
    RowValues meta;
    meta.add(key.ownerColumn, wordPressId).add("meta_key", metaKey).add("meta_value", value);
    return meta;
}

std::optional<std::unordered_set<std::int64_t>> usedIds(RunContext& run, const Query& query)
{
    ResultSet rows = readWithReconnect(run, run.wordPress, query);
    if (!rows)
        return std::nullopt;
    std::unordered_set<std::int64_t> ids;
    ids.reserve(rowCount(rows));
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::int64_t id = 0;
        readField(rows, 0, id);
        ids.insert(id);
    }
    return ids;
}

std::optional<std::unordered_set<std::string>> textsInUse(RunContext& run, const Query& query)
{
    ResultSet rows = readWithReconnect(run, run.wordPress, query);
    if (!rows)
        return std::nullopt;
    std::unordered_set<std::string> texts;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::string text;
        readField(rows, 0, text);
        texts.insert(asciiLower(text));
    }
    return texts;
}

std::int64_t FreeIds::take()
{
    if (m_alsoAbove) {
        keepAbove(m_alsoAbove());
        m_alsoAbove = nullptr;
    }
    return m_next++;
}

std::int64_t FreeIds::keepOrTake(std::int64_t wanted, const std::unordered_set<std::int64_t>& used)
{
    if (wanted > 0 && !used.count(wanted))
        return wanted;
    return take();
}

} // namespace kestrel
