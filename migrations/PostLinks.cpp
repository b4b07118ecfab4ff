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

// A statement of updates is about this size at most, well under the smallest max_allowed_packet a
// host gives (1 MiB); several travel in one exchange, as the batches of rows do.
constexpr std::size_t statementBytes = 512 * 1024;
constexpr std::size_t statementRows = 500;
constexpr std::size_t exchangeBytes = 2 << 20;

std::string serverError(const BlogConnection& session)
{
    return std::to_string(session.lastErrorNumber()) + " " + session.lastError();
}

} // namespace

// Why an article keeps its links to the old blog: its text is no longer in emlog, or could not be read.
Why PostLinks::textsUnread(bool read) const
{
    return read ? Why{Why::Code::articleGone} : Why{Why::Code::linksNotRewritten, {}, m_run.source->lastError()};
}

void PostLinks::completeWaiting(RowWriter& writer, StatementAhead& afterArrival)
{
    const std::string table = m_run.wordPressTable("posts");
    BlogConnection& session = m_run.wordPress;
    auto sourceId = [](const Waiting& post) { return "gid=" + std::to_string(post.gid); };
    auto one = [&](const Waiting& post, const std::string& content, const std::string& excerpt) {
        return "UPDATE " + table + " SET post_content=" + quotedLiteral(session, content) +
               ", post_excerpt=" + quotedLiteral(session, excerpt) + " WHERE ID=" + std::to_string(post.postId);
    };
    // Several statements in one exchange, each sent while the next are made, where the session takes
    // them and they fit its packets; else each statement waits for its answer.
    const std::size_t packetBytes = exchangeLimit(session, exchangeBytes);
    // A far side with a time limit: each exchange ends within it, and so each statement.
    const std::size_t statementLimit =
        session.exchangeBytes() != 0 ? std::min(statementBytes, packetBytes) : statementBytes;
    const bool severalAtOnce = session.takesSeveralStatements() && packetBytes >= statementLimit;

    // The statement being made: its articles in one UPDATE of CASEs.
    std::vector<const Waiting*> posts;
    std::string content, excerpt, ids;
    // The exchange being made, and the one on its way: which articles each of its statements updates.
    std::string packet;
    std::vector<std::vector<const Waiting*>> packed, sent;
    // Articles whose update was refused or not sent, to be written again each on its own.
    std::vector<const Waiting*> again;

    auto collect = [&] {
        if (sent.empty())
            return;
        const std::vector<bool> results = readStatementResults(session);
        for (std::size_t i = 0; i < sent.size(); ++i) {
            if (i >= results.size() || !results[i])
                again.insert(again.end(), sent[i].begin(), sent[i].end());
        }
        sent.clear();
    };
    auto sendPacket = [&] {
        if (packed.empty())
            return;
        afterArrival.result();
        collect();
        if (sendStatements(session, packet))
            sent = std::move(packed);
        else
            for (const auto& statement : packed)
                again.insert(again.end(), statement.begin(), statement.end());
        packed.clear();
        packet.clear();
    };
    auto endStatement = [&] {
        if (posts.empty())
            return;
        std::string statement = "UPDATE " + table + " SET post_content=CASE ID" + content +
                                " END, post_excerpt=CASE ID" + excerpt + " END WHERE ID IN (" + ids + ")";
        content.clear();
        excerpt.clear();
        ids.clear();
        if (!severalAtOnce) {
            afterArrival.result();
            if (!executeWithReconnect(m_run, session, statement))
                again.insert(again.end(), posts.begin(), posts.end());
            posts.clear();
            return;
        }
        if (!packet.empty() && packet.size() + statement.size() + 1 > packetBytes)
            sendPacket();
        packet.append(packet.empty() ? "" : ";").append(statement);
        packed.push_back(std::move(posts));
        posts.clear();
    };

    // The last rows go while the first texts are read: the articles still on their way are read too, and
    // those that do not arrive are passed over.
    writer.sendQueued();
    std::unordered_map<std::int64_t, const Waiting*> arrived;
    std::vector<std::int64_t> gids;
    for (const Waiting& post : m_waiting) {
        if (writer.state(post.ticket) != RowWriter::State::Failed)
            gids.push_back(post.gid);
    }
    bool through = false;
    auto rowsThrough = [&] {
        if (through)
            return;
        through = true;
        writer.finish();
        for (const Waiting& post : m_waiting) {
            if (writer.state(post.ticket) == RowWriter::State::Arrived)
                arrived.emplace(post.gid, &post);
        }
        afterArrival.send();
    };
    // The texts, made WordPress's again; `each` gets each article that is still wanted.
    auto readTexts = [&](const std::vector<std::int64_t>& wanted, auto each) {
        return m_run.source->rowsById("blog", "gid", wanted, {"content", "excerpt"}, [&](const EmlogRow& row) {
            rowsThrough();
            std::int64_t gid = 0;
            readField(row, "gid", gid);
            const auto found = arrived.find(gid);
            if (m_run.stopRequested() || found == arrived.end())
                return;
            const Waiting& post = *found->second;
            arrived.erase(found);
            std::string shownContent, shownExcerpt;
            readField(row, "content", shownContent);
            readField(row, "excerpt", shownExcerpt);
            if (post.markdown) {
                shownContent = markdownToHtml(shownContent);
                shownExcerpt = markdownToHtml(shownExcerpt);
            }
            each(post, rewrite(shownContent, nullptr), rewrite(shownExcerpt, nullptr));
        });
    };
    std::size_t bytes = 0;
    const bool read =
        readTexts(gids, [&](const Waiting& post, const std::string& newContent, const std::string& newExcerpt) {
            const std::string id = std::to_string(post.postId);
            const std::size_t before = content.size() + excerpt.size();
            content += " WHEN " + id + " THEN " + quotedLiteral(session, newContent);
            excerpt += " WHEN " + id + " THEN " + quotedLiteral(session, newExcerpt);
            ids += (ids.empty() ? "" : ",") + id;
            posts.push_back(&post);
            bytes += content.size() + excerpt.size() - before + id.size() + 1;
            if (bytes >= statementLimit || posts.size() >= statementRows) {
                endStatement();
                bytes = 0;
            }
        });
    rowsThrough();
    if (m_run.stopRequested()) {
        // What is on its way arrives; its answer is read, so that the session is free.
        packed.clear();
        collect();
        return;
    }
    // An article whose text could not be read again keeps its links to the old blog.
    for (const auto& [gid, post] : arrived)
        m_run.failures.recordIncomplete(idOf(Kind::posts), m_run.source->tableName("blog"), sourceId(*post),
                                        textsUnread(read));
    endStatement();
    sendPacket();
    collect();
    if (again.empty())
        return;
    // Refused together (or not sent): each on its own, so that only the articles at fault are recorded.
    arrived.clear();
    gids.clear();
    for (const Waiting* post : again) {
        arrived.emplace(post->gid, post);
        gids.push_back(post->gid);
    }
    const bool readAgain =
        readTexts(gids, [&](const Waiting& post, const std::string& newContent, const std::string& newExcerpt) {
            if (!executeWithReconnect(m_run, session, one(post, newContent, newExcerpt)))
                m_run.failures.recordIncomplete(idOf(Kind::posts), table, sourceId(post),
                                                {Why::Code::serverRefused, {}, serverError(session)});
        });
    if (m_run.stopRequested())
        return;
    for (const auto& [gid, post] : arrived)
        m_run.failures.recordIncomplete(idOf(Kind::posts), m_run.source->tableName("blog"), sourceId(*post),
                                        textsUnread(readAgain));
}

} // namespace kestrel
