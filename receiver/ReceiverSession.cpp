#include "ReceiverSession.h"

#include "PluginRequest.h"

#include <errmsg.h>

#include <algorithm>

namespace kestrel {

namespace {

const QString helloRoute = QStringLiteral("/kestrel/v1/hello");

std::string siteWords(const PluginReply& reply)
{
    const QString message = reply.body.value(QStringLiteral("message")).toString();
    return reply.error + (message.isEmpty() ? std::string() : ": " + message.toStdString());
}

} // namespace

ReceiverSession::ReceiverSession(PluginAddress address)
    : m_exchange(std::make_shared<PluginExchange>(std::move(address)))
{
}

PluginReply ReceiverSession::hello()
{
    return m_exchange->get(helloRoute);
}

void ReceiverSession::setSite(Protection protection, std::string tlsVersion, std::string tlsCipher)
{
    m_protection = protection;
    m_tlsVersion = std::move(tlsVersion);
    m_tlsCipher = std::move(tlsCipher);
}

void ReceiverSession::setLimits(std::uint64_t maxBytes, std::uint64_t serverPacket, int siteSeconds)
{
    // A batch stays within half of a request and a quarter of the site's packet, as it would on a session of
    // its own, so that what goes around its rows still fits; and within what PHP takes at its best.
    m_maxBytes = maxBytes;
    std::uint64_t batch = maxBytes / 2;
    if (serverPacket != 0)
        batch = batch == 0 ? serverPacket / 4 : std::min(batch, serverPacket / 4);
    batch = batch == 0 ? largestBatchBytes : std::min(batch, largestBatchBytes);
    m_pace.setLimit(siteSeconds, batch);
}

std::shared_ptr<SessionBreaker> ReceiverSession::breaker()
{
    if (!m_breaker) {
        m_breaker = std::make_shared<SessionBreaker>();
        if (m_exchange)
            m_breaker->attach(m_exchange.get(), [exchange = m_exchange] { exchange->breakOff(); });
    }
    return m_breaker;
}

void ReceiverSession::start(const std::vector<std::string>& operations, bool transaction, bool commit, bool strict)
{
    Sent sent;
    for (const std::string& operation : operations)
        sent.bytes += operation.size();
    sent.operations = operations.size();
    sent.inTransaction = transaction;
    sent.at = ExchangePace::Clock::now();
    const QByteArray body = requestBody(operations, transaction, commit, strict);
    sent.pending = m_exchange->start(operationsRoute(), &body);
    m_sent.push_back(std::move(sent));
}

bool ReceiverSession::finish(std::vector<OperationOutcome>& outcomes)
{
    Sent sent = std::move(m_sent.front());
    m_sent.pop_front();
    const PluginReply reply = m_exchange->finish(std::move(sent.pending));
    if (reply.failure == PluginReply::Failure::None) {
        m_pace.took(sent.bytes, ExchangePace::Clock::now() - sent.at);
        outcomes = operationOutcomes(reply.body);
        return true;
    }
    // The site refused the whole request (the login, receiving switched off): nothing ran. Anything
    // else may have been carried out, as with a MySQL session lost on the way.
    const bool refused = reply.failure == PluginReply::Failure::Http && reply.status >= 400 && reply.status < 500;
    const QJsonObject data = reply.body.value(QStringLiteral("data")).toObject();
    rememberError(refused ? static_cast<unsigned>(data.value(QStringLiteral("errno")).toInt(CR_UNKNOWN_ERROR))
                          : CR_SERVER_LOST,
                  "through the plugin: " + siteWords(reply));
    return false;
}

bool ReceiverSession::carryOut(const Operation& operation)
{
    std::vector<std::string> operations;
    if (m_held)
        operations = *m_held;
    operations.push_back(encodedOperation(operation));
    start(operations, m_held.has_value(), false, false);
    std::vector<OperationOutcome> outcomes;
    if (!finish(outcomes)) {
        m_held.reset();
        return false;
    }
    if (outcomes.size() < operations.size() && !outcomes.empty() && !outcomes.back().ok) {
        // One the transaction held failed this time: the transaction cannot be made again, as if lost.
        m_held.reset();
        rememberError(CR_SERVER_LOST, "the transaction could not be made again: " + outcomes.back().error);
        return false;
    }
    if (outcomes.size() != operations.size() || !outcomes.back().ok) {
        const OperationOutcome failed = outcomes.empty() ? OperationOutcome{} : outcomes.back();
        rememberError(failed.errorNumber ? failed.errorNumber : CR_UNKNOWN_ERROR,
                      failed.error.empty() ? "no answer for the operation" : failed.error);
        return false;
    }
    m_last = std::move(outcomes.back());
    if (m_held)
        m_held->push_back(std::move(operations.back()));
    return true;
}

ResultSet ReceiverSession::readNow(const Query& query)
{
    if (!carryOut(query))
        return {};
    if (!m_last.rows) {
        rememberError(CR_UNKNOWN_ERROR, "the read " + query.name() + " gave no rows");
        return {};
    }
    ResultSet rows(std::move(*m_last.rows));
    m_last.rows.reset();
    return rows;
}

bool ReceiverSession::insertNow(const Insert& rows)
{
    return carryOut(rows);
}

bool ReceiverSession::changeNow(const Change& change)
{
    return carryOut(change);
}

bool ReceiverSession::transactionNow(TransactionStep step)
{
    m_last = OperationOutcome{};
    m_last.ok = true;
    if (step == TransactionStep::begin) {
        // A transaction cannot stay open between requests: its operations are kept and sent again with
        // each one that follows, then undone by the site, until the commit sends them for good.
        m_held.emplace();
        return true;
    }
    std::optional<std::vector<std::string>> held = std::move(m_held);
    m_held.reset();
    if (step == TransactionStep::rollback || !held || held->empty())
        return true;
    start(*held, true, true, false);
    std::vector<OperationOutcome> outcomes;
    if (!finish(outcomes))
        return false;
    const auto failed = std::find_if(outcomes.begin(), outcomes.end(), [](const auto& each) { return !each.ok; });
    if (outcomes.size() >= held->size() && failed == outcomes.end())
        return true;
    const std::string why = failed == outcomes.end() ? "no answer" : failed->error;
    rememberError(CR_SERVER_LOST, "the transaction could not be made again: " + why);
    return false;
}

bool ReceiverSession::sendNow(const Exchange& exchange)
{
    // Within a transaction under way they would be undone with it.
    if (m_held)
        return false;
    std::vector<std::string> operations;
    for (const Operation& operation : exchange.operations)
        operations.push_back(encodedOperation(operation));
    start(operations, exchange.transaction, exchange.transaction, exchange.strict);
    return true;
}

ExchangeOutcome ReceiverSession::collectNow()
{
    const std::size_t operations = m_sent.front().operations;
    const bool inTransaction = m_sent.front().inTransaction;
    ExchangeOutcome outcome;
    outcome.rows.resize(operations);
    std::vector<OperationOutcome> outcomes;
    if (!finish(outcomes)) {
        // Lost on the way: in a transaction, everything before its commit may have gone through, so the
        // commit is where it was lost, and what it committed must be asked for.
        outcome.done = inTransaction ? operations : 0;
        outcome.errorNumber = lastErrorNumber();
        outcome.error = lastError();
        return outcome;
    }
    // A failed commit is one more outcome, after the operations'.
    for (OperationOutcome& each : outcomes) {
        if (!each.ok) {
            outcome.errorNumber = each.errorNumber ? each.errorNumber : CR_UNKNOWN_ERROR;
            outcome.error = each.error.empty() ? "refused by the site" : each.error;
            break;
        }
        if (outcome.done == operations)
            break;
        if (each.rows)
            outcome.rows[outcome.done] = ResultSet(std::move(*each.rows));
        ++outcome.done;
    }
    outcome.complete = outcome.done == operations && outcome.error.empty();
    if (!outcome.complete && outcome.error.empty()) {
        outcome.errorNumber = CR_UNKNOWN_ERROR;
        outcome.error = "no answer for the operation";
    }
    return outcome;
}

bool ReceiverSession::reconnectNow()
{
    if (!m_exchange)
        return failWithoutSession();
    // A transaction under way went with the request that was lost.
    m_held.reset();
    if (m_breaker && m_breaker->broken()) {
        setReopenFailure("the session was broken off");
        return failWithoutSession();
    }
    const PluginReply reply = hello();
    if (reply.failure == PluginReply::Failure::None) {
        setReopenFailure({});
        return true;
    }
    rememberError(CR_SERVER_LOST, "through the plugin: " + siteWords(reply));
    setReopenFailure(std::to_string(lastErrorNumber()) + " " + lastError());
    return false;
}

} // namespace kestrel
