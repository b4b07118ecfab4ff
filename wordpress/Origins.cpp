#include "Origins.h"

#include "Assignments.h"
#include "BlogConnection.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "TextHelpers.h"

#include <algorithm>

namespace kestrel {

namespace {

// The table a meta table belongs to, and its id column.
struct Owner
{
    std::string_view table;
    std::string_view idColumn;
};

Owner ownerOf(const OriginKey& key)
{
    if (key.metaTable == "commentmeta")
        return {"comments", "comment_ID"};
    if (key.metaTable == "termmeta")
        return {"term_taxonomy", "term_id"};
    if (key.metaTable == "usermeta")
        return {"users", "ID"};
    return {"posts", "ID"};
}

bool isDecimal(std::string_view text)
{
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

namespace {

// Meta of one origin key joined to its owner; `what` is the select list.
std::string fromOwnedMeta(const OriginKey& key, std::string_view wordPressPrefix, const std::string& what)
{
    const Owner owner = ownerOf(key);
    const std::string meta = std::string(wordPressPrefix) + std::string(key.metaTable);
    const std::string owners = std::string(wordPressPrefix) + std::string(owner.table);
    const bool isTerm = key.metaTable == "termmeta";
    const std::string taxonomy = key.key == origin::category.key ? "category"
                                 : key.key == origin::menu.key   ? "nav_menu"
                                                                 : "post_tag";
    return "SELECT " + what + " FROM " + meta + " m JOIN " + owners + " o ON o." + std::string(owner.idColumn) + "=m." +
           std::string(key.ownerColumn) + (isTerm ? " AND o.taxonomy='" + taxonomy + "'" : "") + " WHERE m.meta_key='" +
           std::string(key.key) + "'";
}

} // namespace

std::string copiesQuery(const OriginKey& key, std::string_view wordPressPrefix)
{
    // A term's meta names its term; links name its term_taxonomy row of the right taxonomy.
    const std::string taxonomyId =
        key.metaTable == "termmeta" ? "o.term_taxonomy_id" : "o." + std::string(ownerOf(key).idColumn);
    return fromOwnedMeta(key, wordPressPrefix, "m.meta_value, m." + std::string(key.ownerColumn) + ", " + taxonomyId);
}

std::optional<std::int64_t> originIdOf(std::string_view metaValue)
{
    if (!isDecimal(metaValue))
        return std::nullopt;
    return std::stoll(std::string(metaValue));
}

std::string linksQuery(std::string_view wordPressPrefix)
{
    return "SELECT link_id, link_url, link_name FROM " + std::string(wordPressPrefix) + "links";
}

bool deleteOrphanedOrigins(RunContext& run, const OriginKey& key)
{
    const Owner owner = ownerOf(key);
    return executeWithReconnect(run, run.wordPress,
                                "DELETE m FROM " + run.wordPressTable(key.metaTable) + " m LEFT JOIN " +
                                    run.wordPressTable(owner.table) + " o ON o." + std::string(owner.idColumn) + "=m." +
                                    std::string(key.ownerColumn) + " WHERE m.meta_key='" + std::string(key.key) +
                                    "' AND o." + std::string(owner.idColumn) + " IS NULL");
}

std::optional<Copies> readCopies(RunContext& run, const OriginKey& key)
{
    ResultSet rows = selectWithReconnect(run, run.wordPress, copiesQuery(key, run.wordPressPrefix));
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

Assignments originMeta(RunContext& run, const OriginKey& key, std::int64_t wordPressId, std::int64_t emlogId)
{
    return ownerMeta(run, key, wordPressId, key.key, std::to_string(emlogId));
}

Assignments ownerMeta(RunContext& run, const OriginKey& key, std::int64_t wordPressId, std::string_view metaKey,
                      std::string_view value)
{
    Assignments meta(run.wordPress);
    meta.add(key.ownerColumn, wordPressId).add("meta_key", metaKey).add("meta_value", value);
    return meta;
}

std::string originCheck(RunContext& run, const OriginKey& key, std::int64_t emlogId)
{
    // The meta alone is not enough: where the tables cannot undo a row, it goes before its owner.
    return fromOwnedMeta(key, run.wordPressPrefix, "COUNT(*)") + " AND m.meta_value='" + std::to_string(emlogId) + "'";
}

std::optional<std::unordered_set<std::int64_t>> usedIds(RunContext& run, const std::string& query)
{
    ResultSet rows = selectWithReconnect(run, run.wordPress, query);
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

std::optional<std::unordered_set<std::string>> textsInUse(RunContext& run, const std::string& query)
{
    ResultSet rows = selectWithReconnect(run, run.wordPress, query);
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
