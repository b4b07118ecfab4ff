#include "Tags.h"

#include "HtmlText.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "ResultSet.h"
#include "RowWriter.h"
#include "Slugs.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "WordPressQueries.h"

#include <algorithm>
#include <unordered_set>

namespace kestrel {

namespace {

bool isWholeNumber(std::string_view piece)
{
    return !piece.empty() && piece.size() <= 18 &&
           std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::vector<std::int64_t> splitPostIds(std::string_view list)
{
    std::vector<std::int64_t> ids;
    // A set, not a search of the ids so far: a tag on every article of a large blog has a long list.
    std::unordered_set<std::int64_t> seen;
    for (const std::string& piece : splitText(list, ',')) {
        if (!isWholeNumber(piece))
            continue;
        const std::int64_t id = std::stoll(piece);
        if (seen.insert(id).second)
            ids.push_back(id);
    }
    return ids;
}

void migrateTags(MigrationRun& run)
{
    constexpr std::string_view migration = idOf(Kind::tags);
    readAheadOfMigration(run, {&origin::tag, &origin::article},
                         {reads::termIds(run.wordPressPrefix), termSlugsQuery(run, "post_tag")},
                         {{EmlogRead::What::Columns, "blog", {"gid", "gid"}}, {EmlogRead::What::FirstRows, "tag"}});
    if (!readCopies(run, migration, {&origin::tag, &origin::article}))
        return;
    const Copies& copies = run.state.copies(origin::tag);
    // A tag new to WordPress takes the articles earlier runs copied; an article new in
    // this run brings its own links. An article that is not in emlog at all cannot come.
    const Copies& articles = run.state.copies(origin::article);
    std::optional<std::unordered_set<std::int64_t>>& emlogArticles = run.handoffs.articlesInEmlog;
    if (const auto gids = run.source->columns("blog", "gid", "gid")) {
        emlogArticles.emplace();
        for (const auto& [gid, unused] : *gids)
            emlogArticles->insert(gid);
    }
    std::optional<TermIds> termIds = termIdsInUse(run, migration);
    std::optional<TakenSlugs> slugsInUse = termSlugs(run, migration, "post_tag");
    if (!termIds || !slugsInUse)
        return;
    TermIds& ids = *termIds;
    TakenSlugs& slugs = *slugsInUse;

    RowWriter writer(run, run.state, migration);
    std::vector<std::pair<RowWriter::Ticket, std::int64_t>> linked;
    // The articles read the same lists again: they keep them.
    std::unordered_map<std::int64_t, std::vector<std::int64_t>> tagsByArticle;
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::tags, run.pacing.tags, {}, [&] { writer.sendIfRoom(); }};
    const bool read = run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        std::int64_t tid = 0;
        std::string name;
        std::string list;
        std::string description; // emlog pro's
        readField(rows, "tid", tid);
        readField(rows, "description", description);
        readField(rows, "tagname", name);
        readField(rows, "gid", list);
        const std::vector<std::int64_t> articleIds = splitPostIds(list);
        for (const std::int64_t gid : articleIds)
            tagsByArticle[gid].push_back(tid);
        if (copies.contains(tid)) {
            writer.alreadyThere();
            return;
        }
        // The tag's own id is the lowest its taxonomy id may be.
        std::int64_t id = ids.free.take();
        if (tid > id && !ids.used.count(tid)) {
            id = tid;
            ids.free.keepAbove(tid);
        }
        ids.used.insert(id);

        const std::string slug = uniqueSlug(wordPressSlug(name), std::to_string(id), slugs);
        RowWrite write =
            termWrite(origin::tag, {tid, id, "post_tag", escapeHtml(name), slug, escapeHtml(description), 0});
        bool links = false;
        for (const std::int64_t gid : articleIds) {
            if (const auto copy = articles.find(gid)) {
                write.rows.push_back(termLink(copy->id, id));
                links = true;
            } else if (emlogArticles && !emlogArticles->count(gid)) {
                write.problems.push_back({"term_relationships", missingArticle(run, gid)});
            }
        }
        const RowWriter::Ticket ticket = writer.write(std::move(write));
        if (links)
            linked.emplace_back(ticket, id);
    });
    writer.finish();
    if (read && !run.stopRequested())
        run.handoffs.tagsByArticle = std::move(tagsByArticle);

    std::vector<std::int64_t> recount;
    for (const auto& [ticket, id] : linked) {
        if (writer.state(ticket) == RowWriter::State::Arrived)
            recount.push_back(id);
    }
    recountTerms(run, migration, recount);
}

} // namespace kestrel
