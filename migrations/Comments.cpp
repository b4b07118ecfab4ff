#include "Comments.h"

#include "DateTime.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "LocalTimes.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "Ubb.h"
#include "Users.h"
#include "WordPressQueries.h"

#include <unordered_map>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::comments);

} // namespace

Comment readComment(const EmlogRow& rows)
{
    Comment comment;
    readField(rows, "cid", comment.cid);
    readField(rows, "gid", comment.gid);
    readField(rows, "poster", comment.poster);
    readField(rows, "comment", comment.comment);
    readField(rows, "mail", comment.mail);
    readField(rows, "url", comment.url);
    readField(rows, "ip", comment.ip);
    readField(rows, "hide", comment.hide);
    readField(rows, "pid", comment.pid);
    readField(rows, "date", comment.date);
    readField(rows, "uid", comment.uid);
    readField(rows, "agent", comment.agent);
    return comment;
}

std::string commentText(const Comment& comment)
{
    // A trackback's title heads its excerpt, as emlog showed it.
    return (comment.title.empty() ? "" : "<strong>" + escapeHtml(comment.title) + "</strong>\n\n") +
           (comment.plainText ? escapeHtml(comment.comment) : ubbToHtml(escapeHtml(comment.comment)));
}

bool isHidden(const Comment& comment)
{
    return comment.hide == "y" || comment.hide == "Y" || leadingInteger(comment.hide) != 0;
}

RowValues buildCommentFields(MigrationRun& run, const Comment& comment, const CommentPlace& place)
{
    RowValues list;
    list.add("comment_ID", place.id)
        .add("comment_post_ID", place.postId)
        .add("comment_author", escapeHtml(comment.poster))
        .add("comment_author_email", comment.mail)
        .add("comment_author_url", comment.url)
        .add("comment_author_IP", comment.ip)
        .add("comment_approved", isHidden(comment) ? "0" : "1")
        .add("comment_content", commentText(comment))
        .add("comment_date", localDateTime(run, comment.date))
        .add("comment_date_gmt", formatDateTime(unixTimeToUtc(comment.date)))
        .add("comment_parent", place.parentId)
        .add("user_id", place.userId)
        // WordPress keeps 254 characters of it, as its own comment form does.
        .add("comment_agent", leadingCharacters(comment.agent, 254));
    if (!comment.type.empty())
        list.add("comment_type", comment.type);
    return list;
}

void migrateComments(MigrationRun& run)
{
    std::vector<Query> selects = authorsQueries(run);
    selects.push_back(largestIdQuery(run, "comments", "comment_ID"));
    readAheadOfMigration(run, {&origin::comment, &origin::article}, std::move(selects),
                         {{EmlogRead::What::ParentOrder, "comment", {"pid"}}});
    if (!readCopies(run, migration, {&origin::comment, &origin::article}))
        return;
    const Copies& copies = run.state.copies(origin::comment);
    const Copies& articles = run.state.copies(origin::article);
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;
    const Authors& users = *authors;
    // WordPress numbers comments itself; ours take the numbers after its own.
    const std::optional<std::int64_t> largest = largestId(run, "comments", "comment_ID");
    if (!largest) {
        unreadableWordPress(run, migration, "comments", "largest comment_ID");
        return;
    }
    FreeIds free(*largest);

    RowWriter writer(run, run.state, migration);
    WrittenInThisRun thisRun(writer);
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::comments, run.pacing.comments, "pid", [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        const Comment comment = readComment(rows);
        const std::string source = "cid=" + std::to_string(comment.cid);
        if (copies.contains(comment.cid)) {
            writer.alreadyThere();
            return;
        }
        const auto article = articles.find(comment.gid);
        if (!article) {
            thisRun.add(comment.cid, writer.fail("comments", source, missingArticle(run, comment.gid)), 0);
            return;
        }
        CommentPlace place{free.take(), article->id, 0, users.userOf(comment.uid)};
        RowWrite write;
        write.sourceId = source;
        // A reply to a comment that never existed stands on its own.
        auto parent = thisRun.parentOf(comment.pid, copies, "cid=" + std::to_string(comment.pid));
        place.parentId = parent.id;
        write.after = std::move(parent.after);
        write.rows.push_back({"comments", buildCommentFields(run, comment, place)});
        write.rows.push_back({"commentmeta", originMeta(origin::comment, place.id, comment.cid), true});
        write.copied = RowWrite::Copied{&origin::comment, comment.cid, {place.id, place.id}};
        thisRun.add(comment.cid, writer.write(std::move(write)), place.id);
    });
    writer.finish();
}

void recountComments(MigrationRun& run, std::string_view migration, const std::unordered_set<std::int64_t>& posts)
{
    if (posts.empty() || run.stopRequested())
        return;
    const std::vector<std::int64_t> ids(posts.begin(), posts.end());
    if (!changeWithReconnect(run, run.wordPress, changes::recountComments(run.wordPressPrefix, ids)))
        recordFailure(run, migration, run.wordPressTable("posts"), "");
}

} // namespace kestrel
