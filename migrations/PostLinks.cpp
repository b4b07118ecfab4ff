#include "PostLinks.h"

#include "BlogConnection.h"
#include "CopiedFiles.h"
#include "Kinds.h"
#include "Markdown.h"
#include "MigrationRun.h"
#include "Reconnect.h"

namespace kestrel {

PostLinks::PostLinks(MigrationRun& run) : m_run(run), m_targets(run) {}

void PostLinks::placed(std::int64_t gid, std::int64_t postId)
{
    m_placed.set(gid, postId);
}

std::string PostLinks::rewrite(const std::string& shown, bool* waiting)
{
    // The blog's own links first, then its files: a file that could not be had keeps the old blog's
    // absolute address.
    std::string text = m_targets.rewrite(shown, m_placed, waiting);
    return m_run.files ? m_run.files->rewriteReferences(text) : text;
}

PostText PostLinks::text(const Article& article, bool markdown)
{
    PostText shown{markdown ? markdownToHtml(article.content) : article.content,
                   markdown ? markdownToHtml(article.excerpt) : article.excerpt};
    bool waiting = false;
    PostText text{rewrite(shown.content, &waiting), rewrite(shown.excerpt, &waiting)};
    m_last.reset();
    if (waiting)
        m_last = Waiting{0, 0, article.gid, markdown};
    return text;
}

void PostLinks::written(RowWriter::Ticket ticket, std::int64_t postId)
{
    if (!m_last)
        return;
    m_last->ticket = ticket;
    m_last->postId = postId;
    m_waiting.push_back(std::move(*m_last));
    m_last.reset();
}

namespace {

// A batch of updates goes in one statement of about this size, well under the smallest
// max_allowed_packet a host gives (1 MiB).
constexpr std::size_t batchBytes = 512 * 1024;
constexpr std::size_t batchRows = 500;

} // namespace

void PostLinks::completeWaiting(const RowWriter& writer)
{
    const std::string table = m_run.wordPressTable("posts");
    struct Update
    {
        const Waiting* post;
        std::string content;
        std::string excerpt;
    };
    auto sourceId = [](const Waiting& post) { return "gid=" + std::to_string(post.gid); };
    std::vector<Update> batch;
    std::size_t bytes = 0;
    auto one = [&](const Update& update) {
        return "UPDATE " + table + " SET post_content=" + quotedLiteral(m_run.wordPress, update.content) +
               ", post_excerpt=" + quotedLiteral(m_run.wordPress, update.excerpt) +
               " WHERE ID=" + std::to_string(update.post->postId);
    };
    // The batch's articles in one statement; when it is refused, each on its own, so that only
    // the articles at fault are recorded.
    auto send = [&] {
        if (batch.empty())
            return;
        std::string statement;
        if (batch.size() == 1) {
            statement = one(batch.front());
        } else {
            std::string content, excerpt, ids;
            for (const Update& update : batch) {
                const std::string id = std::to_string(update.post->postId);
                content += " WHEN " + id + " THEN " + quotedLiteral(m_run.wordPress, update.content);
                excerpt += " WHEN " + id + " THEN " + quotedLiteral(m_run.wordPress, update.excerpt);
                ids += (ids.empty() ? "" : ",") + id;
            }
            statement = "UPDATE " + table + " SET post_content=CASE ID" + content + " END, post_excerpt=CASE ID" +
                        excerpt + " END WHERE ID IN (" + ids + ")";
        }
        if (!executeWithReconnect(m_run, m_run.wordPress, statement)) {
            for (const Update& update : batch) {
                if (batch.size() == 1 || !executeWithReconnect(m_run, m_run.wordPress, one(update)))
                    recordFailure(m_run, idOf(Kind::posts), table, sourceId(*update.post));
            }
        }
        batch.clear();
        bytes = 0;
    };
    std::unordered_map<std::int64_t, const Waiting*> arrived;
    std::vector<std::int64_t> gids;
    for (const Waiting& post : m_waiting) {
        if (writer.state(post.ticket) == RowWriter::State::Arrived && arrived.emplace(post.gid, &post).second)
            gids.push_back(post.gid);
    }
    const bool read = m_run.source->rowsById("blog", "gid", gids, {"content", "excerpt"}, [&](const EmlogRow& row) {
        std::int64_t gid = 0;
        readField(row, "gid", gid);
        const auto found = arrived.find(gid);
        if (m_run.stopRequested() || found == arrived.end())
            return;
        const Waiting& post = *found->second;
        arrived.erase(found);
        std::string content, excerpt;
        readField(row, "content", content);
        readField(row, "excerpt", excerpt);
        if (post.markdown) {
            content = markdownToHtml(content);
            excerpt = markdownToHtml(excerpt);
        }
        Update& update =
            batch.emplace_back(Update{&post, rewrite(content, nullptr), rewrite(excerpt, nullptr)});
        bytes += 2 * (update.content.size() + update.excerpt.size()) + 64;
        if (bytes >= batchBytes || batch.size() >= batchRows)
            send();
    });
    if (m_run.stopRequested())
        return;
    // An article whose text could not be read again keeps its links to the old blog.
    for (const auto& [gid, post] : arrived)
        m_run.failures.record(idOf(Kind::posts), m_run.source->tableName("blog"), sourceId(*post),
                              read ? "the article is no longer in emlog" : m_run.source->lastError());
    send();
}

} // namespace kestrel
