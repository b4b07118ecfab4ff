// emlog 3.x kept the blog owner's answer to a comment inside that comment (comment.reply), shown under
// it; 4.0 made answers comments of their own. Each becomes the owner's comment under the one it answers.
#include "Comments.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "RowWriter.h"
#include "Terms.h"
#include "Users.h"

#include <unordered_set>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::ownerReplies);

struct Owner
{
    std::string name; // as emlog showed it: escaped
    std::string email;
    std::int64_t userId = 0; // in WordPress; 0 when the owner is not there
};

// The blog's owner: its administrator with the lowest uid, or on 3.0 and 3.1, which have no roles, its one
// user. Nobody's when the blog has no user table; nothing when it cannot be read.
std::optional<Owner> ownerOf(MigrationRun& run, const Authors& authors)
{
    Owner owner;
    const std::optional<bool> hasUsers = run.source->hasTable("user");
    if (!hasUsers)
        return std::nullopt;
    if (!*hasUsers)
        return owner;
    std::optional<std::int64_t> ownerUid;
    const bool read = run.source->readTable("user", {}, [&](const EmlogRow& row) {
        std::int64_t uid = 0;
        std::string role;
        readField(row, "uid", uid);
        const bool administrator = !readField(row, "role", role) || role == "admin";
        if (!administrator || (ownerUid && *ownerUid < uid))
            return;
        ownerUid = uid;
        std::string login, nickname;
        readField(row, "username", login);
        readField(row, "nickname", nickname);
        readField(row, "email", owner.email);
        owner.name = escapeHtml(nickname.empty() ? login : nickname);
        owner.userId = authors.userOf(uid);
    });
    if (!read)
        return std::nullopt;
    return owner;
}

} // namespace

void migrateOwnerReplies(MigrationRun& run)
{
    const std::optional<bool> has = run.source->hasColumn("comment", "reply");
    if (!has) {
        unreadableEmlog(run, migration, "comment");
        return;
    }
    if (!*has)
        return;
    if (!readCopies(run, migration, {&origin::ownerReply, &origin::comment, &origin::article}))
        return;
    const Copies& copies = run.state.copies(origin::ownerReply);
    const Copies& comments = run.state.copies(origin::comment);
    const Copies& articles = run.state.copies(origin::article);
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;
    const std::optional<Owner> owner = ownerOf(run, *authors);
    if (!owner) {
        unreadableEmlog(run, migration, "user");
        return;
    }
    const std::optional<std::int64_t> largest = largestId(run, "comments", "comment_ID");
    if (!largest) {
        unreadableWordPress(run, migration, "comments", "largest comment_ID");
        return;
    }
    FreeIds free(*largest);

    RowWriter writer(run, run.state, migration);
    std::unordered_set<std::int64_t> posts;
    const TableReading reading{Kind::ownerReplies, run.pacing.comments, {}, [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& row) {
        Comment answer;
        readField(row, "reply", answer.comment);
        // Most comments were never answered: they are no rows of this kind.
        if (answer.comment.empty())
            return;
        readField(row, "cid", answer.cid);
        readField(row, "gid", answer.gid);
        readField(row, "date", answer.date);
        readField(row, "hide", answer.hide); // the answer showed with its comment, or not at all
        if (copies.contains(answer.cid)) {
            writer.alreadyThere();
            return;
        }
        const std::string source = "cid=" + std::to_string(answer.cid);
        const auto answered = comments.find(answer.cid);
        const auto article = articles.find(answer.gid);
        if (!answered || !article) {
            writer.fail("comments", source, {Why::Code::parentNotCopied, "cid=" + std::to_string(answer.cid), {}});
            return;
        }
        answer.poster = owner->name;
        answer.mail = owner->email;
        const CommentPlace place{free.take(), article->id, answered->id, owner->userId};
        RowWrite write;
        write.sourceId = source;
        write.rows.push_back({"comments", buildCommentFields(run, answer, place)});
        write.rows.push_back({"commentmeta", originMeta(origin::ownerReply, place.id, answer.cid), true});
        write.copied = RowWrite::Copied{&origin::ownerReply, answer.cid, {place.id, place.id}};
        writer.write(std::move(write));
        posts.insert(article->id);
    });
    writer.finish();
    recountComments(run, migration, posts);
}

} // namespace kestrel
