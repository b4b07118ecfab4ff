#include "MysqlSession.h"

#include "ClientCalls.h"
#include "Encryption.h"
#include "SessionProtection.h"

#include <errmsg.h>

#include <algorithm>

namespace kestrel {

namespace {

// Generous limits, so that a server that stops answering ends in an error instead of holding the run
// (and the window waiting for it) for ever.
constexpr unsigned connectTimeoutSeconds = 15;
constexpr unsigned readWriteTimeoutSeconds = 300;

// The ways of logging in that never send the password as it is: a server in the middle that asks for
// mysql_clear_password (or PAM's dialog) is refused before it gets it.
constexpr const char* passwordSafeLogins = "mysql_native_password,client_ed25519,caching_sha2_password";
// The library's error for a way of logging in that is not among them (not in its errmsg.h).
constexpr unsigned loginNotAllowed = 5010;

constexpr const char* unicode = "utf8mb4";

const char* absentIfEmpty(const std::string& text)
{
    return text.empty() ? nullptr : text.c_str();
}

} // namespace

MysqlSession::MysqlSession(const ConnectionOptions& options, const std::function<void()>& admitted)
{
    ServerAddress address = parseServerAddress(options.server);
    if (options.port != 0)
        address.port = options.port;
    m_protection = plannedProtection(options);
    // A failed TLS handshake is the end of it: opened again in clear text, the session would give the
    // password and the blog to whoever in the middle made the handshake fail.
    MysqlHandle handle = MysqlHandle::make();
    MYSQL* mysql = handle.get();
    if (!mysql) {
        rememberError(CR_OUT_OF_MEMORY, "the client library could not make a connection object");
        return;
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
        if (!setClientOption(mysql, setting.option, setting.value, setting.name, refused)) {
            rememberError(CR_UNKNOWN_ERROR, std::move(refused));
            return;
        }
    }
    std::string refusal;
    if (!requestEncryption(mysql, options, address, refusal, m_tlsRefusal)) {
        rememberError(CR_SSL_CONNECTION_ERROR, std::move(refusal));
        return;
    }
    // Asked for at the login, and taken only where the server shows it took it (see setUp()).
    mysql_optionsv(mysql, MYSQL_SET_CHARSET_NAME, unicode);
    // On from the start where the session takes them, as after an exchange: the first read ahead or batch
    // then finds them on, and a statement holding a ";" still switches them off before it goes.
    if (!mysql_real_connect(mysql, absentIfEmpty(address.host), absentIfEmpty(options.user),
                            absentIfEmpty(options.password), absentIfEmpty(options.database), address.port, nullptr,
                            options.multiStatements ? CLIENT_MULTI_STATEMENTS : 0)) {
        const unsigned error = mysql_errno(mysql);
        if (error == CR_SSL_CONNECTION_ERROR) {
            // A failed TLS handshake is never followed by a session in clear text.
            m_tlsRefusal = tlsRefusalOf(options, address.host, mysql_error(mysql));
            rememberError(error, std::string("refused the server: ") + mysql_error(mysql));
        } else if (error == loginNotAllowed) {
            rememberError(error, explainLoginRefusal(mysql_error(mysql)));
        } else {
            rememberError(error, mysql_error(mysql));
        }
        return;
    }
    if (admitted)
        admitted();
    readNegotiatedTls(mysql, m_tlsVersion, m_tlsCipher);
    m_handle = std::move(handle);
    m_recipe.options = options;
    m_recipe.reopenable = true;
    m_several.opened(options.multiStatements);
    if (!setUp(options))
        close(); // with the server's reason
}

MysqlSession openConnection(const ConnectionOptions& options)
{
    return MysqlSession(options);
}

MysqlSession openConnection(const std::string& server, const std::string& user, const std::string& password,
                            const std::string& database, unsigned port)
{
    return MysqlSession(ConnectionOptions{server, user, password, database, port, {}});
}

// The session's settings, then what a run asks of every session: its longest statement, and whether the
// character set asked for at the login is the one it speaks (a server may keep its own, and a host's
// init_connect may set another). One exchange where the session takes several statements.
bool MysqlSession::setUp(const ConnectionOptions& options)
{
    // The settings that go in the same text as the questions (all, or none where each must go alone).
    std::string text;
    std::size_t settings = 0;
    for (const std::string& setting : options.settings) {
        if (!options.multiStatements && !run(setting))
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
                m_recipe.characterSet = unicode;
        }
        status = mysql_next_result(mysql);
        if (status < 0)
            return true;
    }
    // A setting refused fails the opening; the questions after them, refused, only leave their answers unknown.
    if (i >= settings)
        return true;
    rememberMysqlError();
    return false;
}

void MysqlSession::close()
{
    forgetReadAhead(); // the session goes, and their rows with it
    m_handle = MysqlHandle();
}

bool MysqlSession::reconnectNow()
{
    if (!m_recipe.reopenable)
        return failWithoutSession();
    m_handle = MysqlHandle();
    m_several.opened(false);
    if (m_breaker && m_breaker->broken()) {
        setReopenFailure("the session was broken off");
        return failWithoutSession();
    }
    MysqlSession fresh(m_recipe.options);
    bool reopened = fresh.isOpen();
    if (reopened && !m_recipe.characterSet.empty() && fresh.characterSet() != m_recipe.characterSet)
        reopened = fresh.setCharacterSet(m_recipe.characterSet.c_str());
    for (std::size_t i = 0; reopened && i < m_recipe.settings.size(); ++i)
        reopened = fresh.run(m_recipe.settings[i]);
    if (!reopened) {
        rememberError(fresh.lastErrorNumber(), fresh.lastError());
        m_tlsRefusal = fresh.m_tlsRefusal;
        setReopenFailure(std::to_string(fresh.lastErrorNumber()) + " " + fresh.lastError());
        return false;
    }
    m_handle = std::move(fresh.m_handle);
    m_handle.attach(m_breaker);
    m_several = fresh.m_several; // as the new session has them
    m_maxStatementBytes = fresh.m_maxStatementBytes;
    m_tlsVersion = std::move(fresh.m_tlsVersion);
    m_tlsCipher = std::move(fresh.m_tlsCipher);
    m_protection = fresh.m_protection;
    setReopenFailure({});
    return true;
}

bool MysqlSession::setCharacterSet(const char* name)
{
    if (!m_handle)
        return failWithoutSession();
    dropReadAhead(); // rows read in another character set
    // The library sends "SET NAMES <name>".
    if (!m_several.offFor(handle(), name)) {
        rememberMysqlError();
        return false;
    }
    if (mysql_set_character_set(handle(), name) != 0) {
        rememberMysqlError();
        return false;
    }
    m_recipe.characterSet = name;
    return true;
}

bool MysqlSession::useUnicodeNow()
{
    // Set once per session: it stays, and a reconnected session gets it again.
    if (characterSet() == "utf8mb4" || characterSet() == "utf8")
        return true;
    return setCharacterSet("utf8mb4") || setCharacterSet("utf8");
}

bool MysqlSession::applySetting(const std::string& statement)
{
    if (!execute(statement))
        return false;
    auto& settings = m_recipe.settings;
    if (std::find(settings.begin(), settings.end(), statement) == settings.end())
        settings.push_back(statement);
    return true;
}

} // namespace kestrel
