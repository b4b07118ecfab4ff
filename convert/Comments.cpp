#include "Comments.h"

#include "Assignments.h"
#include "BlogConnection.h"
#include "DateTime.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"

#include <unordered_map>
#include <vector>

namespace kestrel {

namespace {

constexpr std::string_view migration = "评论";

std::string sourceId(std::int64_t cid)
{
    return "cid=" + std::to_string(cid);
}

} // namespace

bool isHidden(const Comment& comment)
{
    return comment.hide == "y" || comment.hide == "Y" || leadingInteger(comment.hide) != 0;
}

std::string buildCommentFields(const BlogConnection& connection, const Comment& comment, std::uint64_t parentId)
{
    Assignments list(connection);
    list.add("comment_post_ID", comment.gid)
        .add("comment_author", comment.poster)
        .add("comment_author_email", comment.mail)
        .add("comment_author_url", comment.url)
        .add("comment_author_IP", comment.ip)
        .add("comment_approved", isHidden(comment) ? "0" : "1")
        .add("comment_content", comment.comment)
        .add("comment_date", formatDateTime(unixTimeToDateTime(comment.date)))
        .add("comment_date_gmt", formatDateTime(unixTimeToUtc(comment.date)));
    if (parentId != 0)
        list.add("comment_parent", static_cast<std::int64_t>(parentId));
    return list.text();
}

void migrateComments(MigrationRun& run)
{
    // WordPress numbers comments itself: remember which id each emlog comment got,
    // so that replies can point at their parents.
    std::unordered_map<std::int64_t, std::uint64_t> wordPressIds;
    struct LateReply
    {
        std::int64_t cid;
        std::uint64_t wordPressId;
        std::int64_t parentCid;
    };
    std::vector<LateReply> lateReplies;

    Comment comment;
    forEachRow(run, {migration, "comment", "初始化转换博客评论...", "正在转换评论."}, [&](const ResultSet& rows) {
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
        run.pace(run.pacing.comments);

        const auto parent = comment.pid != 0 ? wordPressIds.find(comment.pid) : wordPressIds.end();
        const std::uint64_t parentId = parent != wordPressIds.end() ? parent->second : 0;
        if (!writeRow(run, migration, "comments", sourceId(comment.cid),
                      buildCommentFields(run.wordPress, comment, parentId)))
            return false;
        const std::uint64_t id = lastInsertId(run.wordPress);
        wordPressIds[comment.cid] = id;
        if (comment.pid != 0 && parentId == 0)
            lateReplies.push_back({comment.cid, id, comment.pid});
        return true;
    });

    // Replies that came before their parents; a reply whose parent never arrived stays top-level.
    const std::string table = run.wordPressTable("comments");
    for (const LateReply& reply : lateReplies) {
        const auto parent = wordPressIds.find(reply.parentCid);
        if (parent == wordPressIds.end() || run.stopRequested())
            continue;
        const std::string statement = "update " + table + " set comment_parent='" + std::to_string(parent->second) +
                                      "' where comment_ID='" + std::to_string(reply.wordPressId) + "'";
        if (!executeSql(run.wordPress, statement)) {
            recordFailure(run, migration, table, sourceId(reply.cid));
            auto& tally = run.failures.tally(migration);
            --tally.written;
            ++tally.failed;
        }
    }
}

} // namespace kestrel
