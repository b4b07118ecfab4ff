#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kestrel {

struct MigrationRun;
class Assignments;

// Every row copied from emlog carries its emlog id (in decimal) in one of
// WordPress's meta tables, so that a later run, the old-address redirects and
// the checks can find it again. These names are shared with the redirect
// plugin and with every blog already migrated: never change them.
struct OriginKey
{
    std::string_view metaTable;   // bare WordPress table: postmeta, commentmeta, termmeta, usermeta
    std::string_view ownerColumn; // the column of that table naming the row: post_id, comment_id, ...
    std::string_view key;         // meta_key
};

namespace origin {
inline constexpr OriginKey article{"postmeta", "post_id", "_emlog_gid"}; // articles and pages
inline constexpr OriginKey attachment{"postmeta", "post_id", "_emlog_aid"};
inline constexpr OriginKey comment{"commentmeta", "comment_id", "_emlog_cid"};
inline constexpr OriginKey category{"termmeta", "term_id", "_emlog_sid"};
inline constexpr OriginKey tag{"termmeta", "term_id", "_emlog_tid"};
inline constexpr OriginKey user{"usermeta", "user_id", "_emlog_uid"};
// The alias an article, page or category had in emlog's addresses.
inline constexpr std::string_view aliasKey = "_emlog_alias";
} // namespace origin

// Where a copied row sits in WordPress. For a term, `id` is its term_id and
// `taxonomyId` its term_taxonomy_id (what links name); otherwise both are its id.
struct Copy
{
    std::int64_t id = 0;
    std::int64_t taxonomyId = 0;
};
// The rows of one kind already in WordPress, by emlog id.
using Copies = std::unordered_map<std::int64_t, Copy>;

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

// The rows of one kind in WordPress that name an emlog row: asked of WordPress the first
// time (only meta whose owner still exists counts; meta left behind by a deleted row does
// not), then kept by the run as it writes more. Empty when WordPress cannot be asked.
Copies& copiesOf(MigrationRun& run, const OriginKey& key);

// The meta row that marks a copy: (owner, key, emlog id).
Assignments originMeta(MigrationRun& run, const OriginKey& key, std::int64_t wordPressId, std::int64_t emlogId);
// Another meta row of the same owner, such as an alias.
Assignments ownerMeta(MigrationRun& run, const OriginKey& key, std::int64_t wordPressId, std::string_view metaKey,
                      std::string_view value);
// A query whose count is non-zero once that meta row is in WordPress.
std::string originCheck(MigrationRun& run, const OriginKey& key, std::int64_t emlogId);

// The ids a query of WordPress gives (those a column holds, say); nothing when it cannot be asked.
std::optional<std::unordered_set<std::int64_t>> usedIds(MigrationRun& run, const std::string& query);

// The texts a query of WordPress gives (the slugs in use, say); nothing when it cannot be asked.
std::unordered_set<std::string> textsInUse(MigrationRun& run, const std::string& query);

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
