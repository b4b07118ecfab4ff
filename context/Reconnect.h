#pragma once

#include "Query.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

class ResultSet;
class RowValues;
class Session;
struct RunContext;

// Whether the last failure of a session was the session itself going away
// (server restarted, wait_timeout, network dropped, KILL) rather than a refused statement.
bool isSessionLost(const Session& session);

// After an operation failed because its session was lost: opens the session
// again with the same settings, a few times with a growing pause, saying so in
// the status text. True when the session is open again; false when the server
// stays away or a stop was asked for. A session given up on stays closed for the
// rest of the run, so that later rows fail at once instead of each waiting again.
bool reopenLostSession(RunContext& run, Session& session);

// A read with its whole result: a session lost while the rows arrive is opened again and the rows asked
// for again. Null when no result came.
ResultSet readWithReconnect(RunContext& run, Session& session, const Query& query);
// The first column of the first row of such a read as a number; nothing when none came.
std::optional<std::int64_t> readNumber(RunContext& run, Session& session, const Query& query);
// For a change that may safely run twice: when the session is lost on the way, it is opened again and the
// change sent again.
bool changeWithReconnect(RunContext& run, Session& session, const Change& change);

// A change that may safely run twice, sent ahead where the session takes exchanges, so that the server
// works on it while the run does something else (reads emlog). Its answer is read by result(), which must
// come before anything else is sent on the session; where it was not sent, it runs there. None, or one
// not yet sent when a stop was asked for, never runs.
class ChangeAhead
{
public:
    ChangeAhead(RunContext& run, Session& session, std::optional<Change> change);
    ChangeAhead(const ChangeAhead&) = delete;
    ChangeAhead& operator=(const ChangeAhead&) = delete;
    // Reads an answer still on its way, so that the session is free.
    ~ChangeAhead();

    void send();
    // False when it was refused, or its session lost and not opened again; read once, then remembered.
    bool result();

private:
    enum class Step { unsent, sent, done };
    RunContext& m_run;
    Session& m_session;
    std::optional<Change> m_change;
    Step m_step = Step::unsent;
    bool m_result = true;
};

// For a row inserted on its own, which must not arrive twice: when the session is lost on the way, it is
// opened again and the database asked whether a row of exactly these values is there before the row is
// sent again. `table` is the whole name. For rows of a fresh key, so that a row alike is this one.
bool insertOnce(RunContext& run, Session& session, const std::string& table, const RowValues& row);

} // namespace kestrel
