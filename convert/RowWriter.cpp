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
    if (failedBefore(queued))
        return ticket;
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
    collect();
}

void RowWriter::flush()
{
    Batch batch = std::move(m_queue);
    m_queue.clear();
    m_queuedBytes = 0;
    // Stopped: what was not yet sent is not written, and not counted. What is on its way arrives.
    if (batch.empty() || m_run.stopRequested())
        return;
    collect();
    // The batch just collected may have held a row that one of these needed.
    std::erase_if(batch, [this](const Queued& queued) { return failedBefore(queued); });
    if (batch.empty())
        return;
    if (!transactional() || !m_run.wordPress.takesSeveralStatements()) {
        writeAlone(batch, true);
        return;
    }
    send(std::move(batch));
}

std::vector<RowWriter::Statement> RowWriter::statementsOf(const std::vector<const RowWrite*>& rows) const
{
    std::vector<Statement> statements;
    for (const RowWrite* row : rows) {
        for (const TableRow& tableRow : row->rows) {
            const std::string shape = tableRow.table + "(" + tableRow.values.columns() + ")";
            auto statement = std::find_if(statements.begin(), statements.end(),
                                          [&](const Statement& s) { return s.shape == shape; });
            if (statement == statements.end())
                statement = statements.insert(statements.end(), {tableRow.table, shape,
                                                                 "insert into " + m_run.wordPressTable(tableRow.table) +
                                                                     " (" + tableRow.values.columns() + ") values ",
                                                                 0});
            statement->text.append(statement->rows++ == 0 ? "" : ",").append(tableRow.values.tuple());
        }
    }
    return statements;
}

namespace {

// A batch's exchange: strict for its length, so that a value the server would have to change
// is refused, not written with a warning; the batch can then still be undone and its rows
// written one by one to find out which. Then the session's own mode again.
constexpr std::string_view batchOpening = "SET @kestrel_mode=@@SESSION.sql_mode,"
                                          "SESSION sql_mode=CONCAT_WS(',',NULLIF(@@SESSION.sql_mode,''),"
                                          "'STRICT_ALL_TABLES');START TRANSACTION";
constexpr std::string_view batchClosing = "COMMIT;SET SESSION sql_mode=@kestrel_mode";
constexpr std::string_view batchUndoing = "ROLLBACK;SET SESSION sql_mode=@kestrel_mode";
constexpr std::size_t statementsBefore = 2; // the SET and START TRANSACTION

} // namespace

void RowWriter::send(Batch batch)
{
    std::vector<const RowWrite*> rows;
    for (const Queued& queued : batch)
        rows.push_back(&queued.row);
    std::vector<Statement> statements = statementsOf(rows);
    std::string packet(batchOpening);
    for (const Statement& statement : statements)
        packet.append(";").append(statement.text);
    packet.append(";").append(batchClosing);
    if (!sendStatements(m_run.wordPress, packet)) {
        writeAlone(batch, true);
        return;
    }
    m_sent = std::move(batch);
    m_sentStatements = std::move(statements);
}

void RowWriter::collect()
{
    if (m_sent.empty())
        return;
    Batch sent = std::move(m_sent);
    m_sent.clear();
    const std::vector<StatementResult> results = readStatementResults(m_run.wordPress);
    const std::size_t commit = statementsBefore + m_sentStatements.size();
    // Every statement up to the commit went through: the batch is in WordPress.
    if (results.size() > commit && results[commit].ok) {
        for (const Queued& queued : sent)
            resolve(queued, State::Arrived);
        return;
    }
    if (isSessionLost(m_run.wordPress)) {
        // Lost while committing, the batch may be there; lost before, it went with the session.
        if (results.size() == commit + 1)
            commitFailed(sent);
        else
            writeAlone(sent, true);
        return;
    }
    // Refused: undone, and the rows say which, one at a time, in the session's own mode.
    if (sendStatements(m_run.wordPress, batchUndoing))
        readStatementResults(m_run.wordPress);
    writeAlone(sent, false);
}

void RowWriter::commitFailed(Batch& batch)
{
    // A session lost while committing may or may not have taken the batch: a batch is all or
    // nothing, so its first row says. Any other failed commit undid it.
    if (isSessionLost(m_run.wordPress) && reopenLostSession(m_run, m_run.wordPress) && arrived(batch.front())) {
        for (const Queued& queued : batch)
            resolve(queued, State::Arrived);
        return;
    }
    writeAlone(batch, true);
}

void RowWriter::writeAlone(Batch& batch, bool wholeFirst)
{
    if (batch.empty())
        return;
    if (!wholeFirst || batch.size() == 1) {
        writeOneByOne(batch);
        return;
    }
    std::vector<Queued*> rows;
    for (Queued& queued : batch)
        rows.push_back(&queued);
    Failure failure;
    std::string changes;
    switch (writeWithRetries(rows, false, failure, changes)) {
    case Outcome::Written:
        for (const Queued& queued : batch)
            resolve(queued, State::Arrived);
        break;
    case Outcome::Refused:
        writeOneByOne(batch);
        break;
    default:
        for (const Queued& queued : batch) {
            logFailure(queued, failure.table, failure.error);
            resolve(queued, State::Failed);
        }
    }
}

void RowWriter::writeOneByOne(Batch& batch)
{
    for (Queued& queued : batch) {
        if (failedBefore(queued))
            continue;
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
        return failedStatement(batch.front()->row.rows.front().table, failure, false);

    std::vector<const RowWrite*> rows;
    for (const Queued* queued : batch)
        rows.push_back(&queued->row);
    for (const Statement& statement : statementsOf(rows)) {
        if (!executeSql(wordPress, statement.text))
            return failedStatement(statement.table, failure, false);

        // WordPress's tables have columns without defaults that the server fills in with a
        // warning each; only warnings beyond those mean a value was changed.
        const unsigned count = warningCount(wordPress);
        const auto expected = m_run.expectedWarnings.find(statement.shape);
        const unsigned perRow = expected == m_run.expectedWarnings.end() ? 0 : expected->second;
        if (count <= perRow * statement.rows)
            continue;
        unsigned defaults = 0;
        std::string changed;
        for (const Warning& warning : lastWarnings(wordPress)) {
            if (warning.code == filledWithDefault)
                ++defaults;
            else
                changed += (changed.empty() ? "" : "; ") + std::to_string(warning.code) + " " + warning.message;
        }
        if (statement.rows == 1)
            m_run.expectedWarnings[statement.shape] = defaults;
        if (changed.empty())
            continue;
        if (!oneByOne && atomic) {
            // Which row? Undo the batch and let the rows say it one at a time.
            executeSql(wordPress, "ROLLBACK");
            failure = {statement.table, changed};
            return Outcome::Refused;
        }
        failure.table = statement.table;
        changes += (changes.empty() ? "" : "; ") + changed;
    }
    if (atomic && !executeSql(wordPress, "COMMIT"))
        return failedStatement(batch.front()->row.rows.front().table, failure, true);
    return Outcome::Written;
}

RowWriter::Outcome RowWriter::failedStatement(std::string_view table, Failure& failure, bool duringCommit)
{
    BlogConnection& wordPress = m_run.wordPress;
    failure = {std::string(table), errorText(wordPress)};
    if (isSessionLost(wordPress))
        // Without a transaction every statement before the loss stands: whether the row
        // is there must be asked, as after a commit that got no answer.
        return duringCommit || !transactional() ? Outcome::Unknown : Outcome::Lost;
    if (transactional())
        executeSql(wordPress, "ROLLBACK");
    return Outcome::Refused;
}

bool RowWriter::failedBefore(const Queued& queued)
{
    if (!queued.row.after || m_states[queued.row.after->ticket] != State::Failed)
        return false;
    logFailure(queued, queued.row.rows.front().table, queued.row.after->reason);
    resolve(queued, State::Failed);
    return true;
}

bool RowWriter::arrived(const Queued& queued)
{
    // Asked only after a lost session, so the question is made only then.
    const RowWrite& row = queued.row;
    const std::string check = !row.arrivalCheck.empty() ? row.arrivalCheck
                              : row.copied              ? originCheck(m_run, *row.copied->key, row.copied->emlogId)
                                                        : std::string();
    return !check.empty() && selectNumber(m_run, m_run.wordPress, check).value_or(0) > 0;
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
    if (const auto& copied = queued.row.copied)
        copiesOf(m_run, *copied->key)[copied->emlogId] = copied->copy;
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
        m_run.transactional = selectNumber(m_run, m_run.wordPress,
                                           "SELECT COUNT(*) FROM information_schema.TABLES WHERE "
                                           "TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (" +
                                               tables + ") AND ENGINE<>'InnoDB'") == std::optional<std::int64_t>(0);
    }
    return *m_run.transactional;
}

} // namespace kestrel
