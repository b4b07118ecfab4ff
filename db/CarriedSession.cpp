#include "BlogConnection.h"
#include "CarriedAccess.h"
#include "ResultSet.h"

#include <errmsg.h>

#include <algorithm>
#include <cctype>

namespace kestrel {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool isStatement(std::string_view statement, std::string_view words)
{
    const std::string_view text = trimmed(statement);
    return text.size() == words.size() && std::equal(text.begin(), text.end(), words.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

// One exchange, with the session's settings first. False, with the carrier's error, when the exchange failed.
bool exchange(BlogConnection& connection, StatementCarrier& carrier, const std::vector<std::string>& settings,
              const std::vector<std::string_view>& statements, std::vector<CarriedOutcome>& outcomes)
{
    unsigned number = 0;
    std::string error;
    if (carrier.carry(settings, statements, outcomes, number, error))
        return true;
    connection.rememberError(number, std::move(error));
    return false;
}

CarriedOutcome succeeded()
{
    CarriedOutcome outcome;
    outcome.ok = true;
    return outcome;
}

} // namespace

std::vector<std::string_view> splitStatements(std::string_view text)
{
    std::vector<std::string_view> statements;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\' && quote != '`')
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        } else if (c == ';') {
            if (!trimmed(text.substr(start, i - start)).empty())
                statements.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (!trimmed(text.substr(start)).empty())
        statements.push_back(text.substr(start));
    return statements;
}

BlogConnection carriedConnection(std::shared_ptr<StatementCarrier> carrier, Protection protection,
                                 std::string tlsVersion, std::string tlsCipher)
{
    BlogConnection connection;
    if (!carrier)
        return connection;
    connection.m_maxStatementBytes = carrier->maxStatementBytes();
    connection.m_carrier = std::move(carrier);
    connection.m_protection = protection;
    connection.m_tlsVersion = std::move(tlsVersion);
    connection.m_tlsCipher = std::move(tlsCipher);
    connection.m_reopenable = true;
    return connection;
}

bool CarriedAccess::reconnect(BlogConnection& connection)
{
    settle(connection);
    // A transaction under way went with the exchange that was lost.
    connection.m_heldTransaction.reset();
    if (connection.m_breaker && connection.m_breaker->broken()) {
        connection.m_reopenFailure = "the session was broken off";
        return connection.failWithoutSession();
    }
    unsigned number = 0;
    std::string error;
    if (connection.m_carrier->reachable(number, error)) {
        connection.m_reopenFailure.clear();
        return true;
    }
    connection.rememberError(number, error);
    connection.m_reopenFailure = std::to_string(number) + " " + error;
    return false;
}

bool CarriedAccess::setCharacterSet(BlogConnection& connection, const char* name)
{
    // The far side's session reads and writes utf8mb4, and nothing else.
    if (std::string_view(name) != "utf8mb4") {
        connection.rememberError(CR_CANT_READ_CHARSET, "a carried session speaks utf8mb4 only");
        return false;
    }
    connection.m_characterSet = name;
    return true;
}

bool CarriedAccess::execute(BlogConnection& connection, std::string_view statement)
{
    // Statements go in the order they were given: what was sent at once has its answer first.
    settle(connection);
    auto& held = connection.m_heldTransaction;
    // A transaction cannot stay open between exchanges: its statements are kept and sent again with each
    // one that follows, then undone by the far side, until the commit sends them for good.
    if (isStatement(statement, "START TRANSACTION")) {
        held.emplace(1, std::string(statement));
        connection.m_lastCarried = succeeded();
        return true;
    }
    if (held && isStatement(statement, "ROLLBACK")) {
        held.reset();
        connection.m_lastCarried = succeeded();
        return true;
    }
    const bool commit = isStatement(statement, "COMMIT");
    std::vector<std::string_view> statements;
    if (held)
        statements.assign(held->begin(), held->end());
    statements.push_back(statement);
    std::vector<CarriedOutcome> outcomes;
    if (!exchange(connection, *connection.m_carrier, connection.m_settings, statements, outcomes)) {
        held.reset();
        return false;
    }
    if (outcomes.size() < statements.size() && !outcomes.empty() && !outcomes.back().ok) {
        // One the transaction held failed this time: the transaction cannot be made again, as if lost.
        held.reset();
        connection.rememberError(CR_SERVER_LOST, "the transaction could not be made again: " + outcomes.back().error);
        return false;
    }
    if (outcomes.size() != statements.size() || !outcomes.back().ok) {
        const CarriedOutcome failed = outcomes.empty() ? CarriedOutcome{} : outcomes.back();
        connection.rememberError(failed.errorNumber ? failed.errorNumber : CR_UNKNOWN_ERROR,
                                 failed.error.empty() ? "no answer for the statement" : failed.error);
        if (commit)
            held.reset();
        return false;
    }
    connection.m_lastCarried = std::move(outcomes.back());
    if (held) {
        if (commit)
            held.reset();
        else
            held->emplace_back(statement);
    }
    return true;
}

bool CarriedAccess::send(BlogConnection& connection, std::string_view statements)
{
    settle(connection);
    begin(connection, splitStatements(statements), {});
    return true;
}

void CarriedAccess::begin(BlogConnection& connection, const std::vector<std::string_view>& statements,
                          std::vector<std::string> readAhead)
{
    CarriedSending& sent = connection.m_sent;
    sent = CarriedSending{};
    sent.onItsWay = true;
    sent.statements = statements.size();
    sent.lastCommit = statements.size();
    for (std::size_t i = statements.size(); i-- > 0;) {
        if (isStatement(statements[i], "COMMIT")) {
            sent.lastCommit = i;
            break;
        }
    }
    sent.readAhead = std::move(readAhead);
    connection.m_carrier->begin(connection.m_settings, statements);
}

void CarriedAccess::settle(BlogConnection& connection)
{
    CarriedSending& sent = connection.m_sent;
    if (!sent.onItsWay)
        return;
    sent.onItsWay = false;
    std::vector<CarriedOutcome> outcomes;
    unsigned number = 0;
    std::string error;
    const bool answered = connection.m_carrier->end(outcomes, number, error);
    if (!sent.readAhead.empty()) {
        // Rows kept up to the first select that failed; none when the exchange failed.
        const std::vector<std::string> selects = std::move(sent.readAhead);
        sent = CarriedSending{};
        for (std::size_t i = 0; answered && i < outcomes.size() && i < selects.size(); ++i) {
            if (!outcomes[i].ok || !outcomes[i].rows)
                break;
            connection.m_readAhead.emplace_back(selects[i], ResultSet(std::move(*outcomes[i].rows)));
        }
        return;
    }
    if (!answered) {
        // Lost on the way: whatever came before the last commit may have gone through, so that commit is
        // where it was lost, and what it committed must be asked for.
        sent.results.assign(sent.lastCommit == sent.statements ? 0 : sent.lastCommit, true);
        sent.results.push_back(false);
        sent.failure.errorNumber = number;
        sent.failure.error = std::move(error);
        return;
    }
    for (const CarriedOutcome& outcome : outcomes) {
        sent.results.push_back(outcome.ok);
        if (!outcome.ok) {
            sent.failure = outcome;
            break;
        }
    }
}

std::vector<bool> CarriedAccess::read(BlogConnection& connection)
{
    settle(connection);
    CarriedSending& sent = connection.m_sent;
    std::vector<bool> results = std::move(sent.results);
    sent.results.clear();
    if (results.empty() || !results.back())
        connection.rememberError(sent.failure.errorNumber ? sent.failure.errorNumber : CR_UNKNOWN_ERROR,
                                 sent.failure.error);
    if (results.empty())
        results.push_back(false);
    return results;
}

bool CarriedAccess::startReadAhead(BlogConnection& connection, const std::vector<std::string>& selects,
                                   std::string_view text)
{
    settle(connection);
    // Within a transaction under way they would be undone with it; they are asked for one at a time then.
    if (connection.m_heldTransaction)
        return false;
    const std::vector<std::string_view> each = splitStatements(text);
    if (each.size() != selects.size())
        return false;
    begin(connection, each, selects);
    return true;
}

void CarriedAccess::settleReadAhead(BlogConnection& connection)
{
    if (connection.m_sent.onItsWay && !connection.m_sent.readAhead.empty())
        settle(connection);
}

ResultSet CarriedAccess::store(BlogConnection& connection)
{
    if (!connection.m_lastCarried.rows)
        return {};
    ResultSet rows(std::move(*connection.m_lastCarried.rows));
    connection.m_lastCarried.rows.reset();
    return rows;
}

} // namespace kestrel
