#pragma once

#include "OriginKeys.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kestrel {

struct RunContext;
class Assignments;

// Where the copies of one kind are: a select of each copy's meta value (the emlog id as stored),
// the copy's id and, for a term, its term_taxonomy_id. Only meta whose owner still exists counts
// (meta left behind by a deleted row does not), and a term only in the taxonomy of its kind. The
// run and the check both ask this, so that they agree on what is already there.
std::string copiesQuery(const OriginKey& key, std::string_view wordPressPrefix);
// The emlog id a meta value names: whole decimals only, as a run writes them.
std::optional<std::int64_t> originIdOf(std::string_view metaValue);
// Links carry no meta: one is there when WordPress has a link with the same address and name.
// This selects link_id, link_url and link_name of every link.
std::string linksQuery(std::string_view wordPressPrefix);

// The rows of one kind in WordPress that name an emlog row (only meta whose owner still exists
// counts; meta left behind by a deleted row does not); nothing when WordPress cannot be asked.
std::optional<Copies> readCopies(RunContext& run, const OriginKey& key);
// Tables that cannot undo a row take its origin first: a row an earlier run lost after that left
// the origin alone, naming a row that is not there. It goes, so that it can never name another row
// that later takes that id. False when the delete failed.
bool deleteOrphanedOrigins(RunContext& run, const OriginKey& key);

// The meta row that marks a copy: (owner, key, emlog id).
Assignments originMeta(RunContext& run, const OriginKey& key, std::int64_t wordPressId, std::int64_t emlogId);
// Another meta row of the same owner, such as an alias.
Assignments ownerMeta(RunContext& run, const OriginKey& key, std::int64_t wordPressId, std::string_view metaKey,
                      std::string_view value);
// A query whose count is non-zero once that meta row is in WordPress.
std::string originCheck(RunContext& run, const OriginKey& key, std::int64_t emlogId);

// The ids a query of WordPress gives (those a column holds, say); nothing when it cannot be asked.
std::optional<std::unordered_set<std::int64_t>> usedIds(RunContext& run, const std::string& query);

// The texts a query of WordPress gives (the slugs in use, say), in ASCII lower case; nothing when
// it cannot be asked.
std::optional<std::unordered_set<std::string>> textsInUse(RunContext& run, const std::string& query);

// Ids for rows that cannot keep their emlog id: counted up from above every id
// already in use and every emlog id still to come, so that a displaced row never
// takes the id of one written after it.
class FreeIds
{
public:
    // Above `above`, and above what `alsoAbove` gives: asked only when an id is first taken,
    // since a run into an empty WordPress never needs it.
    explicit FreeIds(std::int64_t above = 0, std::function<std::int64_t()> alsoAbove = {})
        : m_next(above + 1), m_alsoAbove(std::move(alsoAbove))
    {
    }
    void keepAbove(std::int64_t id) { m_next = std::max(m_next, id + 1); }
    std::int64_t take();
    // `wanted` when it is free, else the next free id.
    std::int64_t keepOrTake(std::int64_t wanted, const std::unordered_set<std::int64_t>& used);

private:
    std::int64_t m_next;
    std::function<std::int64_t()> m_alsoAbove;
};

} // namespace kestrel
