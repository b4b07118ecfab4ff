#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

class Assignments;
class BlogConnection;
class ResultSet;
struct RunContext;

// Whether the last failure of a session was the session itself going away
// (server restarted, wait_timeout, network dropped, KILL) rather than a refused statement.
bool isSessionLost(const BlogConnection& session);

// After a statement failed because its session was lost: opens the session
// again with the same settings, a few times with a growing pause, saying so in
// the status text. True when the session is open again; false when the server
// stays away or a stop was asked for. A session given up on stays closed for the
// rest of the run, so that later rows fail at once instead of each waiting again.
bool reopenLostSession(RunContext& run, BlogConnection& session);

// For statements that may safely run twice (reads, session settings): when the session
// is lost on the way, it is opened again and the statement sent again.
bool executeWithReconnect(RunContext& run, BlogConnection& session, std::string_view statement);
// A statement that may safely run twice, sent ahead where the session takes several statements, so
// that the server works on it while the run does something else (reads emlog). Its answer is read
// by result(), which must come before anything else is sent on the session; where it was not sent,
// it runs there. An empty statement, or one not yet sent when a stop was asked for, never runs.
class StatementAhead
{
public:
    StatementAhead(RunContext& run, BlogConnection& session, std::string statement);
    StatementAhead(const StatementAhead&) = delete;
    StatementAhead& operator=(const StatementAhead&) = delete;
    // Reads an answer still on its way, so that the session is free.
    ~StatementAhead();

    void send();
    // False when it was refused, or its session lost and not opened again; read once, then remembered.
    bool result();

private:
    enum class Step { unsent, sent, done };
    RunContext& m_run;
    BlogConnection& m_session;
    std::string m_statement;
    Step m_step = Step::unsent;
    bool m_result = true;
};

// For a row inserted on its own, which must not arrive twice: when the session is lost on the way,
// it is opened again and WordPress asked whether a row of exactly these values is there before the
// row is sent again. `table` is the whole name. For rows of a fresh key, so that a row alike is this one.
bool insertOnce(RunContext& run, BlogConnection& session, std::string_view table, const Assignments& row);
// The same for a select, with its whole result stored: a session lost while the rows
// arrive is opened again and the rows asked for again. Null when no result came.
ResultSet selectWithReconnect(RunContext& run, BlogConnection& session, std::string_view statement);
// The first column of the first row of such a select as a number; nothing when none came.
std::optional<std::int64_t> selectNumber(RunContext& run, BlogConnection& session, std::string_view statement);

} // namespace kestrel
