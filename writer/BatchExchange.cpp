#include "BatchExchange.h"

#include "Reconnect.h"
#include "RowByRow.h"
#include "RunContext.h"
#include "Session.h"

#include <algorithm>

namespace kestrel {

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
                statement = statements.insert(statements.end(),
                                              {tableRow.table,
                                               shape,
                                               {run.wordPressTable(tableRow.table), tableRow.values.columns(), {}},
                                               alone});
            statement->insert.rows.push_back(&tableRow.values);
        }
    }
    return statements;
}

bool BatchExchange::hasRoom() const
{
    return m_sent.size() < m_run.wordPress.exchangesAtOnce();
}

void BatchExchange::makeRoom()
{
    while (!m_sent.empty() && !hasRoom())
        collectOldest();
}

void BatchExchange::send(Batch batch)
{
    std::vector<const RowWrite*> rows;
    for (const QueuedRow& queued : batch)
        rows.push_back(&queued.row);
    // Strict for its length, so that a value the server would have to change is refused, not written with
    // a warning: the batch can then still be undone, and its rows written one by one to find out which.
    Exchange exchange;
    exchange.transaction = true;
    exchange.strict = true;
    for (BatchStatement& statement : statementsOf(m_run, rows))
        exchange.operations.emplace_back(std::move(statement.insert));
    if (!m_run.wordPress.send(exchange)) {
        // Those on their way are read first, so that rows are resolved in the order they were written.
        collect();
        m_alone.writeAlone(batch, true);
        return;
    }
    m_sent.push_back({std::move(batch), exchange.operations.size()});
}

void BatchExchange::collect()
{
    while (!m_sent.empty())
        collectOldest();
}

void BatchExchange::collectOldest()
{
    Sent sent = std::move(m_sent.front());
    m_sent.pop_front();
    const ExchangeOutcome outcome = m_run.wordPress.collect();
    // Every insert and the commit went through: the batch is in WordPress.
    if (outcome.complete) {
        for (const QueuedRow& queued : sent.batch)
            m_fates.resolve(queued, RowState::Arrived);
        return;
    }
    if (isSessionLost(m_run.wordPress)) {
        // Lost while committing, the batch may be there; lost before, it went with the session.
        if (outcome.done == sent.inserts)
            m_alone.commitFailed(sent.batch);
        else
            m_alone.writeAlone(sent.batch, true);
        return;
    }
    // Refused, and undone: the rows say which, one at a time, in the session's own mode.
    m_alone.writeAlone(sent.batch, false);
}

} // namespace kestrel
