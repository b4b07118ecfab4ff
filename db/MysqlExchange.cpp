#include "MysqlSession.h"

#include <errmsg.h>

namespace kestrel {

namespace {

// A strict exchange's opening and end: the session's own mode is kept, STRICT_ALL_TABLES added for the
// exchange, and the mode put back after it (or after it was undone).
constexpr std::string_view strictOpening = "SET @kestrel_mode=@@SESSION.sql_mode,SESSION sql_mode=CONCAT_WS(',',"
                                           "NULLIF(@@SESSION.sql_mode,''),'STRICT_ALL_TABLES')";
constexpr std::string_view strictEnd = "SET SESSION sql_mode=@kestrel_mode";

} // namespace

bool MysqlSession::sendNow(const Exchange& exchange)
{
    std::string text;
    Sent sent;
    sent.transaction = exchange.transaction;
    sent.strict = exchange.strict;
    auto add = [&text](std::string_view statement) { text.append(text.empty() ? "" : ";").append(statement); };
    if (exchange.strict)
        add(strictOpening);
    if (exchange.transaction)
        add("START TRANSACTION");
    sent.before = (exchange.strict ? 1 : 0) + (exchange.transaction ? 1 : 0);
    for (const Operation& operation : exchange.operations) {
        if (!text.empty())
            text += ';';
        if (!render(operation, text))
            return false;
        sent.reads.push_back(std::holds_alternative<Query>(operation));
    }
    if (exchange.transaction)
        add("COMMIT");
    if (exchange.strict)
        add(strictEnd);
    if (!sendStatements(text))
        return false;
    m_sent = std::move(sent);
    return true;
}

ExchangeOutcome MysqlSession::collectNow()
{
    const Sent sent = std::move(m_sent);
    m_sent = Sent{};
    const std::size_t operations = sent.reads.size();
    ExchangeOutcome outcome;
    outcome.rows.resize(operations);
    MYSQL* mysql = handle();
    bool committed = false;
    int status = mysql_read_query_result(mysql) == 0 ? 0 : 1;
    for (std::size_t statement = 0; status == 0; ++statement) {
        MYSQL_RES* rows = mysql_store_result(mysql);
        const std::size_t operation = statement - sent.before;
        if (statement >= sent.before && operation < operations) {
            // Rows that did not all come fail their read: nothing after it counts.
            if (sent.reads[operation] && !rows) {
                status = 1;
                break;
            }
            outcome.rows[operation] = ResultSet(rows);
            outcome.done = operation + 1;
        } else {
            mysql_free_result(rows);
            committed = committed || (sent.transaction && statement == sent.before + operations);
        }
        status = mysql_next_result(mysql);
    }
    outcome.complete = outcome.done == operations && (!sent.transaction || committed);
    if (status > 0) {
        outcome.errorNumber = mysql_errno(mysql);
        outcome.error = mysql_error(mysql);
        // What the server still has to say after a failure, so that the session is ready for what follows.
        while (mysql_more_results(mysql) && mysql_next_result(mysql) == 0)
            mysql_free_result(mysql_store_result(mysql));
    }
    if (!outcome.complete && (sent.transaction || sent.strict)) {
        // Refused on the way (or lost, and then this fails too): undone, and the session's own mode again.
        std::string undo = sent.transaction ? "ROLLBACK" : "";
        if (sent.strict)
            undo.append(undo.empty() ? "" : ";").append(strictEnd);
        if (sendStatements(undo))
            readStatementResults();
    }
    // Several statements stay on for an exchange that may follow; any other statement switches them off first.
    return outcome;
}

bool MysqlSession::sendStatements(std::string_view statements)
{
    if (!sendable(statements))
        return false;
    if (!m_several.onForExchange(handle())) {
        rememberMysqlError();
        return false;
    }
    if (mysql_send_query(handle(), statements.data(), statements.size()) != 0) {
        rememberMysqlError();
        const unsigned number = lastErrorNumber();
        std::string error = lastError();
        m_several.offAfterFailure(handle());
        rememberError(number, std::move(error));
        return false;
    }
    return true;
}

std::vector<bool> MysqlSession::readStatementResults()
{
    std::vector<bool> results;
    if (!m_handle) {
        failWithoutSession();
        results.push_back(false);
        return results;
    }
    MYSQL* mysql = handle();
    int status = mysql_read_query_result(mysql) == 0 ? 0 : 1;
    while (true) {
        if (status > 0) {
            rememberMysqlError();
            results.push_back(false);
            break;
        }
        results.push_back(true);
        mysql_free_result(mysql_store_result(mysql)); // inserts give none; anything else is not wanted
        status = mysql_next_result(mysql);
        if (status < 0)
            break;
    }
    return results;
}

} // namespace kestrel
