#include "Terms.h"

#include "BlogConnection.h"
#include "MigrationRun.h"
#include "ResultSet.h"

namespace kestrel {

void recountTerms(MigrationRun& run, std::string_view migration, const std::vector<std::int64_t>& termTaxonomyIds)
{
    if (termTaxonomyIds.empty() || run.stopRequested())
        return;
    std::string ids;
    for (const std::int64_t id : termTaxonomyIds)
        ids += (ids.empty() ? "'" : ",'") + std::to_string(id) + "'";
    const std::string termTaxonomy = run.wordPressTable("term_taxonomy");
    const std::string statement =
        "update " + termTaxonomy + " set count=(select count(*) from " + run.wordPressTable("term_relationships") +
        " r join " + run.wordPressTable("posts") + " p on p.ID=r.object_id where r.term_taxonomy_id=" + termTaxonomy +
        ".term_taxonomy_id and p.post_status='publish' and p.post_type='post') where term_taxonomy_id in (" + ids + ")";
    if (!executeSql(run.wordPress, statement))
        recordFailure(run, migration, termTaxonomy, "");
}

std::optional<std::int64_t> largestId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn)
{
    if (!executeSql(run.wordPress, "Select max(" + std::string(idColumn) + ") From " + run.wordPressTable(bareTable)))
        return std::nullopt;
    ResultSet result = storeResult(run.wordPress);
    std::int64_t largest = 0;
    if (!readField(result, 0, largest))
        return std::nullopt;
    return largest;
}

std::int64_t nextFreeId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn)
{
    const auto largest = largestId(run, bareTable, idColumn);
    return largest ? *largest + 1 : 0;
}

} // namespace kestrel
