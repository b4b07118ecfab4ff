#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "ResultSet.h"
#include "RowWriter.h"
#include "Slugs.h"
#include "Terms.h"

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
    constexpr std::string_view migration = "分类";
    const Copies& copies = copiesOf(run, origin::category);
    // A category new to WordPress takes the articles earlier runs copied; an article new
    // in this run brings its own link.
    const Copies& articles = copiesOf(run, origin::article);
    std::optional<std::unordered_multimap<std::int64_t, std::int64_t>> articlesBySort;
    TermIds ids = termIdsInUse(run, [&run] { return largestEmlogId(run, "sort", "sid"); });
    std::unordered_set<std::string> slugs = termSlugs(run, "category");

    RowWriter writer(run, migration);
    struct Written
    {
        RowWriter::Ticket ticket;
        std::int64_t id;
        bool linked;
    };
    std::unordered_map<std::int64_t, Written> thisRun;
    forEachRow(
        run, {migration, "sort", "初始化转换分类...", "正在转换分类.", run.pacing.categories, "sid", "pid"},
        [&](const EmlogRow& rows) {
            Category category;
            readField(rows, "sid", category.sid);
            readField(rows, "sortname", category.name);
            readField(rows, "alias", category.alias);
            readField(rows, "pid", category.parent);
            readField(rows, "description", category.description);
            if (copies.count(category.sid)) {
                writer.alreadyThere();
                return;
            }
            const std::int64_t id = ids.free.keepOrTake(category.sid, ids.used);
            ids.used.insert(id);

            std::int64_t parentTerm = 0; // a parent that never existed leaves it at the top
            std::optional<RowWrite::After> after;
            if (const auto parent = copies.find(category.parent); parent != copies.end()) {
                parentTerm = parent->second.id;
            } else if (const auto written = thisRun.find(category.parent); written != thisRun.end()) {
                parentTerm = written->second.id;
                after =
                    RowWrite::After{written->second.ticket,
                                    "its parent category sid=" + std::to_string(category.parent) + " did not arrive"};
            }
            // The blogger's own alias names the category's page, as it did in emlog.
            const std::string slug = uniqueSlug(wordPressSlug(category.alias.empty() ? category.name : category.alias),
                                                std::to_string(id), slugs);
            RowWrite write =
                termWrite(run, origin::category,
                          {category.sid, id, "category", category.name, slug, category.description, parentTerm});
            write.after = std::move(after);
            if (!category.alias.empty())
                write.rows.push_back(
                    {"termmeta", ownerMeta(run, origin::category, id, origin::aliasKey, category.alias)});

            if (!articles.empty() && !articlesBySort) {
                articlesBySort.emplace();
                for (const auto& [gid, sortid] : readEmlogColumns(run, "blog", "gid", "sortid").value_or(EmlogValues{}))
                    articlesBySort->emplace(leadingInteger(sortid), gid);
            }
            bool linked = false;
            if (articlesBySort) {
                const auto [first, last] = articlesBySort->equal_range(category.sid);
                for (auto article = first; article != last; ++article) {
                    if (const auto copy = articles.find(article->second); copy != articles.end()) {
                        write.rows.push_back(termLink(run, copy->second.id, id));
                        linked = true;
                    }
                }
            }
            thisRun[category.sid] = {writer.write(std::move(write)), id, linked};
        });
    writer.finish();

    std::vector<std::int64_t> linked;
    for (const auto& [sid, written] : thisRun) {
        if (written.linked && writer.state(written.ticket) == RowWriter::State::Arrived)
            linked.push_back(written.id);
    }
    recountTerms(run, migration, linked);
}

} // namespace kestrel
