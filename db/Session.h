#pragma once

#include "Encryption.h"
#include "Exchange.h"
#include "Query.h"
#include "ReadAhead.h"
#include "ResultSet.h"
#include "SessionBreaker.h"
#include "SessionProtection.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// One session with a blog's database, whichever way it goes there: the MySQL protocol (MysqlSession) or
// the receiver plugin of a WordPress site (ReceiverSession). Reads are queries, writes are rows and a few
// changes by name, transactions are asked for. Failures are values: the session keeps the error of its
// last failed operation, the server's number and words, for whoever records failures. A session that is
// not open fails every operation.
//
// The operations are this class's own; each transport does its part of them (the functions below
// "protected"). So the reads made ahead are kept here, apart from either: every write drops them.
class Session
{
public:
    virtual ~Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    explicit operator bool() const { return isOpen(); }
    virtual bool isOpen() const = 0;

    unsigned lastErrorNumber() const noexcept { return m_errorNumber; }
    const std::string& lastError() const noexcept { return m_error; }
    void rememberError(unsigned number, std::string text);
    // Records that there is no session to send on (and why, after a failed reconnect), as the library's
    // "gone away". Always false.
    bool failWithoutSession();

    // Rows, or null when the read failed.
    ResultSet read(const Query& query);
    // Sends reads several to an exchange, without waiting, for reads that do not depend on each other and
    // are asked for later: each later read() of the same query then takes its rows, once. Any write, a
    // reconnect or a change of character set drops them first. False when they were not sent (each is
    // then read when asked for); what failed is not the caller's to hear of.
    bool startReadAhead(const std::vector<Query>& queries);
    // The same, waiting for the rows: how many reads were kept.
    std::size_t readAhead(const std::vector<Query>& queries);

    bool insert(const Insert& rows);
    bool change(const Change& change);
    // What the last insert or change raised without failing, counted and asked for (one more exchange).
    virtual unsigned warningCount() const = 0;
    // How many rows the last insert or change touched.
    virtual std::uint64_t affectedRows() const = 0;
    std::vector<Warning> lastWarnings();

    bool begin();
    bool commit();
    bool rollback();

    // Sends an exchange without waiting for its answer, which collect() then reads: the time the server
    // and the network take goes to making what comes next. Up to exchangesAtOnce() may be on their way;
    // collect() reads the oldest. Anything else asked of the session meanwhile reads every answer first
    // and keeps them for collect(). False when it was not sent.
    bool send(const Exchange& exchange);
    ExchangeOutcome collect();
    // Whether exchanges may be sent (see send()).
    virtual bool takesExchanges() const = 0;
    // How many may be on their way at once. Each is carried out whole and in order where there is one,
    // but those on their way together may be carried out side by side: each must stand on its own.
    virtual std::size_t exchangesAtOnce() const { return 1; }
    // Whether a transaction, its locks and a temporary table last from one operation to the next: not
    // through the receiver plugin, whose every request stands alone.
    virtual bool keepsSessionState() const = 0;

    // Opens a new session in place of a lost one, exactly as the first was opened; false, with the reason,
    // when that fails.
    bool reconnect();
    // Text travels as UTF-8 in both directions.
    bool useUnicode();

    // The longest statement the far side takes; 0 when unknown.
    virtual std::uint64_t maxStatementBytes() const = 0;
    // How many bytes one exchange should carry at most, for a far side that must answer within a time
    // limit; 0 when only maxStatementBytes() bounds it. It changes as the run goes.
    virtual std::uint64_t exchangeBytes() const { return 0; }
    // Breaks off the session from another thread; made on first use, it follows the session through
    // reconnect().
    virtual std::shared_ptr<SessionBreaker> breaker() = 0;
    // How it was to be protected, and the TLS version and cipher agreed (empty in clear text).
    virtual Protection protection() const = 0;
    bool verifiesServer() const { return protection() != Protection::TlsWhenOffered; }
    virtual const std::string& tlsVersion() const = 0;
    virtual const std::string& tlsCipher() const = 0;
    // Why it could not open, when what failed was its TLS; nothing otherwise.
    virtual const std::optional<TlsRefusal>& tlsRefusal() const = 0;
    // The server's number for the session, where it has one; 0 otherwise.
    virtual unsigned long serverSessionId() const { return 0; }

protected:
    Session() = default;
    Session(Session&&) noexcept = default;
    Session& operator=(Session&&) noexcept = default;

    enum class TransactionStep { begin, commit, rollback };

    // Each transport's part of the operations above: called on an open session, with nothing of an
    // earlier exchange still on its way.
    virtual ResultSet readNow(const Query& query) = 0;
    virtual bool insertNow(const Insert& rows) = 0;
    virtual bool changeNow(const Change& change) = 0;
    virtual std::vector<Warning> warningsNow() = 0;
    virtual bool transactionNow(TransactionStep step) = 0;
    virtual bool sendNow(const Exchange& exchange) = 0;
    virtual ExchangeOutcome collectNow() = 0;
    // Called on any session, open or not.
    virtual bool reconnectNow() = 0;
    virtual bool useUnicodeNow() = 0;

    // Reads what is on its way, then forgets every read made ahead: for what may change what they hold.
    void dropReadAhead();
    // Forgets them without reading what is on its way: for a session that goes.
    void forgetReadAhead();
    // Why the last reconnect failed, said by every operation until one succeeds.
    void setReopenFailure(std::string why) { m_reopenFailure = std::move(why); }

private:
    // Reads what went ahead: rows for the reads made ahead, or a caller's exchanges, kept for collect().
    void settle();
    void settleReadAhead();

    ReadAhead m_readAhead;
    std::size_t m_onItsWay = 0;            // a caller's exchanges sent, their answers not read yet
    std::deque<ExchangeOutcome> m_settled; // their answers read, oldest first, not collected yet
    unsigned m_errorNumber = 0;
    std::string m_error;
    std::string m_reopenFailure;
};

} // namespace kestrel
