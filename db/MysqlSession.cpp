#include "MysqlSession.h"

#include "ClientCalls.h"
#include "SqlText.h"

#include <errmsg.h>
#include <mysqld_error.h>

namespace kestrel {

std::shared_ptr<SessionBreaker> MysqlSession::breaker()
{
    if (!m_breaker) {
        m_breaker = std::make_shared<SessionBreaker>();
        m_handle.attach(m_breaker);
    }
    return m_breaker;
}

void MysqlSession::rememberMysqlError()
{
    if (m_handle)
        rememberError(mysql_errno(handle()), mysql_error(handle()));
}

bool MysqlSession::sendable(std::string_view text)
{
    if (!m_handle)
        return failWithoutSession();
    if (m_several.stuck()) {
        // As a lost session: the run opens it again, as it does one that went away.
        rememberError(CR_SERVER_GONE_ERROR, "several statements could not be switched off after a batch; the "
                                            "session must be opened again");
        return false;
    }
    if (m_escapingFailed) {
        rememberError(CR_UNKNOWN_ERROR, "a value could not be escaped for this session's character set; no "
                                        "statement is sent on it, lest one store the value emptied");
        return false;
    }
    if (m_maxStatementBytes != 0 && text.size() >= m_maxStatementBytes) {
        rememberError(ER_NET_PACKET_TOO_LARGE, "the statement of " + std::to_string(text.size()) +
                                                   " bytes is larger than the server's max_allowed_packet (" +
                                                   std::to_string(m_maxStatementBytes) + " bytes); it was not sent");
        return false;
    }
    return true;
}

bool MysqlSession::quote(std::string_view value, std::string& statement)
{
    const std::size_t start = statement.size();
    statement.resize(start + value.size() * 2 + 2);
    statement[start] = '\'';
    unsigned long length = m_handle ? escapeForSession(handle(), statement.data() + start + 1, value.data(),
                                                       static_cast<unsigned long>(value.size()))
                                    : static_cast<unsigned long>(-1);
    if (length == static_cast<unsigned long>(-1)) {
        statement.resize(start);
        if (!m_handle)
            return quoteForAnyServer(value, statement);
        m_escapingFailed = true;
        return false;
    }
    statement.resize(start + 1 + length);
    statement += '\'';
    return true;
}

std::string MysqlSession::quoted(std::string_view value)
{
    std::string literal;
    quote(value, literal);
    return literal;
}

bool MysqlSession::render(const Operation& operation, std::string& statement)
{
    if (appendSql(
            operation, [this](std::string_view value, std::string& text) { return quote(value, text); }, statement))
        return true;
    // Marked: sendable() says why.
    return sendable(statement);
}

bool MysqlSession::run(std::string_view statement)
{
    // The whole statement goes, zero bytes included: under NO_BACKSLASH_ESCAPES a zero byte inside a
    // quoted value can only be sent as itself.
    if (!sendable(statement))
        return false;
    // One that cannot be switched off is reported as sendable() reports a stuck session: as lost.
    if (!m_several.offFor(handle(), statement))
        return sendable(statement);
    if (mysql_real_query(handle(), statement.data(), statement.size()) != 0) {
        rememberMysqlError();
        return false;
    }
    return true;
}

bool MysqlSession::execute(std::string_view statement)
{
    dropReadAhead();
    return run(statement);
}

ResultSet MysqlSession::result()
{
    if (!m_handle) {
        failWithoutSession();
        return {};
    }
    MYSQL_RES* rows = mysql_store_result(handle());
    if (!rows && mysql_errno(handle()) != 0)
        rememberMysqlError();
    return ResultSet(rows);
}

ResultSet MysqlSession::readNow(const Query& query)
{
    std::string statement;
    if (!render(query, statement) || !run(statement))
        return {};
    ResultSet rows(mysql_store_result(handle()));
    if (!rows) {
        if (mysql_errno(handle()) != 0)
            rememberMysqlError();
        else
            rememberError(CR_UNKNOWN_ERROR, "the read " + query.name() + " gave no rows");
    }
    return rows;
}

bool MysqlSession::insertNow(const Insert& rows)
{
    std::string statement;
    return render(rows, statement) && run(statement);
}

bool MysqlSession::changeNow(const Change& change)
{
    std::string statement;
    return render(change, statement) && run(statement);
}

unsigned MysqlSession::warningCount() const
{
    return m_handle ? mysql_warning_count(handle()) : 0;
}

std::vector<Warning> MysqlSession::warningsNow()
{
    std::vector<Warning> warnings;
    if (!run("SHOW WARNINGS"))
        return warnings;
    ResultSet rows(mysql_store_result(handle()));
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::int64_t code = 0;
        Warning warning;
        readField(rows, "Code", code);
        readField(rows, "Message", warning.message);
        warning.code = static_cast<unsigned>(code);
        warnings.push_back(std::move(warning));
    }
    return warnings;
}

bool MysqlSession::transactionNow(TransactionStep step)
{
    switch (step) {
    case TransactionStep::begin:
        return run("START TRANSACTION");
    case TransactionStep::commit:
        return run("COMMIT");
    case TransactionStep::rollback:
        break;
    }
    return run("ROLLBACK");
}

std::uint64_t MysqlSession::lastInsertId() const
{
    return m_handle ? mysql_insert_id(handle()) : 0;
}

} // namespace kestrel
