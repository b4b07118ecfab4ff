#pragma once

#include "BatchExchange.h"
#include "RowBatch.h"
#include "RowByRow.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

class Session;

// How many bytes one exchange of the session carries, `most` at most: within a quarter of its server's
// max_allowed_packet, or, through the receiver plugin, what its requests are sized to (within the site's
// limits and time).
std::size_t exchangeLimit(const Session& session, std::size_t most);

class WordPressState;

// Takes the rows of one migration and counts them: each is queued into a batch, and the batch
// goes to WordPress through the exchange (in one transaction of multi-row inserts, sent while the
// next batch is being made), or row by row where the tables cannot undo a row. Every row is
// counted in the migration's tally when its fate is known.
class RowWriter : private RowFates
{
public:
    using Ticket = RowWrite::Ticket;
    using State = RowState;

    RowWriter(RunContext& run, WordPressState& state, std::string_view migration);
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    Ticket write(RowWrite row);
    // A row an earlier run copied: left as it is.
    void alreadyThere();
    // A row that cannot be written (its owner is missing): logged, never written.
    Ticket fail(std::string_view bareTable, std::string sourceId, Why why);
    State state(Ticket ticket) const { return m_states[ticket]; }
    // Writes what is still queued; after a stop request it is dropped instead.
    void finish();
    // Sends what is queued, after the batch on its way, without waiting for its answer: for the last
    // rows, while the run reads what it needs once they are through. finish() then waits for them (and
    // sends any that waited for a row on its way).
    void sendQueued() { flush(); }
    // Sends what is queued when the session has room for another batch on its way, for while the run
    // waits on something else (emlog's next rows): WordPress need not wait with it.
    void sendIfRoom();

private:
    // Sends what is queued. When every row waits for one on its way, those on their way are waited for
    // first, or, unless `waitIfAllWait`, the rows stay queued.
    void flush(bool waitIfAllWait = true);
    void enqueue(QueuedRow queued, std::size_t bytes);
    // Takes out of `batch` the rows that wait for a row still on its way, and those after them.
    Batch putOffWaiting(Batch& batch) const;
    void resolve(const QueuedRow& queued, RowState state, bool changed = false) override;
    void logFailure(const QueuedRow& queued, std::string_view table, Why why) override;
    bool failedBefore(const QueuedRow& queued) override;

    RunContext& m_run;
    WordPressState& m_state;
    std::string m_migration;
    RowByRow m_alone;
    BatchExchange m_exchange;
    std::vector<State> m_states;
    Batch m_queue;
    std::size_t m_queuedBytes = 0;
    std::chrono::steady_clock::time_point m_firstQueued;
};

// The rows of one kind written in this run, by emlog id, so that a row whose parent is of the
// same kind (a page under a page, a reply, a sub-category, a thumbnail's original) finds it:
// copied by an earlier run, or written in this one, and then the row arrives only if its parent
// did. Only the rows still on their way and those that failed are kept: a row that arrived is
// among the kind's copies, where every row added here is recorded once it arrives (its
// RowWrite::copied, of the kind whose copies `parentOf` is given). So it holds about two
// batches of rows, not one entry for every row of the blog.
class WrittenInThisRun
{
public:
    explicit WrittenInThisRun(const RowWriter& writer) : m_writer(writer) {}

    void add(std::int64_t emlogId, RowWrite::Ticket ticket, std::int64_t wordPressId);

    struct Parent
    {
        std::int64_t id = 0; // 0: none, for a row without a parent or whose parent never existed
        std::optional<RowWrite::After> after;
    };
    // `parent` names the parent in the failure when it failed: "gid=5".
    Parent parentOf(std::int64_t parentEmlogId, const Copies& copiedBefore, const std::string& parent) const;

private:
    struct Written
    {
        RowWrite::Ticket ticket;
        std::int64_t id;
    };
    const RowWriter& m_writer;
    std::unordered_map<std::int64_t, Written> m_onTheirWay;        // by emlog id
    std::deque<std::pair<RowWrite::Ticket, std::int64_t>> m_order; // their tickets and emlog ids, as added
    std::unordered_map<std::int64_t, Written> m_failed;            // by emlog id
};

} // namespace kestrel
