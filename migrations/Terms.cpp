#include "Terms.h"

#include "MigrationRun.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "TableQueries.h"
#include "WordPressQueries.h"

#include <algorithm>

namespace kestrel {

std::optional<Change> recountChange(RunContext& run, const std::vector<std::int64_t>& termTaxonomyIds)
{
    if (termTaxonomyIds.empty())
        return std::nullopt;
    return changes::recountTerms(run.wordPressPrefix, termTaxonomyIds);
}

void recounted(RunContext& run, std::string_view migration, ChangeAhead& recount)
{
    if (!recount.result())
        recordFailure(run, migration, run.wordPressTable("term_taxonomy"), "");
}

void recountTerms(RunContext& run, std::string_view migration, const std::vector<std::int64_t>& termTaxonomyIds)
{
    // Sent as a batch is: after the last batch of rows the session then needs no switch of its own.
    ChangeAhead recount(run, run.wordPress, recountChange(run, termTaxonomyIds));
    recount.send();
    recounted(run, migration, recount);
}

Query largestIdQuery(RunContext& run, std::string_view bareTable, std::string_view idColumn)
{
    return largestValue(run.wordPressTable(bareTable), idColumn);
}

std::optional<std::int64_t> largestId(RunContext& run, std::string_view bareTable, std::string_view idColumn)
{
    return readNumber(run, run.wordPress, largestIdQuery(run, bareTable, idColumn));
}

std::int64_t largestEmlogId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn)
{
    // Only a limit for ids taken anew: an id above every emlog row keeps a displaced row from taking
    // the id of one still to come. Unread, the ids still differ from all WordPress has; a later row
    // that wants a taken one is then displaced too.
    return run.source->largestId(bareTable, idColumn).value_or(0);
}

std::optional<TermIds> termIdsInUse(MigrationRun& run, std::string_view migration,
                                    std::function<std::int64_t()> largestEmlogId)
{
    if (!run.state.readTermIds(run, migration))
        return std::nullopt;
    std::int64_t largest = 0;
    for (const std::int64_t id : run.state.termIds())
        largest = std::max(largest, id);
    return TermIds{run.state.termIds(), FreeIds(largest, std::move(largestEmlogId))};
}

RowWrite termWrite(const OriginKey& key, const NewTerm& newTerm)
{
    RowWrite write;
    write.sourceId = std::string(key.key == origin::category.key ? "sid=" : "tid=") + std::to_string(newTerm.emlogId);
    RowValues term;
    term.add("term_id", newTerm.id).add("name", newTerm.name).add("slug", newTerm.slug);
    RowValues termTaxonomy;
    termTaxonomy.add("term_taxonomy_id", newTerm.id)
        .add("term_id", newTerm.id)
        .add("taxonomy", newTerm.taxonomy)
        .add("description", newTerm.description)
        .add("parent", newTerm.parent)
        .add("count", 0);
    write.rows.push_back({"terms", std::move(term)});
    write.rows.push_back({"term_taxonomy", std::move(termTaxonomy)});
    write.rows.push_back({"termmeta", originMeta(key, newTerm.id, newTerm.emlogId), true});
    write.copied = RowWrite::Copied{&key, newTerm.emlogId, {newTerm.id, newTerm.id}};
    return write;
}

Query termSlugsQuery(RunContext& run, std::string_view taxonomy)
{
    return reads::termSlugs(run.wordPressPrefix, taxonomy);
}

std::optional<TakenSlugs> termSlugs(RunContext& run, std::string_view migration, std::string_view taxonomy)
{
    auto slugs = textsInUse(run, termSlugsQuery(run, taxonomy));
    if (!slugs) {
        unreadableWordPress(run, migration, "terms", std::string(taxonomy) + " slugs");
        return std::nullopt;
    }
    return TakenSlugs(std::move(*slugs));
}

TableRow termLink(std::int64_t postId, std::int64_t termTaxonomyId)
{
    RowValues link;
    link.add("object_id", postId).add("term_taxonomy_id", termTaxonomyId);
    return {"term_relationships", std::move(link)};
}

} // namespace kestrel
