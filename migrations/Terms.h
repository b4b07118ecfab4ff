#pragma once

#include "Origins.h"
#include "RowWriter.h"
#include "Slugs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kestrel {

struct MigrationRun;
struct RunContext;
class ChangeAhead;

// Sets each term's count to what WordPress's own recount gives: the published
// posts linked to it. WordPress hides a category whose count is 0, and counts
// no drafts, no pages and no articles that are not there.
void recountTerms(RunContext& run, std::string_view migration, const std::vector<std::int64_t>& termTaxonomyIds);
// The same as a statement, to go ahead (empty when there are none); `recounted` reads its outcome and
// records a failure under `migration`.
std::optional<Change> recountChange(RunContext& run, const std::vector<std::int64_t>& termTaxonomyIds);
void recounted(RunContext& run, std::string_view migration, ChangeAhead& recount);

// The largest value of a column of a WordPress table (0 for an empty table), or
// nothing when the table cannot be read. On an indexed column the server
// answers from the index without reading the table.
std::optional<std::int64_t> largestId(RunContext& run, std::string_view bareTable, std::string_view idColumn);
Query largestIdQuery(RunContext& run, std::string_view bareTable, std::string_view idColumn);
// The same for a column of an emlog table; 0 when it cannot be read.
std::int64_t largestEmlogId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn);

// The term ids WordPress already uses: term ids, term-taxonomy ids, and the
// term-taxonomy ids that links name (a term taking one would inherit its posts).
// Asked once per run; the ids a migration takes are added to what the run knows. Nothing when
// they cannot be read (recorded under `migration`).
struct TermIds
{
    std::unordered_set<std::int64_t>& used;
    FreeIds free;
};
std::optional<TermIds> termIdsInUse(MigrationRun& run, std::string_view migration,
                                    std::function<std::int64_t()> largestEmlogId = {});

// A new term with the same number as term id and term-taxonomy id, and the meta
// that names its emlog row.
struct NewTerm
{
    std::int64_t emlogId = 0;
    std::int64_t id = 0;
    std::string_view taxonomy;
    std::string_view name;
    std::string_view slug;
    std::string_view description;
    std::int64_t parent = 0;
};
RowWrite termWrite(const OriginKey& key, const NewTerm& term);

// The slugs the terms of a taxonomy already have: a new term's must differ. Nothing when they
// cannot be read (recorded under `migration`).
std::optional<TakenSlugs> termSlugs(RunContext& run, std::string_view migration, std::string_view taxonomy);
// The select termSlugs() asks, to read it ahead.
Query termSlugsQuery(RunContext& run, std::string_view taxonomy);

// A link between a post and a term.
TableRow termLink(std::int64_t postId, std::int64_t termTaxonomyId);

} // namespace kestrel
