#include "PostLinks.h"

#include "CopiedFiles.h"
#include "Kinds.h"
#include "Markdown.h"
#include "MigrationRun.h"
#include "Reconnect.h"
#include "Session.h"
#include "WordPressQueries.h"

#include <deque>

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

// Several updates travel in one exchange, as the batches of rows do, each well under the smallest
// max_allowed_packet a host gives (1 MiB).
constexpr std::size_t exchangeRows = 500;
constexpr std::size_t exchangeBytes = 2 << 20;

std::string serverError(const Session& session)
{
    return std::to_string(session.lastErrorNumber()) + " " + session.lastError();
}

} // namespace

// Why an article keeps its links to the old blog: its text is no longer in emlog, or could not be read.
Why PostLinks::textsUnread(bool read) const
{
    return read ? Why{Why::Code::articleGone} : Why{Why::Code::linksNotRewritten, {}, m_run.source->lastError()};
}

void PostLinks::completeWaiting(RowWriter& writer, ChangeAhead& afterArrival)
{
    const std::string table = m_run.wordPressTable("posts");
    Session& session = m_run.wordPress;
    auto sourceId = [](const Waiting& post) { return "gid=" + std::to_string(post.gid); };
    auto one = [&](const Waiting& post, const std::string& content, const std::string& excerpt) {
        return changes::setPostTexts(m_run.wordPressPrefix, post.postId, content, excerpt);
    };
    // Several updates in one exchange, each exchange sent while the next is made, where the session takes
    // them and they fit its packets; else each update waits for its answer.
    const std::size_t packetBytes = exchangeLimit(session, exchangeBytes);
    const bool severalAtOnce = session.takesExchanges() && packetBytes > 0;

    // The exchange being made, and those on their way, oldest first: which article each of its updates is for.
    Exchange packet;
    std::size_t packetSize = 0;
    std::vector<const Waiting*> packed;
    std::deque<std::vector<const Waiting*>> sent;
    // Articles whose update was refused or not sent, to be written again each on its own.
    std::vector<const Waiting*> again;

    auto collectOldest = [&] {
        const std::vector<const Waiting*> oldest = std::move(sent.front());
        sent.pop_front();
        const ExchangeOutcome outcome = session.collect();
        // The server stops at the first update it refuses: that one and those after it go again.
        again.insert(again.end(), oldest.begin() + static_cast<std::ptrdiff_t>(std::min(outcome.done, oldest.size())),
                     oldest.end());
    };
    auto collect = [&] {
        while (!sent.empty())
            collectOldest();
    };
    auto sendPacket = [&] {
        if (packed.empty())
            return;
        afterArrival.result();
        while (!sent.empty() && sent.size() >= session.exchangesAtOnce())
            collectOldest();
        if (session.send(packet))
            sent.push_back(std::move(packed));
        else
            again.insert(again.end(), packed.begin(), packed.end());
        packed.clear();
        packet.operations.clear();
        packetSize = 0;
    };
    auto update = [&](const Waiting& post, const std::string& content, const std::string& excerpt) {
        if (!severalAtOnce) {
            afterArrival.result();
            if (!changeWithReconnect(m_run, session, one(post, content, excerpt)))
                again.push_back(&post);
            return;
        }
        const std::size_t bytes = content.size() + excerpt.size() + 64;
        if (!packed.empty() && (packetSize + bytes > packetBytes || packed.size() >= exchangeRows))
            sendPacket();
        packet.operations.emplace_back(one(post, content, excerpt));
        packetSize += bytes;
        packed.push_back(&post);
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
    const bool read = readTexts(gids, update);
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
            if (!changeWithReconnect(m_run, session, one(post, newContent, newExcerpt)))
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
