// The replies to 微语: comments on the posts the 微语 became.
#include "Comments.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Terms.h"
#include "Twitter.h"
#include "Users.h"

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::replies);

// A reply read as the comment it becomes; pro's likes are marked.
Comment readReply(const EmlogRow& row, bool& like)
{
    Comment reply;
    readField(row, "id", reply.cid);
    readField(row, "tid", reply.gid);
    readField(row, "date", reply.date);
    readField(row, "name", reply.poster);
    readField(row, "content", reply.comment);
    readField(row, "hide", reply.hide);
    readField(row, "ip", reply.ip);
    readField(row, "uid", reply.uid);
    std::string isLike;
    readField(row, "islike", isLike);
    like = isLike == "y";
    // emlog showed a reply as the text it is, whatever it holds.
    reply.plainText = true;
    return reply;
}

} // namespace

void migrateReplies(MigrationRun& run)
{
    const std::optional<bool> has = blogHas(run, migration, "reply");
    if (!has || !*has)
        return;
    if (!readCopies(run, migration, {&origin::reply, &origin::twitter}))
        return;
    const Copies& copies = run.state.copies(origin::reply);
    const Copies& twitters = run.state.copies(origin::twitter);
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;
    const std::optional<std::int64_t> largest = largestId(run, "comments", "comment_ID");
    if (!largest) {
        unreadableWordPress(run, migration, "comments", "largest comment_ID");
        return;
    }
    FreeIds free(*largest);

    RowWriter writer(run, run.state, migration);
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::replies, run.pacing.comments, {}, [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& row) {
        bool like = false;
        const Comment reply = readReply(row, like);
        // A like is counted on its 微语 (like_count), not a comment.
        if (like)
            return;
        if (copies.contains(reply.cid)) {
            writer.alreadyThere();
            return;
        }
        const std::string source = "id=" + std::to_string(reply.cid);
        const auto twitter = twitters.find(reply.gid);
        if (!twitter) {
            writer.fail("comments", source, {Why::Code::twitterNotCopied, std::to_string(reply.gid), {}});
            return;
        }
        const CommentPlace place{free.take(), twitter->id, 0, authors->userOf(reply.uid)};
        RowWrite write;
        write.sourceId = source;
        write.rows.push_back({"comments", buildCommentFields(run, reply, place)});
        write.rows.push_back({"commentmeta", originMeta(origin::reply, place.id, reply.cid), true});
        write.copied = RowWrite::Copied{&origin::reply, reply.cid, {place.id, place.id}};
        writer.write(std::move(write));
    });
    writer.finish();
}

} // namespace kestrel
