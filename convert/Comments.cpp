#include "Comments.h"

#include "Assignments.h"
#include "BlogConnection.h"
#include "DateTime.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "ResultSet.h"
#include "RowWriter.h"
#include "Terms.h"
#include "Users.h"

#include <unordered_map>

namespace kestrel {

namespace {

constexpr std::string_view migration = "评论";

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
    return comment;
}

} // namespace

bool isHidden(const Comment& comment)
{
    return comment.hide == "y" || comment.hide == "Y" || leadingInteger(comment.hide) != 0;
}

Assignments buildCommentFields(const BlogConnection& connection, const Comment& comment, const CommentPlace& place)
{
    Assignments list(connection);
    list.add("comment_ID", place.id)
        .add("comment_post_ID", place.postId)
        .add("comment_author", comment.poster)
        .add("comment_author_email", comment.mail)
        .add("comment_author_url", comment.url)
        .add("comment_author_IP", comment.ip)
        .add("comment_approved", isHidden(comment) ? "0" : "1")
        .add("comment_content", comment.comment)
        .add("comment_date", formatDateTime(unixTimeToDateTime(comment.date)))
        .add("comment_date_gmt", formatDateTime(unixTimeToUtc(comment.date)))
        .add("comment_parent", place.parentId)
        .add("user_id", place.userId);
    return list;
}

void migrateComments(MigrationRun& run)
{
    const Copies& copies = copiesOf(run, origin::comment);
    const Copies& articles = copiesOf(run, origin::article);
    const Authors& users = authorsOf(run);
    // WordPress numbers comments itself; ours take the numbers after its own.
    FreeIds free(largestId(run, "comments", "comment_ID").value_or(0));

    RowWriter writer(run, migration);
    struct Placed
    {
        RowWriter::Ticket ticket;
        std::int64_t id;
    };
    std::unordered_map<std::int64_t, Placed> thisRun;
    forEachRow(run, {migration, "comment", "初始化转换博客评论...", "正在转换评论.", run.pacing.comments, "cid", "pid"},
               [&](const EmlogRow& rows) {
                   const Comment comment = readComment(rows);
                   const std::string source = "cid=" + std::to_string(comment.cid);
                   if (copies.count(comment.cid)) {
                       writer.alreadyThere();
                       return;
                   }
                   const auto article = articles.find(comment.gid);
                   if (article == articles.end()) {
                       thisRun[comment.cid] = {
                           writer.fail("comments", source,
                                       "article gid=" + std::to_string(comment.gid) + " is not in WordPress"),
                           0};
                       return;
                   }
                   CommentPlace place{free.take(), article->second.id, 0, users.userOf(comment.uid)};
                   RowWrite write;
                   write.sourceId = source;
                   // A reply to a comment that never existed stands on its own.
                   if (const auto parent = copies.find(comment.pid); comment.pid != 0 && parent != copies.end()) {
                       place.parentId = parent->second.id;
                   } else if (const auto placed = thisRun.find(comment.pid);
                              comment.pid != 0 && placed != thisRun.end()) {
                       place.parentId = placed->second.id;
                       write.after = RowWrite::After{placed->second.ticket,
                                                     "the comment it replies to (cid=" + std::to_string(comment.pid) +
                                                         ") did not arrive"};
                   }
                   write.rows.push_back({"comments", buildCommentFields(run.wordPress, comment, place)});
                   write.rows.push_back({"commentmeta", originMeta(run, origin::comment, place.id, comment.cid)});
                   write.copied = RowWrite::Copied{&origin::comment, comment.cid, {place.id, place.id}};
                   thisRun[comment.cid] = {writer.write(std::move(write)), place.id};
               });
    writer.finish();
}

} // namespace kestrel
