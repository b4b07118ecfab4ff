#include "Session.h"

#include <errmsg.h>

namespace kestrel {

void Session::rememberError(unsigned number, std::string text)
{
    m_errorNumber = number;
    m_error = std::move(text);
}

bool Session::failWithoutSession()
{
    rememberError(CR_SERVER_GONE_ERROR, m_reopenFailure.empty()
                                            ? "no open session"
                                            : "the session was lost and could not be opened again: " + m_reopenFailure);
    return false;
}

void Session::settleReadAhead()
{
    if (!m_readAhead.onItsWay())
        return;
    // What failed is not the caller's to hear of: each read, sent again alone, says it then.
    const unsigned number = m_errorNumber;
    std::string error = m_error;
    m_readAhead.arrived(collectNow());
    rememberError(number, std::move(error));
}

void Session::settle()
{
    settleReadAhead();
    for (; m_onItsWay > 0; --m_onItsWay)
        m_settled.push_back(collectNow());
}

void Session::dropReadAhead()
{
    settle();
    m_readAhead.drop();
}

void Session::forgetReadAhead()
{
    m_readAhead.drop();
}

ResultSet Session::read(const Query& query)
{
    settle();
    if (!isOpen()) {
        failWithoutSession();
        return {};
    }
    // Another read changes nothing the reads made ahead hold: they stay.
    if (std::optional<ResultSet> rows = m_readAhead.take(query))
        return std::move(*rows);
    return readNow(query);
}

bool Session::startReadAhead(const std::vector<Query>& queries)
{
    dropReadAhead();
    if (queries.empty() || !isOpen() || !takesExchanges())
        return false;
    const unsigned number = m_errorNumber;
    std::string error = m_error;
    Exchange reads;
    for (const Query& query : queries)
        reads.operations.emplace_back(query);
    const bool sent = sendNow(reads);
    if (sent)
        m_readAhead.sent(queries);
    rememberError(number, std::move(error));
    return sent;
}

std::size_t Session::readAhead(const std::vector<Query>& queries)
{
    if (!startReadAhead(queries))
        return 0;
    settle();
    return m_readAhead.kept();
}

bool Session::insert(const Insert& rows)
{
    dropReadAhead();
    return isOpen() ? insertNow(rows) : failWithoutSession();
}

bool Session::change(const Change& change)
{
    dropReadAhead();
    return isOpen() ? changeNow(change) : failWithoutSession();
}

std::vector<Warning> Session::lastWarnings()
{
    settle();
    if (!isOpen() || warningCount() == 0)
        return {};
    // Asking must not overwrite the error the caller may still want to read.
    const unsigned number = m_errorNumber;
    std::string error = m_error;
    std::vector<Warning> warnings = warningsNow();
    rememberError(number, std::move(error));
    return warnings;
}

bool Session::begin()
{
    dropReadAhead();
    return isOpen() ? transactionNow(TransactionStep::begin) : failWithoutSession();
}

bool Session::commit()
{
    dropReadAhead();
    return isOpen() ? transactionNow(TransactionStep::commit) : failWithoutSession();
}

bool Session::rollback()
{
    dropReadAhead();
    return isOpen() ? transactionNow(TransactionStep::rollback) : failWithoutSession();
}

bool Session::send(const Exchange& exchange)
{
    // Exchanges on their way stay there: only the reads made ahead must be read first.
    settleReadAhead();
    m_readAhead.drop();
    if (!isOpen())
        return failWithoutSession();
    if (!takesExchanges()) {
        rememberError(CR_UNKNOWN_ERROR, "the session was not opened for several statements at once");
        return false;
    }
    if (m_onItsWay >= exchangesAtOnce())
        settle();
    if (!sendNow(exchange))
        return false;
    ++m_onItsWay;
    return true;
}

ExchangeOutcome Session::collect()
{
    ExchangeOutcome outcome;
    if (!m_settled.empty()) {
        outcome = std::move(m_settled.front());
        m_settled.pop_front();
    } else if (m_onItsWay > 0 && isOpen()) {
        outcome = collectNow();
        --m_onItsWay;
    } else {
        m_onItsWay = 0;
        failWithoutSession();
        outcome.errorNumber = m_errorNumber;
        outcome.error = m_error;
    }
    if (!outcome.complete)
        rememberError(outcome.errorNumber ? outcome.errorNumber : CR_UNKNOWN_ERROR, outcome.error);
    return outcome;
}

bool Session::reconnect()
{
    settle();
    m_readAhead.drop();
    return reconnectNow();
}

bool Session::useUnicode()
{
    return isOpen() && useUnicodeNow();
}

} // namespace kestrel
