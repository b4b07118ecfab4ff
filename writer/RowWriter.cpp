#include "RowWriter.h"

#include "RunContext.h"
#include "Session.h"
#include "WordPressState.h"

#include <algorithm>
#include <unordered_set>

namespace kestrel {

namespace {

// A batch stays well under the server's max_allowed_packet (a quarter of it at most) and holds a row for
// every 512 bytes it may carry at most, small enough that two of them (one being made, one being sent) cost
// a run little memory, large enough that a long path to the server is waited on seldom. It is written at
// least once a second so that a paced run shows its rows arriving.
constexpr std::size_t maxBatchBytes = 4 << 20;
constexpr std::size_t bytesPerRow = 512;
constexpr auto maxBatchAge = std::chrono::seconds(1);

std::size_t bytesOf(const QueuedRow& queued)
{
    std::size_t bytes = 0;
    for (const TableRow& tableRow : queued.row.rows)
        bytes += tableRow.values.size();
    return bytes;
}

} // namespace

std::size_t exchangeLimit(const Session& session, std::size_t most)
{
    const std::uint64_t limit =
        session.exchangeBytes() != 0 ? session.exchangeBytes() : session.maxStatementBytes() / 4;
    return limit == 0 ? most : std::min<std::size_t>(most, limit);
}

RowWriter::RowWriter(RunContext& run, WordPressState& state, std::string_view migration)
    : m_run(run), m_state(state), m_migration(migration), m_alone(run, state, *this), m_exchange(run, *this, m_alone)
{
    m_run.failures.tally(m_migration);
}

RowWriter::Ticket RowWriter::write(RowWrite row)
{
    const Ticket ticket = m_states.size();
    m_states.push_back(State::Queued);
    QueuedRow queued{ticket, std::move(row)};
    if (failedBefore(queued))
        return ticket;
    const bool undoable = m_state.transactions(m_run) == Transactions::yes;
    if (!undoable) {
        // Each statement stands at once: the origin goes first, so that a row cut off after it is
        // not taken for a copy by the next run, which writes it again.
        auto& rows = queued.row.rows;
        std::stable_partition(rows.begin(), rows.end(), [](const TableRow& tableRow) { return tableRow.origin; });
        queued.row.originAlone = true;
    }
    const std::size_t bytes = bytesOf(queued);
    const std::size_t byteLimit = exchangeLimit(m_run.wordPress, maxBatchBytes);
    // A row that would make the batch too long for the server starts the next one.
    if (!m_queue.empty() && m_queuedBytes + bytes > byteLimit)
        flush();
    enqueue(std::move(queued), bytes);

    const std::size_t rowLimit = undoable ? std::max<std::size_t>(1, byteLimit / bytesPerRow) : 1;
    if (m_queue.size() >= rowLimit || m_queuedBytes >= byteLimit ||
        std::chrono::steady_clock::now() - m_firstQueued >= maxBatchAge)
        flush();
    return ticket;
}

void RowWriter::alreadyThere()
{
    FailureLog::Tally& tally = m_run.failures.tally(m_migration);
    ++tally.read;
    ++tally.alreadyThere;
}

RowWriter::Ticket RowWriter::fail(std::string_view bareTable, std::string sourceId, Why why)
{
    const Ticket ticket = m_states.size();
    m_states.push_back(State::Failed);
    m_run.failures.record(m_migration, m_run.wordPressTable(bareTable), sourceId, std::move(why));
    FailureLog::Tally& tally = m_run.failures.tally(m_migration);
    ++tally.read;
    ++tally.failed;
    return ticket;
}

void RowWriter::finish()
{
    // Each round sends a row at least, or drops them all once stopped.
    while (!m_queue.empty())
        flush();
    m_exchange.collect();
}

void RowWriter::enqueue(QueuedRow queued, std::size_t bytes)
{
    if (m_queue.empty())
        m_firstQueued = std::chrono::steady_clock::now();
    m_queue.push_back(std::move(queued));
    m_queuedBytes += bytes;
}

Batch RowWriter::putOffWaiting(Batch& batch) const
{
    // A row waits when the row it comes after is neither known (arrived or failed) nor going in this batch
    // before it: it is in a batch on its way, or put off itself.
    std::unordered_set<Ticket> goingTickets;
    Batch going;
    Batch putOff;
    for (QueuedRow& queued : batch) {
        const auto& after = queued.row.after;
        if (after && m_states[after->ticket] == State::Queued && !goingTickets.contains(after->ticket)) {
            putOff.push_back(std::move(queued));
        } else {
            goingTickets.insert(queued.ticket);
            going.push_back(std::move(queued));
        }
    }
    batch = std::move(going);
    return putOff;
}

void RowWriter::sendIfRoom()
{
    if (!m_queue.empty() && m_exchange.hasRoom())
        flush(false);
}

void RowWriter::flush(bool waitIfAllWait)
{
    Batch batch = std::move(m_queue);
    m_queue.clear();
    m_queuedBytes = 0;
    // Stopped: what was not yet sent is not written, and not counted. What is on its way arrives.
    if (batch.empty() || m_run.stopRequested())
        return;
    m_exchange.makeRoom();
    // A row whose predecessor is still on its way (a reply to a comment of the batch before) goes with
    // the next batch, so that this one need not wait for that answer; unless none could go without it.
    Batch putOff = putOffWaiting(batch);
    if (batch.empty() && waitIfAllWait) {
        m_exchange.collect();
        std::swap(batch, putOff);
    }
    // A batch just collected may have held a row that one of these needed.
    std::erase_if(batch, [this](const QueuedRow& queued) { return failedBefore(queued); });
    if (!batch.empty()) {
        if (m_state.transactions(m_run) != Transactions::yes || !m_run.wordPress.takesExchanges()) {
            m_exchange.collect();
            m_alone.writeAlone(batch, true);
        } else {
            m_exchange.send(std::move(batch));
        }
    }
    for (QueuedRow& queued : putOff) {
        const std::size_t bytes = bytesOf(queued);
        enqueue(std::move(queued), bytes);
    }
}

bool RowWriter::failedBefore(const QueuedRow& queued)
{
    if (!queued.row.after || m_states[queued.row.after->ticket] != State::Failed)
        return false;
    logFailure(queued, queued.row.rows.front().table, queued.row.after->why);
    resolve(queued, State::Failed);
    return true;
}

void RowWriter::resolve(const QueuedRow& queued, RowState state, bool changed)
{
    m_states[queued.ticket] = state;
    FailureLog::Tally& tally = m_run.failures.tally(m_migration);
    ++tally.read;
    if (state == State::Failed) {
        ++tally.failed;
        return;
    }
    if (const auto& copied = queued.row.copied)
        m_state.copies(*copied->key).set(copied->emlogId, copied->copy);
    // A row that arrived without a link it could not have is written; what it lacks is logged.
    for (const RowWrite::Problem& problem : queued.row.problems)
        logFailure(queued, problem.table, problem.why);
    ++(changed ? tally.failed : tally.written);
    if (!changed && !queued.row.problems.empty())
        ++tally.incomplete;
}

void RowWriter::logFailure(const QueuedRow& queued, std::string_view table, Why why)
{
    m_run.failures.record(m_migration, m_run.wordPressTable(table), queued.row.sourceId, std::move(why));
}

void WrittenInThisRun::add(std::int64_t emlogId, RowWrite::Ticket ticket, std::int64_t wordPressId)
{
    m_onTheirWay[emlogId] = {ticket, wordPressId};
    m_order.emplace_back(ticket, emlogId);
    // The rows whose fate is known since: one that arrived is among the copies now.
    while (!m_order.empty()) {
        const auto [first, firstId] = m_order.front();
        const RowState state = m_writer.state(first);
        if (state == RowState::Queued)
            break;
        const auto written = m_onTheirWay.find(firstId);
        // Only if no later row of the same emlog id took its place.
        if (written != m_onTheirWay.end() && written->second.ticket == first) {
            if (state == RowState::Failed)
                m_failed.insert_or_assign(firstId, written->second);
            m_onTheirWay.erase(written);
        }
        m_order.pop_front();
    }
}

WrittenInThisRun::Parent WrittenInThisRun::parentOf(std::int64_t parentEmlogId, const Copies& copiedBefore,
                                                    const std::string& parent) const
{
    if (parentEmlogId == 0)
        return {};
    if (const auto copy = copiedBefore.find(parentEmlogId))
        return {copy->id, std::nullopt};
    for (const auto* written : {&m_onTheirWay, &m_failed}) {
        if (const auto found = written->find(parentEmlogId); found != written->end())
            return {found->second.id, RowWrite::After{found->second.ticket, {Why::Code::parentNotCopied, parent, {}}}};
    }
    return {};
}

} // namespace kestrel
