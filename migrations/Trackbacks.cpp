// Other blogs' trackbacks (emlog before 5.1.3 kept them in a table of their own, shown under the
// article's comments as "引用"): comments of type trackback on their article, as WordPress keeps its own.
#include "Comments.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "RowWriter.h"
#include "Terms.h"
#include "Twitter.h"

#include <unordered_set>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::trackbacks);

Comment readTrackback(const EmlogRow& row)
{
    Comment trackback;
    readField(row, "tbid", trackback.cid);
    readField(row, "gid", trackback.gid);
    readField(row, "date", trackback.date);
    readField(row, "title", trackback.title);
    readField(row, "excerpt", trackback.comment);
    readField(row, "url", trackback.url);
    readField(row, "blog_name", trackback.poster);
    readField(row, "ip", trackback.ip);
    // emlog showed the other blog's words as the text they are.
    trackback.plainText = true;
    trackback.type = "trackback";
    return trackback;
}

} // namespace

void migrateTrackbacks(MigrationRun& run)
{
    const std::optional<bool> has = blogHas(run, migration, "trackback");
    if (!has || !*has)
        return;
    if (!readCopies(run, migration, {&origin::trackback, &origin::article}))
        return;
    const Copies& copies = run.state.copies(origin::trackback);
    const Copies& articles = run.state.copies(origin::article);
    const std::optional<std::int64_t> largest = largestId(run, "comments", "comment_ID");
    if (!largest) {
        unreadableWordPress(run, migration, "comments", "largest comment_ID");
        return;
    }
    FreeIds free(*largest);

    RowWriter writer(run, run.state, migration);
    std::unordered_set<std::int64_t> posts;
    const TableReading reading{Kind::trackbacks, run.pacing.comments, {}, [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& row) {
        const Comment trackback = readTrackback(row);
        if (copies.contains(trackback.cid)) {
            writer.alreadyThere();
            return;
        }
        const std::string source = "tbid=" + std::to_string(trackback.cid);
        const auto article = articles.find(trackback.gid);
        if (!article) {
            writer.fail("comments", source, missingArticle(run, trackback.gid));
            return;
        }
        const CommentPlace place{free.take(), article->id, 0, 0};
        RowWrite write;
        write.sourceId = source;
        write.rows.push_back({"comments", buildCommentFields(run, trackback, place)});
        write.rows.push_back({"commentmeta", originMeta(origin::trackback, place.id, trackback.cid), true});
        write.copied = RowWrite::Copied{&origin::trackback, trackback.cid, {place.id, place.id}};
        writer.write(std::move(write));
        posts.insert(article->id);
    });
    writer.finish();
    recountComments(run, migration, posts);
}

} // namespace kestrel
