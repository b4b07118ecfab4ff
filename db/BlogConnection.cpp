#include "BlogConnection.h"

#include "CarriedAccess.h"
#include "ClientCalls.h"
#include "Encryption.h"
#include "ResultSet.h"
#include "SessionProtection.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include <algorithm>
#include <cctype>
#include <mutex>

namespace kestrel {

namespace {

// Whether a statement is a select, which changes no rows (ours never lock nor write).
bool isSelect(std::string_view statement)
{
    const auto start = std::find_if(statement.begin(), statement.end(),
                                    [](char c) { return !std::isspace(static_cast<unsigned char>(c)); });
    const std::string_view word = "select";
    const auto end = statement.end();
    if (static_cast<std::size_t>(end - start) <= word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(start[i])) != word[i])
            return false;
    }
    return std::isspace(static_cast<unsigned char>(start[word.size()])) != 0;
}

// The client library sets itself up on the first mysql_init(), which is not safe on two threads at
// once: that call is serialised process-wide, and so is closing. Sessions then open side by side.
std::mutex openLock;
std::mutex closeLock;

// Generous limits, so that a server that stops answering ends in an error
// instead of holding the run (and the window waiting for it) for ever.
constexpr unsigned connectTimeoutSeconds = 15;
constexpr unsigned readWriteTimeoutSeconds = 300;

// The ways of logging in that never send the password as it is: a server in the middle that asks for
// mysql_clear_password (or PAM's dialog) is refused before it gets it.
constexpr const char* passwordSafeLogins = "mysql_native_password,client_ed25519,caching_sha2_password";
// The library's error for a way of logging in that is not among them (not in its errmsg.h).
constexpr unsigned loginNotAllowed = 5010;

const char* absentIfEmpty(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

bool isPortText(std::string_view text)
{
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const unsigned long port = std::stoul(std::string(text));
    return port > 0 && port <= 65535;
}

} // namespace

void BlogConnection::Closer::operator()(MYSQL* mysql) const noexcept
{
    std::lock_guard lock(closeLock);
    mysql_close(mysql);
}

void SessionBreaker::breakOff()
{
    std::lock_guard lock(m_lock);
    m_broken = true;
    if (m_mysql)
        mariadb_cancel(m_mysql);
    if (m_carrier)
        m_carrier->breakOff();
}

void SessionBreaker::attach(std::shared_ptr<StatementCarrier> carrier)
{
    std::lock_guard lock(m_lock);
    m_carrier = std::move(carrier);
    if (m_broken && m_carrier)
        m_carrier->breakOff();
}

bool SessionBreaker::broken() const
{
    std::lock_guard lock(m_lock);
    return m_broken;
}

void SessionBreaker::attach(MYSQL* mysql)
{
    std::lock_guard lock(m_lock);
    m_mysql = mysql;
    // Broken while no handle was in place (during a reconnect): this one goes the same way.
    if (m_broken && m_mysql)
        mariadb_cancel(m_mysql);
}

BlogConnection& BlogConnection::operator=(BlogConnection&& other) noexcept
{
    if (this == &other)
        return *this;
    replaceHandle(nullptr); // lets our own breaker go before the other's session is taken
    m_breaker = std::move(other.m_breaker);
    m_mysql = std::move(other.m_mysql);
    m_maxStatementBytes = other.m_maxStatementBytes;
    m_errorNumber = other.m_errorNumber;
    m_error = std::move(other.m_error);
    m_reopenable = other.m_reopenable;
    m_options = std::move(other.m_options);
    m_characterSet = std::move(other.m_characterSet);
    m_settings = std::move(other.m_settings);
    m_reopenFailure = std::move(other.m_reopenFailure);
    m_tlsVersion = std::move(other.m_tlsVersion);
    m_tlsCipher = std::move(other.m_tlsCipher);
    m_protection = other.m_protection;
    m_escapingFailed = other.m_escapingFailed;
    m_severalStatementsOn = other.m_severalStatementsOn;
    m_severalStatementsStuck = other.m_severalStatementsStuck;
    m_tlsRefusal = std::move(other.m_tlsRefusal);
    m_carrier = std::move(other.m_carrier);
    m_lastCarried = std::move(other.m_lastCarried);
    m_sent = std::move(other.m_sent);
    m_heldTransaction = std::move(other.m_heldTransaction);
    m_readAhead = std::move(other.m_readAhead);
    m_taken = std::move(other.m_taken);
    m_readAheadOnItsWay = std::move(other.m_readAheadOnItsWay);
    if (m_breaker && m_carrier)
        m_breaker->attach(m_carrier);
    return *this;
}

BlogConnection::~BlogConnection()
{
    replaceHandle(nullptr);
}

void BlogConnection::replaceHandle(Handle mysql) noexcept
{
    std::swap(m_mysql, mysql);
    if (m_breaker)
        m_breaker->attach(m_mysql.get());
    // `mysql` now holds the old handle, closed here, after the breaker let go of it.
}

std::shared_ptr<SessionBreaker> BlogConnection::breaker()
{
    if (!m_breaker) {
        m_breaker = std::make_shared<SessionBreaker>();
        m_breaker->attach(m_mysql.get());
        if (m_carrier)
            m_breaker->attach(m_carrier);
    }
    return m_breaker;
}

void BlogConnection::rememberError()
{
    if (m_mysql)
        rememberError(mysql_errno(m_mysql.get()), mysql_error(m_mysql.get()));
}

void BlogConnection::rememberError(unsigned number, std::string text)
{
    m_errorNumber = number;
    m_error = std::move(text);
}

bool BlogConnection::failWithoutSession()
{
    rememberError(CR_SERVER_GONE_ERROR, m_reopenFailure.empty() ? "no open session"
                                                                : "the session was lost and could not be opened "
                                                                  "again: " +
                                                                      m_reopenFailure);
    return false;
}

ServerAddress parseServerAddress(const std::string& server)
{
    if (!server.empty() && server.front() == '[') {
        const auto close = server.find(']');
        if (close != std::string::npos) {
            const std::string_view rest = std::string_view(server).substr(close + 1);
            if (rest.empty())
                return {server.substr(1, close - 1), 0};
            if (rest.front() == ':' && isPortText(rest.substr(1)))
                return {server.substr(1, close - 1), static_cast<unsigned>(std::stoul(std::string(rest.substr(1))))};
        }
        return {server, 0};
    }
    const auto colon = server.find(':');
    if (colon != std::string::npos && server.find(':', colon + 1) == std::string::npos &&
        isPortText(std::string_view(server).substr(colon + 1)))
        return {server.substr(0, colon), static_cast<unsigned>(std::stoul(server.substr(colon + 1)))};
    return {server, 0};
}

namespace {

constexpr const char* unicode = "utf8mb4";

} // namespace

// The session's settings, then what a run asks of every session: its longest statement, and whether the
// character set asked for at the login is the one it speaks (a server may keep its own, and a host's
// init_connect may set another). One exchange where the session takes several statements.
bool BlogConnection::setUp(const ConnectionOptions& options)
{
    // The settings that go in the same text as the questions (all, or none where each must go alone).
    std::string text;
    std::size_t settings = 0;
    for (const std::string& setting : options.settings) {
        if (!options.multiStatements && !executeSql(*this, setting))
            return false;
        if (options.multiStatements) {
            text.append(setting).append(";");
            ++settings;
        }
    }
    text += "SELECT @@max_allowed_packet,@@character_set_client,@@character_set_connection,@@character_set_results";
    MYSQL* mysql = handle();
    int status = mysql_real_query(mysql, text.data(), text.size()) == 0 ? 0 : 1;
    std::size_t i = 0;
    for (; status == 0; ++i) {
        ResultSet result(mysql_store_result(mysql));
        if (i == settings && result) {
            std::int64_t bytes = 0;
            if (readField(result, 0, bytes) && bytes > 0)
                m_maxStatementBytes = static_cast<std::uint64_t>(bytes);
            std::string client, spoken, results;
            if (readField(result, 1, client) && readField(result, 2, spoken) && readField(result, 3, results) &&
                client == unicode && spoken == unicode && results == unicode &&
                std::string_view(mysql_character_set_name(mysql)) == unicode)
                m_characterSet = unicode;
        }
        status = mysql_next_result(mysql);
        if (status < 0)
            return true;
    }
    // A setting refused fails the opening; the questions after them, refused, only leave their answers unknown.
    if (i >= settings)
        return true;
    rememberError();
    return false;
}

BlogConnection openConnection(const ConnectionOptions& options)
{
    return openConnection(options, {});
}

BlogConnection openConnection(const ConnectionOptions& options, const std::function<void()>& admitted)
{
    ServerAddress address = parseServerAddress(options.server);
    if (options.port != 0)
        address.port = options.port;

    BlogConnection connection;
    connection.m_protection = plannedProtection(options);
    // A failed TLS handshake is the end of it: opened again in clear text, the session would give the
    // password and the blog to whoever in the middle made the handshake fail.
    std::unique_ptr<MYSQL, BlogConnection::Closer> mysql;
    {
        std::lock_guard lock(openLock);
        mysql.reset(mysql_init(nullptr));
    }
    if (!mysql) {
        connection.rememberError(CR_OUT_OF_MEMORY, "the client library could not make a connection object");
        return connection;
    }
    // Each of these is a guarantee: a library that refuses one opens no session rather than one without it.
    // A server must never be able to ask us for a local file.
    const unsigned noLocalFiles = 0;
    const struct
    {
        mysql_option option;
        const void* value;
        const char* name;
    } settings[] = {
        {MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeoutSeconds, "MYSQL_OPT_CONNECT_TIMEOUT"},
        {MYSQL_OPT_READ_TIMEOUT, &readWriteTimeoutSeconds, "MYSQL_OPT_READ_TIMEOUT"},
        {MYSQL_OPT_WRITE_TIMEOUT, &readWriteTimeoutSeconds, "MYSQL_OPT_WRITE_TIMEOUT"},
        {MYSQL_OPT_LOCAL_INFILE, &noLocalFiles, "MYSQL_OPT_LOCAL_INFILE"},
        {MARIADB_OPT_RESTRICTED_AUTH, passwordSafeLogins, "MARIADB_OPT_RESTRICTED_AUTH"},
    };
    for (const auto& setting : settings) {
        std::string refused;
        if (!setClientOption(mysql.get(), setting.option, setting.value, setting.name, refused)) {
            connection.rememberError(CR_UNKNOWN_ERROR, std::move(refused));
            return connection;
        }
    }
    std::string refusal;
    if (!requestEncryption(mysql.get(), options, address, refusal, connection.m_tlsRefusal)) {
        connection.rememberError(CR_SSL_CONNECTION_ERROR, std::move(refusal));
        return connection;
    }
    // Asked for at the login, and taken only where the server shows it took it (see setUp()).
    mysql_optionsv(mysql.get(), MYSQL_SET_CHARSET_NAME, unicode);
    // On from the start where the session takes them, as after a batch: the first read ahead or batch
    // then finds them on, and a statement holding a ";" still switches them off before it goes.
    if (!mysql_real_connect(mysql.get(), absentIfEmpty(address.host), absentIfEmpty(options.user),
                            absentIfEmpty(options.password), absentIfEmpty(options.database), address.port, nullptr,
                            options.multiStatements ? CLIENT_MULTI_STATEMENTS : 0)) {
        const unsigned error = mysql_errno(mysql.get());
        if (error == CR_SSL_CONNECTION_ERROR) {
            // A failed TLS handshake is never followed by a session in clear text.
            connection.m_tlsRefusal = tlsRefusalOf(options, address.host, mysql_error(mysql.get()));
            connection.rememberError(error, std::string("refused the server: ") + mysql_error(mysql.get()));
        } else if (error == loginNotAllowed)
            connection.rememberError(error, explainLoginRefusal(mysql_error(mysql.get())));
        else
            connection.rememberError(error, mysql_error(mysql.get()));
        return connection;
    }
    if (admitted)
        admitted();
    readNegotiatedTls(mysql.get(), connection.m_tlsVersion, connection.m_tlsCipher);
    connection.replaceHandle(std::move(mysql));
    connection.m_options = options;
    connection.m_reopenable = true;
    connection.m_severalStatementsOn = options.multiStatements;
    if (!connection.setUp(options))
        closeConnection(connection); // with the server's reason
    return connection;
}

BlogConnection openConnection(const std::string& server, const std::string& user, const std::string& password,
                              const std::string& database, unsigned port)
{
    return openConnection(ConnectionOptions{server, user, password, database, port, {}});
}

void closeConnection(BlogConnection& connection)
{
    connection.m_readAheadOnItsWay.clear(); // the session goes, and their rows with it
    connection.dropReadAhead();
    connection.replaceHandle(nullptr);
    connection.m_carrier.reset();
    connection.m_heldTransaction.reset();
}

bool reconnect(BlogConnection& connection)
{
    if (!connection.m_carrier)
        connection.m_readAheadOnItsWay.clear(); // the session is replaced: their rows are not read
    connection.dropReadAhead();
    if (connection.m_carrier)
        return CarriedAccess::reconnect(connection);
    if (!connection.m_reopenable)
        return connection.failWithoutSession();
    connection.replaceHandle(nullptr);
    connection.m_severalStatementsOn = false;
    connection.m_severalStatementsStuck = false;
    if (connection.m_breaker && connection.m_breaker->broken()) {
        connection.m_reopenFailure = "the session was broken off";
        return connection.failWithoutSession();
    }
    BlogConnection fresh = openConnection(connection.m_options);
    bool reopened = static_cast<bool>(fresh);
    if (reopened && !connection.m_characterSet.empty() && fresh.m_characterSet != connection.m_characterSet)
        reopened = setCharacterSet(fresh, connection.m_characterSet.c_str());
    for (std::size_t i = 0; reopened && i < connection.m_settings.size(); ++i)
        reopened = executeSql(fresh, connection.m_settings[i]);
    if (!reopened) {
        connection.rememberError(fresh.lastErrorNumber(), fresh.lastError());
        connection.m_tlsRefusal = fresh.m_tlsRefusal;
        connection.m_reopenFailure = std::to_string(fresh.lastErrorNumber()) + " " + fresh.lastError();
        return false;
    }
    connection.replaceHandle(std::move(fresh.m_mysql));
    connection.m_severalStatementsOn = fresh.m_severalStatementsOn; // as the new session has them
    connection.m_maxStatementBytes = fresh.m_maxStatementBytes;
    connection.m_tlsVersion = std::move(fresh.m_tlsVersion);
    connection.m_tlsCipher = std::move(fresh.m_tlsCipher);
    connection.m_protection = fresh.m_protection;
    connection.m_reopenFailure.clear();
    return true;
}

bool BlogConnection::severalStatementsOffFor(std::string_view text)
{
    if (!m_severalStatementsOn || text.find(';') == std::string_view::npos)
        return true;
    m_severalStatementsOn = false;
    if (mysql_set_server_option(handle(), MYSQL_OPTION_MULTI_STATEMENTS_OFF) == 0)
        return true;
    rememberError();
    m_severalStatementsStuck = true;
    return false;
}

bool setCharacterSet(BlogConnection& connection, const char* name)
{
    if (!connection)
        return connection.failWithoutSession();
    connection.dropReadAhead(); // rows read in another character set
    if (connection.m_carrier)
        return CarriedAccess::setCharacterSet(connection, name);
    // The library sends "SET NAMES <name>".
    if (!connection.severalStatementsOffFor(name))
        return false;
    if (mysql_set_character_set(connection.handle(), name) != 0) {
        connection.rememberError();
        return false;
    }
    connection.m_characterSet = name;
    return true;
}

bool useUnicode(BlogConnection& connection)
{
    if (!connection)
        return false;
    // Set once per session: it stays, and a reconnected session gets it again.
    if (connection.characterSet() == "utf8mb4" || connection.characterSet() == "utf8")
        return true;
    return setCharacterSet(connection, "utf8mb4") || setCharacterSet(connection, "utf8");
}

bool applySessionSetting(BlogConnection& connection, const std::string& statement)
{
    if (!executeSql(connection, statement))
        return false;
    auto& settings = connection.m_settings;
    if (std::find(settings.begin(), settings.end(), statement) == settings.end())
        settings.push_back(statement);
    return true;
}

namespace {

// Whether the text may go to the server: a session is open, and the text fits in one packet
// (the server would drop the session over a longer one).
bool sendable(BlogConnection& connection, std::string_view text)
{
    if (!connection)
        return connection.failWithoutSession();
    if (connection.severalStatementsStuck()) {
        // As a lost session: the run opens it again, as it does one that went away.
        connection.rememberError(CR_SERVER_GONE_ERROR,
                                 "several statements could not be switched off after a batch; the session must be "
                                 "opened again");
        return false;
    }
    if (connection.escapingFailed()) {
        connection.rememberError(CR_UNKNOWN_ERROR, "a value could not be escaped for this session's character set; "
                                                   "no statement is sent on it, lest one store the value emptied");
        return false;
    }
    const std::uint64_t limit = connection.maxStatementBytes();
    if (limit != 0 && text.size() >= limit) {
        connection.rememberError(ER_NET_PACKET_TOO_LARGE,
                                 "the statement of " + std::to_string(text.size()) +
                                     " bytes is larger than the server's max_allowed_packet (" + std::to_string(limit) +
                                     " bytes); it was not sent");
        return false;
    }
    return true;
}

} // namespace

bool executeSql(BlogConnection& connection, std::string_view statement)
{
    // The whole statement goes, zero bytes included: under NO_BACKSLASH_ESCAPES
    // a zero byte inside a quoted value can only be sent as itself.
    if (!sendable(connection, statement))
        return false;
    if (connection.takeReadAhead(statement))
        return true;
    if (connection.m_carrier)
        return CarriedAccess::execute(connection, statement);
    // One that cannot be switched off is reported as sendable() reports a stuck session: as lost.
    if (!connection.severalStatementsOffFor(statement))
        return sendable(connection, statement);
    if (mysql_real_query(connection.handle(), statement.data(), statement.size()) != 0) {
        connection.rememberError();
        return false;
    }
    return true;
}

namespace {

// Switches several statements a query on or off on the session. One that cannot be switched off sends
// nothing more until reconnect() opens another, which starts with them off.
bool switchSeveralStatements(BlogConnection& connection, bool on)
{
    if (mysql_set_server_option(connection.handle(),
                                on ? MYSQL_OPTION_MULTI_STATEMENTS_ON : MYSQL_OPTION_MULTI_STATEMENTS_OFF) == 0)
        return true;
    connection.rememberError();
    return false;
}

} // namespace

bool sendStatements(BlogConnection& connection, std::string_view statements)
{
    connection.dropReadAhead();
    if (!sendable(connection, statements))
        return false;
    if (!connection.takesSeveralStatements()) {
        connection.rememberError(CR_UNKNOWN_ERROR, "the session was not opened for several statements at once");
        return false;
    }
    if (connection.m_carrier)
        return CarriedAccess::send(connection, statements);
    // Left on by the batch before, they stay on.
    if (!connection.m_severalStatementsOn && !switchSeveralStatements(connection, true))
        return false;
    connection.m_severalStatementsOn = true;
    if (mysql_send_query(connection.handle(), statements.data(), statements.size()) != 0) {
        connection.rememberError();
        const unsigned number = connection.lastErrorNumber();
        std::string error = connection.lastError();
        connection.m_severalStatementsOn = false;
        connection.m_severalStatementsStuck = !switchSeveralStatements(connection, false);
        connection.rememberError(number, std::move(error));
        return false;
    }
    return true;
}

std::vector<bool> readStatementResults(BlogConnection& connection)
{
    std::vector<bool> results;
    if (!connection) {
        connection.failWithoutSession();
        results.push_back(false);
        return results;
    }
    if (connection.m_carrier)
        return CarriedAccess::read(connection);
    MYSQL* mysql = connection.handle();
    int status = mysql_read_query_result(mysql) == 0 ? 0 : 1;
    while (true) {
        if (status > 0) {
            connection.rememberError();
            results.push_back(false);
            break;
        }
        results.push_back(true);
        mysql_free_result(mysql_store_result(mysql)); // inserts give none; anything else is not wanted
        status = mysql_next_result(mysql);
        if (status < 0)
            break;
    }
    // Several statements stay on for a batch that may follow; any other statement switches them off first.
    return results;
}

bool BlogConnection::takeReadAhead(std::string_view statement)
{
    settleReadAhead();
    m_taken.reset();
    const auto found = std::find_if(m_readAhead.begin(), m_readAhead.end(),
                                    [statement](const auto& read) { return read.first == statement; });
    if (found == m_readAhead.end()) {
        // Another select changes nothing they hold; anything else may.
        if (!isSelect(statement))
            dropReadAhead();
        return false;
    }
    m_taken = std::move(found->second);
    m_readAhead.erase(found);
    return true;
}

void BlogConnection::dropReadAhead()
{
    settleReadAhead();
    m_readAhead.clear();
    m_taken.reset();
}

namespace {

// The selects as one text, several statements to an exchange.
std::string joinedSelects(const std::vector<std::string>& selects)
{
    std::string text;
    for (const std::string& select : selects)
        text.append(text.empty() ? "" : ";").append(select);
    return text;
}

} // namespace

bool startReadAhead(BlogConnection& connection, const std::vector<std::string>& selects)
{
    connection.dropReadAhead();
    if (selects.empty() || !connection.takesSeveralStatements())
        return false;
    // What fails here is not the caller's to hear of: each select, sent again alone, says it then.
    const unsigned errorNumber = connection.lastErrorNumber();
    std::string error = connection.lastError();
    const std::string text = joinedSelects(selects);
    bool sent = false;
    if (!sendable(connection, text)) {
    } else if (connection.m_carrier) {
        sent = CarriedAccess::startReadAhead(connection, selects, text);
    } else if (connection.m_severalStatementsOn || switchSeveralStatements(connection, true)) {
        // As for a batch: on until a statement holding a ";" switches them off.
        connection.m_severalStatementsOn = true;
        sent = mysql_send_query(connection.handle(), text.data(), text.size()) == 0;
        if (sent)
            connection.m_readAheadOnItsWay = selects;
    }
    connection.rememberError(errorNumber, std::move(error));
    return sent;
}

void BlogConnection::settleReadAhead()
{
    if (m_carrier) {
        CarriedAccess::settleReadAhead(*this);
        return;
    }
    if (m_readAheadOnItsWay.empty())
        return;
    const std::vector<std::string> selects = std::move(m_readAheadOnItsWay);
    m_readAheadOnItsWay.clear();
    MYSQL* mysql = handle();
    if (!mysql || mysql_read_query_result(mysql) != 0)
        return; // the first failed, or the session went: nothing is kept, and the next statement says why
    for (std::size_t i = 0;; ++i) {
        MYSQL_RES* result = mysql_store_result(mysql);
        if (!result) // a statement without rows, or rows that did not all come: nothing more is kept
            break;
        if (i < selects.size())
            m_readAhead.emplace_back(selects[i], ResultSet(result));
        else
            mysql_free_result(result);
        if (mysql_next_result(mysql) != 0) // none left, or the next one failed
            break;
    }
    // What the server still has to say after a failure, so the session is ready for the next statement.
    while (mysql_more_results(mysql) && mysql_next_result(mysql) == 0)
        mysql_free_result(mysql_store_result(mysql));
}

std::size_t readAhead(BlogConnection& connection, const std::vector<std::string>& selects)
{
    if (!startReadAhead(connection, selects))
        return 0;
    connection.settleReadAhead(); // records no error: a select that failed says it when sent again
    return connection.m_readAhead.size();
}

bool insertRow(BlogConnection& connection, std::string_view table, std::string_view assignments)
{
    std::string statement;
    statement.reserve(table.size() + assignments.size() + 20);
    statement.append("insert into ").append(table).append(" set ").append(assignments);
    return executeSql(connection, statement);
}

bool deleteRows(BlogConnection& connection, std::string_view table, std::string_view condition)
{
    std::string statement = "delete from ";
    statement.append(table);
    if (!condition.empty())
        statement.append(" where ").append(condition);
    return executeSql(connection, statement);
}

ResultSet storeResult(BlogConnection& connection)
{
    if (!connection) {
        connection.failWithoutSession();
        return {};
    }
    if (connection.m_taken) {
        ResultSet taken = std::move(*connection.m_taken);
        connection.m_taken.reset();
        return taken;
    }
    if (connection.m_carrier)
        return CarriedAccess::store(connection);
    MYSQL_RES* result = mysql_store_result(connection.handle());
    if (!result && mysql_errno(connection.handle()) != 0)
        connection.rememberError();
    return ResultSet(result);
}

std::uint64_t lastInsertId(const BlogConnection& connection)
{
    if (connection.m_carrier)
        return connection.m_lastCarried.insertId;
    return connection ? mysql_insert_id(connection.handle()) : 0;
}

unsigned warningCount(const BlogConnection& connection)
{
    if (connection.m_carrier)
        return connection.m_lastCarried.warningCount;
    return connection ? mysql_warning_count(connection.handle()) : 0;
}

std::vector<Warning> lastWarnings(BlogConnection& connection)
{
    std::vector<Warning> warnings;
    if (warningCount(connection) == 0)
        return warnings;
    if (connection.m_carrier) // they came with the statement
        return connection.m_lastCarried.warnings;
    // Asking must not overwrite the error the caller may still want to read.
    const unsigned errorNumber = connection.lastErrorNumber();
    std::string error = connection.lastError();
    if (executeSql(connection, "SHOW WARNINGS")) {
        ResultSet rows = storeResult(connection);
        for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
            std::int64_t code = 0;
            Warning warning;
            readField(rows, "Code", code);
            readField(rows, "Message", warning.message);
            warning.code = static_cast<unsigned>(code);
            warnings.push_back(std::move(warning));
        }
    }
    connection.rememberError(errorNumber, std::move(error));
    return warnings;
}

std::string quotedLiteral(const BlogConnection& connection, std::string_view value)
{
    std::string literal = "'";
    // A carried session reads backslash escapes in utf8mb4 always (its far side sees to that).
    if (connection.handle()) {
        literal.resize(value.size() * 2 + 2);
        unsigned long length = escapeForSession(connection.handle(), literal.data() + 1, value.data(), value.size());
        if (length == static_cast<unsigned long>(-1)) {
            connection.m_escapingFailed = true;
            length = 0;
        }
        literal.resize(length + 1);
    } else {
        // No session to ask: the escaping every server understands by default.
        for (const char c : value) {
            switch (c) {
            case '\0':
                literal += "\\0";
                break;
            case '\n':
                literal += "\\n";
                break;
            case '\r':
                literal += "\\r";
                break;
            case '\x1a':
                literal += "\\Z";
                break;
            case '\\':
            case '\'':
            case '"':
                literal += '\\';
                literal += c;
                break;
            default:
                literal += c;
            }
        }
    }
    literal += '\'';
    return literal;
}

} // namespace kestrel
