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
    m_placed[gid] = postId;
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
        m_last = Waiting{0, 0, std::to_string(article.gid), std::move(shown)};
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

void PostLinks::completeWaiting(const RowWriter& writer)
{
    for (const Waiting& post : m_waiting) {
        if (m_run.stopRequested())
            return;
        if (writer.state(post.ticket) != RowWriter::State::Arrived)
            continue;
        const std::string content = rewrite(post.shown.content, nullptr);
        const std::string excerpt = rewrite(post.shown.excerpt, nullptr);
        const std::string table = m_run.wordPressTable("posts");
        if (!executeWithReconnect(m_run, m_run.wordPress,
                                  "UPDATE " + table + " SET post_content=" + quotedLiteral(m_run.wordPress, content) +
                                      ", post_excerpt=" + quotedLiteral(m_run.wordPress, excerpt) +
                                      " WHERE ID=" + std::to_string(post.postId)))
            recordFailure(m_run, idOf(Kind::posts), table, "gid=" + post.gid);
    }
}

} // namespace kestrel
