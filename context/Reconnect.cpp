#include "Reconnect.h"

#include "ResultSet.h"
#include "RowValues.h"
#include "RunContext.h"
#include "Session.h"
#include "TableQueries.h"

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

// Operations safe to repeat are sent at most this many times, however often the session drops.
constexpr int roundsForRepeatable = 3;

} // namespace

bool isSessionLost(const Session& session)
{
    const unsigned error = session.lastErrorNumber();
    return std::find(std::begin(lostSessionErrors), std::end(lostSessionErrors), error) != std::end(lostSessionErrors);
}

bool reopenLostSession(RunContext& run, Session& session)
{
    // Not open: closed after an earlier reopening failed (or never opened).
    if (!session)
        return false;
    const bool wordPress = &session == &run.wordPress;
    for (std::size_t attempt = 0; attempt < pauses.size() && !run.stopRequested(); ++attempt) {
        run.tell({RunEvent::What::Reconnecting, {}, 0, 0, wordPress, static_cast<int>(attempt + 1)});
        run.pace(pauses[attempt]);
        if (run.stopRequested())
            break;
        if (session.reconnect())
            return true;
    }
    return false;
}

ResultSet readWithReconnect(RunContext& run, Session& session, const Query& query)
{
    for (int round = 1;; ++round) {
        ResultSet rows = session.read(query);
        if (rows)
            return rows;
        if (round == roundsForRepeatable || !isSessionLost(session) || !reopenLostSession(run, session))
            return {};
    }
}

std::optional<std::int64_t> readNumber(RunContext& run, Session& session, const Query& query)
{
    const ResultSet rows = readWithReconnect(run, session, query);
    std::int64_t number = 0;
    if (rowCount(rows) == 0 || !readField(rows, 0, number))
        return std::nullopt;
    return number;
}

bool changeWithReconnect(RunContext& run, Session& session, const Change& change)
{
    for (int round = 1;; ++round) {
        if (session.change(change))
            return true;
        if (round == roundsForRepeatable || !isSessionLost(session) || !reopenLostSession(run, session))
            return false;
    }
}

ChangeAhead::ChangeAhead(RunContext& run, Session& session, std::optional<Change> change)
    : m_run(run), m_session(session), m_change(std::move(change))
{
}

ChangeAhead::~ChangeAhead()
{
    if (m_step == Step::sent)
        m_session.collect();
}

void ChangeAhead::send()
{
    if (m_step != Step::unsent || !m_change || m_run.stopRequested())
        return;
    // A session that cannot take it so runs it in result(), as does one lost before it went.
    if (m_session.takesExchanges() && m_session.send(Exchange{{*m_change}}))
        m_step = Step::sent;
}

bool ChangeAhead::result()
{
    if (m_step == Step::done)
        return m_result;
    if (m_step == Step::sent) {
        m_step = Step::done;
        m_result = m_session.collect().complete;
        // Lost on its way: it may safely go again.
        if (m_result || !isSessionLost(m_session))
            return m_result;
    } else if (!m_change || m_run.stopRequested()) {
        m_step = Step::done;
        return m_result = true;
    }
    m_step = Step::done;
    return m_result = changeWithReconnect(m_run, m_session, *m_change);
}

bool insertOnce(RunContext& run, Session& session, const std::string& table, const RowValues& row)
{
    const Insert insert{table, row.columns(), {&row}};
    const Query there = rowsAlike(table, row);
    for (int round = 1;; ++round) {
        if (session.insert(insert))
            return true;
        if (round == roundsForRepeatable || !isSessionLost(session) || !reopenLostSession(run, session))
            return false;
        // Lost before its answer came: it may have arrived.
        const std::optional<std::int64_t> found = readNumber(run, session, there);
        if (!found)
            return false;
        if (*found > 0)
            return true;
    }
}

} // namespace kestrel
