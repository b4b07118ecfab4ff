#include "HtmlText.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "ResultSet.h"
#include "RowWriter.h"
#include "Slugs.h"
#include "Terms.h"
#include "WordPressQueries.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kestrel {

namespace {

struct Category
{
    std::int64_t sid = 0;
    std::int64_t parent = 0; // emlog 5 and later keep a category's parent; older tables have none
    std::string name;
    std::string alias;
    std::string description;
};

} // namespace

void migrateCategories(MigrationRun& run)
{
    constexpr std::string_view migration = idOf(Kind::categories);
    readAheadOfMigration(run, {&origin::category, &origin::article},
                         {reads::termIds(run.wordPressPrefix), termSlugsQuery(run, "category")},
                         {{EmlogRead::What::ParentOrder, "sort", {"pid"}}});
    if (!readCopies(run, migration, {&origin::category, &origin::article}))
        return;
    const Copies& copies = run.state.copies(origin::category);
    // A category new to WordPress takes the articles earlier runs copied; an article new
    // in this run brings its own link.
    const Copies& articles = run.state.copies(origin::article);
    std::unordered_multimap<std::int64_t, std::int64_t> articlesBySort;
    if (!articles.empty()) {
        const std::optional<EmlogValues> sorts = run.source->columns("blog", "gid", "sortid");
        if (!sorts) {
            unreadableEmlog(run, migration, "blog");
            return;
        }
        for (const auto& [gid, sortid] : *sorts)
            articlesBySort.emplace(leadingInteger(sortid), gid);
    }
    std::optional<TermIds> termIds =
        termIdsInUse(run, migration, [&run] { return largestEmlogId(run, "sort", "sid"); });
    std::optional<TakenSlugs> slugsInUse = termSlugs(run, migration, "category");
    if (!termIds || !slugsInUse)
        return;
    TermIds& ids = *termIds;
    TakenSlugs& slugs = *slugsInUse;

    RowWriter writer(run, run.state, migration);
    WrittenInThisRun thisRun(writer);
    struct Linked
    {
        RowWriter::Ticket ticket;
        std::int64_t id;
    };
    std::vector<Linked> linkedToArticles; // categories that took articles of earlier runs
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::categories, run.pacing.categories, "pid", [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        Category category;
        readField(rows, "sid", category.sid);
        readField(rows, "sortname", category.name);
        readField(rows, "alias", category.alias);
        readField(rows, "pid", category.parent);
        readField(rows, "description", category.description);
        if (copies.contains(category.sid)) {
            writer.alreadyThere();
            return;
        }
        const std::int64_t id = ids.free.keepOrTake(category.sid, ids.used);
        ids.used.insert(id);

        // A parent that never existed leaves it at the top.
        auto parent = thisRun.parentOf(category.parent, copies, "sid=" + std::to_string(category.parent));
        // The blogger's own alias names the category's page, as it did in emlog.
        const std::string slug = uniqueSlug(wordPressSlug(category.alias.empty() ? category.name : category.alias),
                                            std::to_string(id), slugs);
        RowWrite write = termWrite(origin::category, {category.sid, id, "category", escapeHtml(category.name), slug,
                                                      escapeHtml(category.description), parent.id});
        write.after = std::move(parent.after);
        if (!category.alias.empty())
            write.rows.push_back({"termmeta", ownerMeta(origin::category, id, origin::aliasKey, category.alias)});

        bool linked = false;
        const auto [first, last] = articlesBySort.equal_range(category.sid);
        for (auto article = first; article != last; ++article) {
            if (const auto copy = articles.find(article->second)) {
                write.rows.push_back(termLink(copy->id, id));
                linked = true;
            }
        }
        const RowWriter::Ticket ticket = writer.write(std::move(write));
        thisRun.add(category.sid, ticket, id);
        if (linked)
            linkedToArticles.push_back({ticket, id});
    });
    writer.finish();

    std::vector<std::int64_t> linked;
    for (const Linked& category : linkedToArticles) {
        if (writer.state(category.ticket) == RowWriter::State::Arrived)
            linked.push_back(category.id);
    }
    recountTerms(run, migration, linked);
}

} // namespace kestrel
