#include "BatchExchange.h"

#include "BlogConnection.h"
#include "Reconnect.h"
#include "RowByRow.h"
#include "RunContext.h"

#include <algorithm>

namespace kestrel {

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

std::vector<BatchStatement> statementsOf(const RunContext& run, const std::vector<const RowWrite*>& rows)
{
    std::vector<BatchStatement> statements;
    for (const RowWrite* row : rows) {
        for (const TableRow& tableRow : row->rows) {
            const std::string shape = tableRow.table + "(" + tableRow.values.columns() + ")";
            const bool alone = row->originAlone && tableRow.origin;
            auto statement = std::find_if(statements.begin(), statements.end(), [&](const BatchStatement& s) {
                return s.shape == shape && s.origin == alone;
            });
            if (statement == statements.end())
                statement = statements.insert(statements.end(), {tableRow.table, shape,
                                                                 "insert into " + run.wordPressTable(tableRow.table) +
                                                                     " (" + tableRow.values.columns() + ") values ",
                                                                 0, alone});
            statement->text.append(statement->rows++ == 0 ? "" : ",").append(tableRow.values.tuple());
        }
    }
    return statements;
}

void BatchExchange::send(Batch batch)
{
    std::vector<const RowWrite*> rows;
    for (const QueuedRow& queued : batch)
        rows.push_back(&queued.row);
    std::vector<BatchStatement> statements = statementsOf(m_run, rows);
    std::string packet(batchOpening);
    for (const BatchStatement& statement : statements)
        packet.append(";").append(statement.text);
    packet.append(";").append(batchClosing);
    if (!sendStatements(m_run.wordPress, packet)) {
        m_alone.writeAlone(batch, true);
        return;
    }
    m_sent = std::move(batch);
    m_sentStatements = std::move(statements);
}

void BatchExchange::collect()
{
    if (m_sent.empty())
        return;
    Batch sent = std::move(m_sent);
    m_sent.clear();
    const std::vector<bool> results = readStatementResults(m_run.wordPress);
    const std::size_t commit = statementsBefore + m_sentStatements.size();
    // Every statement up to the commit went through: the batch is in WordPress.
    if (results.size() > commit && results[commit]) {
        for (const QueuedRow& queued : sent)
            m_fates.resolve(queued, RowState::Arrived);
        return;
    }
    if (isSessionLost(m_run.wordPress)) {
        // Lost while committing, the batch may be there; lost before, it went with the session.
        if (results.size() == commit + 1)
            m_alone.commitFailed(sent);
        else
            m_alone.writeAlone(sent, true);
        return;
    }
    // Refused: undone, and the rows say which, one at a time, in the session's own mode.
    if (sendStatements(m_run.wordPress, batchUndoing))
        readStatementResults(m_run.wordPress);
    m_alone.writeAlone(sent, false);
}

} // namespace kestrel
