#include "Tags.h"

#include "Assignments.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"
#include "Terms.h"
#include "TextHelpers.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr std::string_view migration = "标签";

bool isWholeNumber(std::string_view piece)
{
    return !piece.empty() && piece.size() <= 18 &&
           std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string joined(const std::vector<std::int64_t>& ids)
{
    std::string text;
    for (const std::int64_t id : ids)
        text += (text.empty() ? "" : ",") + std::to_string(id);
    return text;
}

} // namespace

std::vector<std::int64_t> splitPostIds(std::string_view list)
{
    std::vector<std::int64_t> ids;
    for (const std::string& piece : splitText(list, ',')) {
        if (isWholeNumber(piece))
            ids.push_back(std::stoll(piece));
    }
    return ids;
}

TagTerm writeTagTerm(MigrationRun& run, std::int64_t tid, std::string_view name, std::int64_t articleCount)
{
    const std::string source = "tid=" + std::to_string(tid);
    TagTerm tag;
    tag.termId = nextFreeId(run, "terms", "term_id");
    tag.termTaxonomyId = nextFreeId(run, "term_taxonomy", "term_taxonomy_id");
    // An article whose category is missing still names that category's id: a tag
    // taking the id would be linked to the article. Stay above every named id.
    const auto linked = largestId(run, "term_relationships", "term_taxonomy_id");
    if (tag.termId == 0 || tag.termTaxonomyId == 0 || !linked) {
        recordFailure(run, migration, run.wordPressTable("terms"), source);
        return tag;
    }
    tag.termTaxonomyId = std::max({tag.termTaxonomyId, *linked + 1, tid});

    Assignments taxonomy(run.wordPress);
    taxonomy.add("term_taxonomy_id", tag.termTaxonomyId)
        .add("taxonomy", "post_tag")
        .add("count", articleCount)
        .add("term_id", tag.termId);
    tag.taxonomyAssignments = taxonomy.text();

    Assignments term(run.wordPress);
    term.add("term_id", tag.termId).add("name", name).add("slug", encodeSlugWithin(name, slugColumnLength));
    tag.termWritten = writeRow(run, migration, "terms", source, term.text());
    return tag;
}

void migrateTags(MigrationRun& run)
{
    std::int64_t tid = 0;
    std::string name;
    std::string list;
    std::vector<std::int64_t> written;
    forEachRow(run, {migration, "tag", "初始化转换标签...", "正在转换标签."}, [&](const ResultSet& rows) {
        readField(rows, "tid", tid);
        readField(rows, "tagname", name);
        readField(rows, "gid", list);
        std::vector<std::int64_t> articles = splitPostIds(list);
        const std::string source = "tid=" + std::to_string(tid);

        const TagTerm tag = writeTagTerm(run, tid, name, static_cast<std::int64_t>(articles.size()));
        // A term_taxonomy row without its term, or links to a term_taxonomy row that is
        // not there, would attach these articles to whichever tag takes the ids next.
        const bool taxonomyWritten =
            tag.termWritten && writeRow(run, migration, "term_taxonomy", source, tag.taxonomyAssignments);
        run.pace(run.pacing.tags);
        if (!taxonomyWritten) {
            if (!articles.empty())
                run.failures.record(migration, run.wordPressTable("term_relationships"), source,
                                    "articles " + joined(articles) + " not tagged: the tag itself was not written");
            return false;
        }
        written.push_back(tag.termTaxonomyId);

        bool allLinked = true;
        std::vector<std::int64_t> linked;
        for (const std::int64_t article : articles) {
            if (std::find(linked.begin(), linked.end(), article) != linked.end())
                continue; // listed twice: one link is all WordPress can hold
            linked.push_back(article);
            Assignments link(run.wordPress);
            link.add("object_id", article).add("term_taxonomy_id", tag.termTaxonomyId);
            allLinked = writeRow(run, migration, "term_relationships", source, link.text()) && allLinked;
        }
        return allLinked;
    });
    recountTerms(run, migration, written);
}

} // namespace kestrel
