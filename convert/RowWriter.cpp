#include "RowWriter.h"

#include "BlogConnection.h"
#include "MigrationRun.h"
#include "Reconnect.h"
#include "ResultSet.h"

#include <algorithm>

namespace kestrel {

namespace {

// A batch stays well under the server's max_allowed_packet (a quarter of it at most),
// and is written at least once a second so that a paced run shows its rows arriving.
constexpr std::size_t maxBatchRows = 10000;
constexpr std::size_t maxBatchBytes = 4 << 20;
constexpr auto maxBatchAge = std::chrono::seconds(1);
// After a lost session the batch is tried again this many times.
constexpr int retriesAfterLoss = 3;
constexpr unsigned filledWithDefault = 1364; // "Field doesn't have a default value"

// The rows of one table with the same columns, written by one statement.
struct Group
{
    std::string table;
    const std::string* columns;
    std::vector<const Assignments*> rows;
};

std::vector<Group> groupByTable(const std::vector<const RowWrite*>& rows)
{
    std::vector<Group> groups;
    for (const RowWrite* row : rows) {
        for (const TableRow& tableRow : row->rows) {
            auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
                return g.table == tableRow.table && *g.columns == tableRow.values.columns();
            });
            if (group == groups.end())
                group = groups.insert(groups.end(), Group{tableRow.table, &tableRow.values.columns(), {}});
            group->rows.push_back(&tableRow.values);
        }
    }
    return groups;
}

std::string errorText(const BlogConnection& session)
{
    return std::to_string(session.lastErrorNumber()) + " " + session.lastError();
}

} // namespace

RowWriter::RowWriter(MigrationRun& run, std::string_view migration) : m_run(run), m_migration(migration)
{
    m_run.failures.tally(m_migration);
}

RowWriter::Ticket RowWriter::write(RowWrite row)
{
    const Ticket ticket = m_states.size();
    m_states.push_back(State::Queued);
    Queued queued{ticket, std::move(row)};
    if (queued.row.after && m_states[queued.row.after->ticket] == State::Failed) {
        logFailure(queued, queued.row.rows.front().table, queued.row.after->reason);
        resolve(queued, State::Failed);
        return ticket;
    }
    std::size_t bytes = 0;
    for (const TableRow& tableRow : queued.row.rows)
        bytes += tableRow.values.text().size();
    const std::uint64_t serverLimit = m_run.wordPress.maxStatementBytes();
    const std::size_t byteLimit =
        serverLimit == 0 ? maxBatchBytes : std::min<std::size_t>(maxBatchBytes, serverLimit / 4);
    // A row that would make the batch too long for the server starts the next one.
    if (!m_queue.empty() && m_queuedBytes + bytes > byteLimit)
        flush();
    if (m_queue.empty())
        m_firstQueued = std::chrono::steady_clock::now();
    m_queue.push_back(std::move(queued));
    m_queuedBytes += bytes;

    const std::size_t rowLimit = transactional() ? maxBatchRows : 1;
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

RowWriter::Ticket RowWriter::fail(std::string_view bareTable, std::string sourceId, std::string reason)
{
    const Ticket ticket = m_states.size();
    m_states.push_back(State::Failed);
    m_run.failures.record(m_migration, m_run.wordPressTable(bareTable), sourceId, reason);
    FailureLog::Tally& tally = m_run.failures.tally(m_migration);
    ++tally.read;
    ++tally.failed;
    return ticket;
}

void RowWriter::finish()
{
    flush();
}

void RowWriter::flush()
{
    if (m_queue.empty())
        return;
    if (m_run.stopRequested()) {
        // Stopped: what was not yet sent is not written, and not counted.
        m_queue.clear();
        m_queuedBytes = 0;
        return;
    }
    std::vector<Queued*> batch;
    for (Queued& queued : m_queue)
        batch.push_back(&queued);
    Failure failure;
    std::string changes;
    switch (writeWithRetries(batch, m_queue.size() == 1, failure, changes)) {
    case Outcome::Written:
        if (!changes.empty())
            logFailure(m_queue.front(), failure.table, "written with changes: " + changes);
        for (const Queued& queued : m_queue)
            resolve(queued, State::Arrived, !changes.empty());
        break;
    case Outcome::Refused:
        if (m_queue.size() > 1) {
            writeOneByOne();
            break;
        }
        [[fallthrough]];
    default:
        for (const Queued& queued : m_queue) {
            logFailure(queued, failure.table, failure.error);
            resolve(queued, State::Failed);
        }
    }
    m_queue.clear();
    m_queuedBytes = 0;
}

void RowWriter::writeOneByOne()
{
    for (Queued& queued : m_queue) {
        if (queued.row.after && m_states[queued.row.after->ticket] == State::Failed) {
            logFailure(queued, queued.row.rows.front().table, queued.row.after->reason);
            resolve(queued, State::Failed);
            continue;
        }
        Failure failure;
        std::string changes;
        if (writeWithRetries({&queued}, true, failure, changes) == Outcome::Written) {
            if (!changes.empty())
                logFailure(queued, failure.table, "written with changes: " + changes);
            resolve(queued, State::Arrived, !changes.empty());
        } else {
            logFailure(queued, failure.table, failure.error);
            resolve(queued, State::Failed);
        }
    }
}

RowWriter::Outcome RowWriter::writeWithRetries(const std::vector<Queued*>& batch, bool oneByOne, Failure& failure,
                                               std::string& changes)
{
    for (int retry = 0;; ++retry) {
        changes.clear();
        const Outcome outcome = writeInTransaction(batch, oneByOne, failure, changes);
        if (outcome == Outcome::Written || outcome == Outcome::Refused)
            return outcome;
        if (retry == retriesAfterLoss || !reopenLostSession(m_run, m_run.wordPress)) {
            if (outcome == Outcome::Unknown)
                failure.error += " (whether it arrived is not known: a run without emptying WordPress first finds out)";
            return Outcome::Lost;
        }
        // A batch is all or nothing: when its first row arrived, all of them did.
        if (outcome == Outcome::Unknown && arrived(*batch.front()))
            return Outcome::Written;
    }
}

RowWriter::Outcome RowWriter::writeInTransaction(const std::vector<Queued*>& batch, bool oneByOne, Failure& failure,
                                                 std::string& changes)
{
    BlogConnection& wordPress = m_run.wordPress;
    const bool atomic = transactional();
    if (atomic && !executeSql(wordPress, "START TRANSACTION"))
        return failedStatement("", failure, false);

    std::vector<const RowWrite*> rows;
    for (const Queued* queued : batch)
        rows.push_back(&queued->row);
    for (const Group& group : groupByTable(rows)) {
        const std::string table = m_run.wordPressTable(group.table);
        std::string statement = "insert into " + table + " (" + *group.columns + ") values ";
        for (std::size_t i = 0; i < group.rows.size(); ++i)
            statement.append(i == 0 ? "" : ",").append(group.rows[i]->tuple());
        if (!executeSql(wordPress, statement))
            return failedStatement(group.table, failure, false);

        // WordPress's tables have columns without defaults that the server fills in with a
        // warning each; only warnings beyond those mean a value was changed.
        const std::string shape = table + "(" + *group.columns + ")";
        const unsigned count = warningCount(wordPress);
        const auto expected = m_run.expectedWarnings.find(shape);
        const unsigned perRow = expected == m_run.expectedWarnings.end() ? 0 : expected->second;
        if (count <= perRow * group.rows.size())
            continue;
        unsigned defaults = 0;
        std::string changed;
        for (const Warning& warning : lastWarnings(wordPress)) {
            if (warning.code == filledWithDefault)
                ++defaults;
            else
                changed += (changed.empty() ? "" : "; ") + std::to_string(warning.code) + " " + warning.message;
        }
        if (group.rows.size() == 1)
            m_run.expectedWarnings[shape] = defaults;
        if (changed.empty())
            continue;
        if (!oneByOne) {
            // Which row? Undo the batch and let the rows say it one at a time.
            if (atomic) {
                executeSql(wordPress, "ROLLBACK");
                failure = {group.table, changed};
                return Outcome::Refused;
            }
        }
        failure.table = group.table;
        changes += (changes.empty() ? "" : "; ") + changed;
    }
    if (atomic && !executeSql(wordPress, "COMMIT"))
        return failedStatement("", failure, true);
    return Outcome::Written;
}

RowWriter::Outcome RowWriter::failedStatement(std::string_view table, Failure& failure, bool duringCommit)
{
    BlogConnection& wordPress = m_run.wordPress;
    failure = {std::string(table.empty() ? m_queue.front().row.rows.front().table : std::string(table)),
               errorText(wordPress)};
    if (isSessionLost(wordPress))
        // Without a transaction every statement before the loss stands: whether the row
        // is there must be asked, as after a commit that got no answer.
        return duringCommit || !transactional() ? Outcome::Unknown : Outcome::Lost;
    if (transactional())
        executeSql(wordPress, "ROLLBACK");
    return Outcome::Refused;
}

bool RowWriter::arrived(const Queued& queued)
{
    return !queued.row.arrivalCheck.empty() &&
           selectNumber(m_run, m_run.wordPress, queued.row.arrivalCheck).value_or(0) > 0;
}

void RowWriter::resolve(const Queued& queued, State state, bool changed)
{
    m_states[queued.ticket] = state;
    FailureLog::Tally& tally = m_run.failures.tally(m_migration);
    ++tally.read;
    if (state == State::Failed) {
        ++tally.failed;
        return;
    }
    // A row that arrived without a link it could not have is written; what it lacks is logged.
    for (const RowWrite::Problem& problem : queued.row.problems)
        logFailure(queued, problem.table, problem.reason);
    ++(changed ? tally.failed : tally.written);
}

void RowWriter::logFailure(const Queued& queued, std::string_view table, const std::string& error)
{
    m_run.failures.record(m_migration, m_run.wordPressTable(table), queued.row.sourceId, error);
}

bool RowWriter::transactional()
{
    if (!m_run.transactional) {
        // Rows are undone only where the tables can: with MyISAM, say, every statement stands at once.
        std::string tables;
        for (const std::string_view bare : wordPressTablesWritten)
            tables += (tables.empty() ? "'" : ",'") + m_run.wordPressTable(bare) + "'";
        m_run.transactional =
            selectNumber(m_run, m_run.wordPress,
                         "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE()"
                         " AND TABLE_NAME IN (" +
                             tables + ") AND ENGINE<>'InnoDB'") == std::optional<std::int64_t>(0);
    }
    return *m_run.transactional;
}

} // namespace kestrel
