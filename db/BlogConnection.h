#pragma once

#include "Encryption.h"
#include "ResultSet.h"
#include "SessionProtection.h"
#include "StatementCarrier.h"

#include <mysql.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Where and how to open a session. A session keeps them, so that a lost one
// can be opened again the same way; the password never goes into a message.
struct ConnectionOptions
{
    std::string server; // "host", "host:port" or "[v6 address]:port"
    std::string user;
    std::string password;
    std::string database;
    unsigned port = 0; // when not 0, it wins over a port in the server field
    // A CA certificate file: TLS is required and the server's certificate must be signed by that CA
    // and made out to the host connected to. Without one (nor a fingerprint), a server off this machine
    // must show a certificate the system trusts; see plannedProtection().
    std::string caFile = {};
    // Whether the session may send a batch of several statements, separated by ";" (see sendStatements()):
    // a batch of rows then costs one exchange. Any other statement is still taken only alone.
    bool multiStatements = false;
    // The SHA-256 fingerprint of the one certificate the server may show (a self-signed one, say).
    std::string tlsFingerprint = {};
    // Whether a server off this machine may be reached in clear text when it offers no TLS.
    bool allowUnencrypted = false;
    // Statements that set the session up ("SET SESSION ..."): sent in the opening's one exchange where the
    // session takes several statements, and so again by every reconnect(). A session that refuses one
    // does not open.
    std::vector<std::string> settings = {};
};

// Breaks off what a session is doing, from any thread: the statement in flight fails at once as
// a lost session, and the session is never opened again. For a program that must close while a
// server no longer answers, rather than wait out the read timeout.
class SessionBreaker
{
public:
    void breakOff();
    bool broken() const;

private:
    friend class BlogConnection;
    friend struct CarriedAccess;
    // The handle in use: replaced under the lock, so that a break never reaches a freed one.
    void attach(MYSQL* mysql);
    void attach(std::shared_ptr<StatementCarrier> carrier);

    mutable std::mutex m_lock;
    MYSQL* m_mysql = nullptr;
    std::shared_ptr<StatementCarrier> m_carrier;
    bool m_broken = false;
};

// One open session with a MySQL server. A default-made (null) connection
// stands for "no session": every operation on it does nothing and fails.
// Failures are values: the connection keeps the error of its last failed
// call so that whoever records failures can say what the server answered.
class BlogConnection
{
public:
    BlogConnection() = default;
    BlogConnection(BlogConnection&&) noexcept = default;
    BlogConnection& operator=(BlogConnection&& other) noexcept;
    ~BlogConnection();

    explicit operator bool() const noexcept { return m_mysql != nullptr || m_carrier != nullptr; }
    // Null for a session that goes by a carrier (see carriedConnection()).
    MYSQL* handle() const noexcept { return m_mysql.get(); }

    // The longest statement the server takes (its max_allowed_packet); 0 when unknown.
    std::uint64_t maxStatementBytes() const noexcept { return m_maxStatementBytes; }
    // How many bytes of statements one exchange should carry at most, for a far side that must answer
    // within a time limit; 0 when only maxStatementBytes() bounds it. It changes as the run goes.
    std::uint64_t exchangeBytes() const { return m_carrier ? m_carrier->exchangeBytes() : 0; }

    unsigned lastErrorNumber() const noexcept { return m_errorNumber; }
    const std::string& lastError() const noexcept { return m_error; }

    // Takes the library's error of the last call on this session.
    void rememberError();
    void rememberError(unsigned number, std::string text);
    // Records that there is no session to send a statement on (and why, after a failed
    // reconnect), as the library's "gone away" error. Always false.
    bool failWithoutSession();

    // Whether statements may be sent several at once (see sendStatements()).
    bool takesSeveralStatements() const noexcept { return m_options.multiStatements || m_carrier != nullptr; }
    // Whether the session goes by a carrier rather than the MySQL protocol.
    bool carried() const noexcept { return m_carrier != nullptr; }
    // How the session was to be protected, and so whether the server's certificate was checked.
    Protection protection() const noexcept { return m_protection; }
    bool verifiesServer() const noexcept { return m_protection != Protection::TlsWhenOffered; }
    // The TLS version and cipher agreed when the session was opened, kept so that they can be
    // told even after the session was lost; empty for a session in clear text.
    const std::string& tlsVersion() const noexcept { return m_tlsVersion; }
    const std::string& tlsCipher() const noexcept { return m_tlsCipher; }
    // The character set set on the session: the one asked for at the login where the server took it
    // (utf8mb4), else the one set with setCharacterSet(); empty before.
    const std::string& characterSet() const noexcept { return m_characterSet; }

    // Whether a value could not be escaped for this session (see quotedLiteral()). A statement built with it
    // would store the value emptied, so from then on the session sends nothing: it stays so across reconnect(),
    // since statements built before may still be sent again after.
    bool escapingFailed() const noexcept { return m_escapingFailed; }

    // Why opening it failed, when what failed was its TLS (or a server offering none); the error is then
    // the library's own words.
    const std::optional<TlsRefusal>& tlsRefusal() const noexcept { return m_tlsRefusal; }

    // Whether several statements could not be switched off again after a batch: the session then sends
    // nothing, as if lost, until reconnect() opens another.
    bool severalStatementsStuck() const noexcept { return m_severalStatementsStuck; }

    // The breaker of this session, made on first use; it follows the session through reconnect().
    std::shared_ptr<SessionBreaker> breaker();

private:
    friend BlogConnection openConnection(const ConnectionOptions&, const std::function<void()>&);
    friend void closeConnection(BlogConnection&);
    friend bool reconnect(BlogConnection&);
    friend bool setCharacterSet(BlogConnection&, const char*);
    friend bool applySessionSetting(BlogConnection&, const std::string&);
    friend std::string quotedLiteral(const BlogConnection&, std::string_view);
    friend bool sendStatements(BlogConnection&, std::string_view);
    friend bool executeSql(BlogConnection&, std::string_view);
    friend std::vector<bool> readStatementResults(BlogConnection&);
    friend bool startReadAhead(BlogConnection&, const std::vector<std::string>&);
    friend std::size_t readAhead(BlogConnection&, const std::vector<std::string>&);
    friend struct CarriedAccess;
    friend ResultSet storeResult(BlogConnection&);
    friend std::uint64_t lastInsertId(const BlogConnection&);
    friend unsigned warningCount(const BlogConnection&);
    friend std::vector<Warning> lastWarnings(BlogConnection&);
    friend BlogConnection carriedConnection(std::shared_ptr<StatementCarrier>, Protection, std::string, std::string);

    struct Closer
    {
        void operator()(MYSQL* mysql) const noexcept;
    };
    using Handle = std::unique_ptr<MYSQL, Closer>;
    // Several statements, left on, switched off before a statement of this text goes, where it holds a
    // ";" (without one there is no second statement to add). False when they could not be: the session
    // is then stuck.
    bool severalStatementsOffFor(std::string_view text);
    // The rows read ahead for a select of exactly this text, taken for storeResult() to give; false when
    // none were, and then every select read ahead is dropped: the statement that follows may change them.
    bool takeReadAhead(std::string_view statement);
    void dropReadAhead();
    // Reads the rows of the selects startReadAhead() sent, before anything else goes on the session.
    void settleReadAhead();
    // Sets up a session just opened: its settings, and what is to be known of it. False when it
    // refused a setting.
    bool setUp(const ConnectionOptions& options);
    // Puts another handle in place (or none); the old one is closed after the breaker lets go of it.
    void replaceHandle(Handle mysql) noexcept;

    Handle m_mysql;
    std::shared_ptr<SessionBreaker> m_breaker;
    std::uint64_t m_maxStatementBytes = 0;
    unsigned m_errorNumber = 0;
    std::string m_error;

    // What reconnect() needs: how the session was opened, and what was set on it since.
    bool m_reopenable = false;
    ConnectionOptions m_options;
    std::string m_characterSet;
    std::vector<std::string> m_settings;
    std::string m_reopenFailure; // why the last reconnect() failed, for the statements that follow
    std::string m_tlsVersion;
    std::string m_tlsCipher;
    bool m_severalStatementsOn = false;    // from sendStatements() until a statement of another kind
    bool m_severalStatementsStuck = false; // not switched off again: nothing is sent until reconnect()
    Protection m_protection = Protection::TlsWhenOffered;
    // Set by quotedLiteral(), which only reads the session otherwise.
    mutable bool m_escapingFailed = false;
    std::optional<TlsRefusal> m_tlsRefusal;

    // A carried session's: what its last statement gave, the results of the statements sent at once,
    // and a transaction under way, whose statements go again with each exchange until it is committed.
    std::shared_ptr<StatementCarrier> m_carrier;
    CarriedOutcome m_lastCarried;
    CarriedSending m_sent;
    std::optional<std::vector<std::string>> m_heldTransaction;

    // Selects read ahead (see readAhead()), each with its rows, and the rows of the one just taken.
    std::vector<std::pair<std::string, ResultSet>> m_readAhead;
    std::optional<ResultSet> m_taken;
    std::vector<std::string> m_readAheadOnItsWay; // sent by startReadAhead(), their rows not read yet
};

// A session whose statements go by the carrier given; its protection is the carrier's to say.
// The TLS version and cipher are the carrier's, as it agreed them with the far side (empty in clear text).
BlogConnection carriedConnection(std::shared_ptr<StatementCarrier> carrier, Protection protection,
                                 std::string tlsVersion = {}, std::string tlsCipher = {});

// Where to connect, taken from the text of a server field: "host",
// "host:port" or "[v6 address]:port". Port 0 is the library's default.
struct ServerAddress
{
    std::string host;
    unsigned port = 0;
};
ServerAddress parseServerAddress(const std::string& server);

// Opens a session. Empty texts are passed to the library as absent, so its
// defaults apply. A port of 0 lets the server field choose (or the default).
// On failure the connection is null and carries the library's error.
BlogConnection openConnection(const ConnectionOptions& options);
// The same, calling `admitted` as soon as the server has taken the login, before the session's own set-up:
// for what may start only once this session is sure to open, and need not wait for the rest.
BlogConnection openConnection(const ConnectionOptions& options, const std::function<void()>& admitted);
BlogConnection openConnection(const std::string& server, const std::string& user, const std::string& password,
                              const std::string& database, unsigned port = 0);
void closeConnection(BlogConnection& connection);

// Opens a new session in place of a lost one, exactly as the first was opened (server,
// user, database, TLS, timeouts), and makes again the settings made on it since: its
// character set and session variables. The old session is closed first. False, and a null
// connection with the reason, when that fails or the connection was never opened.
bool reconnect(BlogConnection& connection);

// Sets the session's character set (the library call: escaping must know it too); kept for reconnect().
bool setCharacterSet(BlogConnection& connection, const char* name);
// Text travels as UTF-8 in both directions: utf8mb4 where the server has it, utf8 where not.
bool useUnicode(BlogConnection& connection);
// Runs a statement that sets up the session ("SET SESSION ..."); kept for reconnect() when it succeeds.
bool applySessionSetting(BlogConnection& connection, const std::string& statement);

// Runs one statement. One longer than the server takes is refused here, with
// the server's own error number: sent, it would make the server drop the session.
bool executeSql(BlogConnection& connection, std::string_view statement);
// Sends statements separated by ";" (on a session opened for several at once) without
// waiting for the answer, which readStatementResults() then reads: the time the server and
// the network take can be used to prepare what comes next. Nothing else may be sent between.
// Several statements are on from the session's opening (where it takes them) and for batches: off
// again before any other statement that holds a ";" is sent, so that a value that ends its quote
// early elsewhere can never add a statement of its own (without a ";" there is no second statement
// to add). A batch that follows finds them on still: switching them costs it no exchange.
bool sendStatements(BlogConnection& connection, std::string_view statements);
// Whether each statement sent went through, in order. The server stops at the first that fails,
// so that one is the last; a session lost on the way is the last one's error.
std::vector<bool> readStatementResults(BlogConnection& connection);

// Sends selects several to an exchange (on a session that takes several statements, as a batch is sent)
// and keeps the rows of each, so that a later executeSql() of exactly the same text takes them without
// asking the server, and storeResult() gives them. For reads that do not depend on each other, asked
// for before the rows they are needed for. Each is taken once. Any statement but a select (a batch too,
// a character set, a reconnect) drops them all first, since it may change what they hold. A select that
// failed, and the ones after it (the server stops at the first), keep nothing: sent again alone, each
// fails or succeeds on its own, and a failed read is never taken for an empty one. How many were kept.
std::size_t readAhead(BlogConnection& connection, const std::vector<std::string>& selects);
// readAhead() without waiting for the rows: they are read when the session is next used, so that the
// time they take on the way can go to another session's reads. False when the selects were not sent
// (each is then asked for alone, later).
bool startReadAhead(BlogConnection& connection, const std::vector<std::string>& selects);

// "insert into <table> set <assignments>"; the caller quotes the values.
bool insertRow(BlogConnection& connection, std::string_view table, std::string_view assignments);
// "delete from <table>", with " where <condition>" when one is given.
bool deleteRows(BlogConnection& connection, std::string_view table, std::string_view condition);
// The whole result of the last statement, held in client memory; null when there is none.
ResultSet storeResult(BlogConnection& connection);

// The id the server gave the row of the last insert.
std::uint64_t lastInsertId(const BlogConnection& connection);
// Warnings the last statement raised (see Warning).
unsigned warningCount(const BlogConnection& connection);
// Asks the server for them (one more exchange); none when the count is 0.
std::vector<Warning> lastWarnings(BlogConnection& connection);

// The one way to put a value into a statement: between single quotes, escaped
// for this session's character set and sql_mode, so the stored text is the text given.
// When the library cannot escape it, the session is marked (see escapingFailed()) and refuses
// every statement from then on, the one holding this literal among them.
std::string quotedLiteral(const BlogConnection& connection, std::string_view value);

} // namespace kestrel
