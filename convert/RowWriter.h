#pragma once

#include "Assignments.h"
#include "Origins.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct MigrationRun;

// One row of a WordPress table.
struct TableRow
{
    std::string table; // bare name: "posts", "postmeta", ...
    Assignments values;
};

// Everything one emlog row becomes in WordPress: it arrives whole or not at all.
struct RowWrite
{
    using Ticket = std::size_t;
    struct After
    {
        Ticket ticket;
        std::string reason; // why this row cannot arrive when that one did not
    };

    std::string sourceId;       // "gid=5"
    std::vector<TableRow> rows; // the row itself first, then its meta and links
    // Why it arrives without some of its links (a category that is not in WordPress, say):
    // it is written, and counted so, and each problem is logged.
    struct Problem
    {
        std::string table; // bare name of the table the missing row belongs in
        std::string reason;
    };
    std::vector<Problem> problems;
    std::optional<After> after; // a row of the same migration that must arrive first
    // The emlog row this one copies and where it goes: known to the run once it arrived,
    // and asked after when a session was lost before the server could say whether it did.
    struct Copied
    {
        const OriginKey* key = nullptr;
        std::int64_t emlogId = 0;
        Copy copy;
    };
    std::optional<Copied> copied;
    // For a row that carries no origin: a query whose count is non-zero once it is in WordPress.
    std::string arrivalCheck;
};

// Writes the rows of one migration, many at a time: each batch in one
// transaction of multi-row inserts, sent in one exchange while the next batch is
// being made. A batch the server refuses, or takes only by changing a value, is
// undone and written again row by row, so that the failure log names each
// failing row with the server's reason. Every row is counted in the migration's
// tally when its fate is known.
class RowWriter
{
public:
    using Ticket = RowWrite::Ticket;
    enum class State { Queued, Arrived, Failed };

    RowWriter(MigrationRun& run, std::string_view migration);
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    Ticket write(RowWrite row);
    // A row an earlier run copied: left as it is.
    void alreadyThere();
    // A row that cannot be written (its owner is missing): logged, never written.
    Ticket fail(std::string_view bareTable, std::string sourceId, std::string reason);
    State state(Ticket ticket) const { return m_states[ticket]; }
    // Writes what is still queued; after a stop request it is dropped instead.
    void finish();

private:
    struct Queued
    {
        Ticket ticket;
        RowWrite row;
    };
    using Batch = std::vector<Queued>;
    // Written: in WordPress. Refused: undone, with the server's reason. Lost: the
    // session went away before the end. Unknown: it went away while committing.
    enum class Outcome { Written, Refused, Lost, Unknown };
    struct Failure
    {
        std::string table;
        std::string error;
    };
    // One statement of a batch: the rows of one table with the same columns.
    struct Statement
    {
        std::string table; // bare
        std::string shape; // table and columns, for the warnings its rows raise on their own
        std::string text;
        std::size_t rows = 0;
    };

    void flush();
    // The pipeline: a batch is sent, in a transaction of its own, without waiting; its
    // outcome is read when the next one is ready to go.
    void send(Batch batch);
    void collect();
    void commitFailed(Batch& batch);
    // A batch on its own, waiting for each answer: again whole, or row by row.
    void writeAlone(Batch& batch, bool wholeFirst);
    void writeOneByOne(Batch& batch);
    Outcome writeWithRetries(const std::vector<Queued*>& batch, bool oneByOne, Failure& failure, std::string& changes);
    Outcome writeInTransaction(const std::vector<Queued*>& batch, bool oneByOne, Failure& failure,
                               std::string& changes);
    Outcome failedStatement(std::string_view table, Failure& failure, bool duringCommit);
    std::vector<Statement> statementsOf(const std::vector<const RowWrite*>& rows) const;
    // A row whose predecessor failed is not written either: logged with the reason it gives.
    bool failedBefore(const Queued& queued);
    bool arrived(const Queued& queued);
    void resolve(const Queued& queued, State state, bool changed = false);
    void logFailure(const Queued& queued, std::string_view table, const std::string& error);
    bool transactional();

    MigrationRun& m_run;
    std::string m_migration;
    std::vector<State> m_states;
    Batch m_queue;
    std::size_t m_queuedBytes = 0;
    std::chrono::steady_clock::time_point m_firstQueued;
    Batch m_sent;                            // on its way, its outcome not read yet
    std::vector<Statement> m_sentStatements; // what it was sent as
};

} // namespace kestrel
