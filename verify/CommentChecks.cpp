#include "Checks.h"

#include "Comments.h"
#include "MigrationRun.h"
#include "VerifyContext.h"

#include <unordered_map>
#include <unordered_set>

namespace kestrel {

namespace {

constexpr std::string_view kind = idOf(Kind::comments);

// Where WordPress's threads show a comment readers see: under its parent, when every comment above it
// is shown on the same article; a reply to one that is not shown is not shown either (nor was it in
// emlog's threads). Nothing for such a reply.
class Depths
{
public:
    explicit Depths(const std::unordered_map<std::int64_t, const Comment*>& comments) : m_comments(comments) {}

    std::optional<int> of(const Comment& comment)
    {
        int depth = 1;
        const Comment* at = &comment;
        // A loop of replies (which emlog never made) stops somewhere.
        for (int guard = 0; at->pid != 0; ++guard) {
            const auto parent = m_comments.find(at->pid);
            if (guard == 1000 || parent == m_comments.end() || isHidden(*parent->second) ||
                parent->second->gid != comment.gid)
                return std::nullopt;
            ++depth;
            at = parent->second;
        }
        return depth;
    }

private:
    const std::unordered_map<std::int64_t, const Comment*>& m_comments;
};

} // namespace

bool checkComments(VerifyContext& verify)
{
    MigrationRun& run = verify.run;
    const std::optional<Copies> copies = verify.reads.copies(origin::comment);
    const std::optional<Copies> articles = copies ? verify.reads.copies(origin::article) : std::nullopt;
    if (!articles)
        return verify.failed(run.wordPressTable("commentmeta"), verify.reads.lastError());
    const std::optional<EmlogValues> gids = run.source->columns("blog", "gid", "gid");
    std::vector<Comment> comments;
    if (!gids ||
        !run.source->readTable("comment", {}, [&](const EmlogRow& row) { comments.push_back(readComment(row)); }))
        return verify.failed(run.source->tableName("comment"), run.source->lastError());
    std::unordered_set<std::int64_t> emlogArticles;
    for (const auto& [gid, value] : *gids)
        emlogArticles.insert(gid);
    std::unordered_map<std::int64_t, const Comment*> byCid;
    for (const Comment& comment : comments)
        byCid.emplace(comment.cid, &comment);

    std::vector<std::int64_t> ids;
    copies->forEach([&](std::int64_t, const Copy& copy) { ids.push_back(copy.id); });
    std::unordered_map<std::int64_t, CommentRow> rows;
    if (!verify.reads.comments(ids, [&](const CommentRow& row) { rows.emplace(row.id, row); }))
        return verify.failed(run.wordPressTable("comments"), verify.reads.lastError());

    Depths depths(byCid);
    std::int64_t done = 0;
    for (const Comment& comment : comments) {
        if (verify.stopRequested())
            return false;
        // A comment on an article emlog no longer has was shown to nobody: a run does not copy it.
        if (!emlogArticles.contains(comment.gid))
            continue;
        verify.result.count(kind);
        verify.tell({kind, ++done, static_cast<std::int64_t>(comments.size())});
        Finding finding{
            std::string(kind), comment.cid, {}, {}, {}, {}, verify.oldAddress("?post=" + std::to_string(comment.gid))};
        const std::optional<Copy> copy = copies->find(comment.cid);
        const auto row = copy ? rows.find(copy->id) : rows.end();
        if (row == rows.end()) {
            finding.check = check::missing;
            finding.expected = "cid=" + std::to_string(comment.cid);
            verify.find(std::move(finding));
            continue;
        }
        finding.address = verify.siteAddress("?p=" + std::to_string(row->second.postId)).toString().toStdString() +
                          "#comment-" + std::to_string(row->first);
        const std::string approved = isHidden(comment) ? "0" : "1";
        if (row->second.approved != approved) {
            finding.check = check::approved;
            finding.expected = approved;
            finding.seen = row->second.approved;
            verify.find(finding);
        }
        std::int64_t parent = 0;
        if (const auto parentCopy =
                comment.pid != 0 && byCid.contains(comment.pid) ? copies->find(comment.pid) : std::nullopt)
            parent = parentCopy->id;
        const std::optional<Copy> article = articles->find(comment.gid);
        if (row->second.parent != parent || !article || row->second.postId != article->id) {
            finding.check = check::thread;
            finding.expected =
                "post " + std::to_string(article ? article->id : 0) + ", parent " + std::to_string(parent);
            finding.seen =
                "post " + std::to_string(row->second.postId) + ", parent " + std::to_string(row->second.parent);
            verify.find(finding);
        }
        if (row->second.content != commentText(comment)) {
            finding.check = check::text;
            std::tie(finding.expected, finding.seen) =
                differenceOf(QString::fromStdString(commentText(comment)), QString::fromStdString(row->second.content));
            verify.find(finding);
        }
        const std::optional<int> depth = verify.threadedComments ? depths.of(comment) : 1;
        if (approved == "1" && row->second.approved == "1" && depth)
            verify.shownComments[comment.gid].push_back(
                {comment.cid, copy->id, std::min(*depth, verify.threadDepth), row->second.content});
    }
    return true;
}

} // namespace kestrel
