#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrel {

struct MigrationRun;

// Sets each term's count to what WordPress's own recount gives: the published
// posts linked to it. WordPress hides a category whose count is 0, and counts
// no drafts and no articles that are not there.
void recountTerms(MigrationRun& run, std::string_view migration, const std::vector<std::int64_t>& termTaxonomyIds);

// The largest value of a column of a WordPress table (0 for an empty table), or
// nothing when the table cannot be read. On an indexed column the server
// answers from the index without reading the table.
std::optional<std::int64_t> largestId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn);

// The id for the next row of a WordPress table: one more than the larger of
// its row count and its largest id, 0 when the table cannot be read. The ids
// of a primary key are distinct and positive, so the largest is never below
// the count: asking for the largest is enough, and costs no table scan.
std::int64_t nextFreeId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn);

} // namespace kestrel
