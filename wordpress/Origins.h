#pragma once

#include "OriginKeys.h"
#include "Query.h"

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
class RowValues;

// The emlog id a meta value names (see reads::copies(): the run and the check both ask that, so that they
// agree on what is already there): whole decimals only, as a run writes them.
std::optional<std::int64_t> originIdOf(std::string_view metaValue);

// The rows of one kind in WordPress that name an emlog row (only meta whose owner still exists
// counts; meta left behind by a deleted row does not); nothing when WordPress cannot be asked.
std::optional<Copies> readCopies(RunContext& run, const OriginKey& key);
// Tables that cannot undo a row take its origin first: a row an earlier run lost after that left
// the origin alone, naming a row that is not there. It goes, so that it can never name another row
// that later takes that id. False when the delete failed.
bool deleteOrphanedOrigins(RunContext& run, const OriginKey& key);

// The meta row that marks a copy: (owner, key, emlog id).
RowValues originMeta(const OriginKey& key, std::int64_t wordPressId, std::int64_t emlogId);
// Another meta row of the same owner, such as an alias.
RowValues ownerMeta(const OriginKey& key, std::int64_t wordPressId, std::string_view metaKey, std::string_view value);
// The ids a read of WordPress gives in its first column (those a column holds, say); nothing when it
// cannot be asked.
std::optional<std::unordered_set<std::int64_t>> usedIds(RunContext& run, const Query& query);

// The texts a read of WordPress gives in its first column (the slugs in use, say), in ASCII lower case;
// nothing when it cannot be asked.
std::optional<std::unordered_set<std::string>> textsInUse(RunContext& run, const Query& query);

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
