#include "Reconnect.h"

#include "Assignments.h"
#include "BlogConnection.h"
#include "ResultSet.h"
#include "RunContext.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>
#include <vector>

namespace kestrel {

namespace {

// What a client learns when its session went away, as the library or the server words it.
constexpr unsigned lostSessionErrors[] = {
    CR_SERVER_GONE_ERROR,    // it was gone before the statement was sent (wait_timeout, restart)
    CR_SERVER_LOST,          // it went away while the statement was under way: its outcome is unknown
    CR_SERVER_LOST_EXTENDED, // the same, from client libraries that say more
    // On an encrypted session the end of the connection shows as a TLS error:
    // "TLS/SSL error: unexpected eof while reading" after a KILL or a restart.
    CR_SSL_CONNECTION_ERROR,
    5013, // CR_ERR_NET_READ
    5014, // CR_ERR_NET_WRITE
    ER_SERVER_SHUTDOWN, ER_CONNECTION_KILLED, ER_NET_READ_ERROR, ER_NET_READ_INTERRUPTED, ER_NET_ERROR_ON_WRITE,
    ER_NET_WRITE_INTERRUPTED,
    4031, // MySQL 8's ER_CLIENT_INTERACTION_TIMEOUT: disconnected after wait_timeout
};

// The pause before each attempt. The first is short: after a KILL or a dropped network the
// server is still there. A restarting server is given about half a minute to come back.
constexpr std::array<milliseconds, 6> pauses = {milliseconds(500),  milliseconds(1000), milliseconds(2000),
                                                milliseconds(4000), milliseconds(8000), milliseconds(16000)};

// Safe-to-repeat statements are sent at most this many times, however often the session drops.
constexpr int roundsForRepeatable = 3;

} // namespace

bool isSessionLost(const BlogConnection& session)
{
    const unsigned error = session.lastErrorNumber();
    return std::find(std::begin(lostSessionErrors), std::end(lostSessionErrors), error) != std::end(lostSessionErrors);
}

bool reopenLostSession(RunContext& run, BlogConnection& session)
{
    // Null: closed after an earlier reopening failed (or never opened).
    if (!session)
        return false;
    const bool wordPress = &session == &run.wordPress;
    for (std::size_t attempt = 0; attempt < pauses.size() && !run.stopRequested(); ++attempt) {
        run.tell({RunEvent::What::Reconnecting, {}, 0, 0, wordPress, static_cast<int>(attempt + 1)});
        run.pace(pauses[attempt]);
        if (run.stopRequested())
            break;
        if (reconnect(session))
            return true;
    }
    return false;
}

bool executeWithReconnect(RunContext& run, BlogConnection& session, std::string_view statement)
{
    for (int round = 1;; ++round) {
        if (executeSql(session, statement))
            return true;
        if (round == roundsForRepeatable || !isSessionLost(session) || !reopenLostSession(run, session))
            return false;
    }
}

StatementAhead::StatementAhead(RunContext& run, BlogConnection& session, std::string statement)
    : m_run(run), m_session(session), m_statement(std::move(statement))
{
}

StatementAhead::~StatementAhead()
{
    if (m_step == Step::sent)
        readStatementResults(m_session);
}

void StatementAhead::send()
{
    if (m_step != Step::unsent || m_statement.empty() || m_run.stopRequested())
        return;
    // A session that cannot take it so runs it in result(), as does one lost before it went.
    if (m_session.takesSeveralStatements() && sendStatements(m_session, m_statement))
        m_step = Step::sent;
}

bool StatementAhead::result()
{
    if (m_step == Step::done)
        return m_result;
    if (m_step == Step::sent) {
        const std::vector<bool> results = readStatementResults(m_session);
        m_step = Step::done;
        m_result = results.size() == 1 && results.front();
        // Lost on its way: it may safely go again.
        if (m_result || !isSessionLost(m_session))
            return m_result;
    } else if (m_statement.empty() || m_run.stopRequested()) {
        m_step = Step::done;
        return m_result = true;
    }
    m_step = Step::done;
    return m_result = executeWithReconnect(m_run, m_session, m_statement);
}

bool insertOnce(RunContext& run, BlogConnection& session, std::string_view table, const Assignments& row)
{
    const std::string insert = "INSERT INTO " + std::string(table) + " (" + row.columns() + ") VALUES " + row.tuple();
    const std::string there =
        "SELECT COUNT(*) FROM " + std::string(table) + " WHERE (" + row.columns() + ")=" + row.tuple();
    for (int round = 1;; ++round) {
        if (executeSql(session, insert))
            return true;
        if (round == roundsForRepeatable || !isSessionLost(session) || !reopenLostSession(run, session))
            return false;
        // Lost before its answer came: it may have arrived.
        const std::optional<std::int64_t> found = selectNumber(run, session, there);
        if (!found)
            return false;
        if (*found > 0)
            return true;
    }
}

ResultSet selectWithReconnect(RunContext& run, BlogConnection& session, std::string_view statement)
{
    for (int round = 1;; ++round) {
        if (executeSql(session, statement)) {
            ResultSet rows = storeResult(session);
            // A statement without rows has a null result (and a carried one has no library error to ask).
            if (rows || !session.handle() || mysql_errno(session.handle()) == 0)
                return rows;
        }
        if (round == roundsForRepeatable || !isSessionLost(session) || !reopenLostSession(run, session))
            return {};
    }
}

std::optional<std::int64_t> selectNumber(RunContext& run, BlogConnection& session, std::string_view statement)
{
    const ResultSet rows = selectWithReconnect(run, session, statement);
    std::int64_t number = 0;
    if (rowCount(rows) == 0 || !readField(rows, 0, number))
        return std::nullopt;
    return number;
}

} // namespace kestrel
