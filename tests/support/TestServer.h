#pragma once

#include "EmlogSchema.h"
#include "SessionSql.h"

#include <csignal>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The throwaway MariaDB server the test command starts, and databases on it.
namespace kestrel::test {

struct ServerInfo
{
    std::string host;
    unsigned port = 0;
    std::string socket;
    std::string passwordFile; // root's password, in a file only its owner reads
    std::string password;
    // "host:port", as a user would type it into a server field.
    std::string address() const { return host + ":" + std::to_string(port); }
};

// From the environment the test command sets; a test without it fails loudly.
const ServerInfo& testServer();

// Root's password on the test server or on a private server, by the address a test types.
std::string rootPassword(const std::string& serverAddress = {});

// A root session on the test server, optionally on one database; it stays out of the statement log.
MysqlSession adminConnection(const std::string& database = {});

using Row = std::vector<std::optional<std::string>>;
// Every row of a query, NULL as nullopt. Fails the calling test on an error.
std::vector<Row> queryRows(MysqlSession& connection, const std::string& sql);
// The first column of the first row, or "" when there is none.
std::string queryValue(MysqlSession& connection, const std::string& sql);
void execute(MysqlSession& connection, const std::string& sql);

// A database of its own for one test: created empty (utf8mb4), dropped at the end.
class TestDatabase
{
public:
    explicit TestDatabase(const std::string& purpose);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const std::string& name() const { return m_name; }
    // A root session on this database.
    MysqlSession& admin() { return m_admin; }

private:
    std::string m_name;
    MysqlSession m_admin;
};

// Deletes every row of the tables a run empties, meta included (WordPress's installer leaves a post, a
// comment and a category).
void emptyWordPressTables(MysqlSession& connection, const std::string& prefix = "wp_");

// WordPress's tables as its own installer (php-cli) makes them, in an existing database (of the test
// server unless told). On the test server the installer runs once per prefix, into a template database,
// and each database gets a copy of its tables.
void installWordPress(const std::string& database, const std::string& prefix = "wp_",
                      const std::string& serverAddress = {});

// A WordPress database made by WordPress's installer, dropped at the end.
class WordPressDatabase : public TestDatabase
{
public:
    explicit WordPressDatabase(const std::string& purpose, std::string prefix = "wp_");
    const std::string& prefix() const { return m_prefix; }
    std::string table(const std::string& bare) const { return m_prefix + bare; }

private:
    std::string m_prefix;
};

// Runs a PHP file with the WordPress environment of a database; gives what it printed.
std::string runWordPressScript(const std::string& script, const std::string& database, const std::string& prefix,
                               const std::vector<std::string>& arguments = {});

// The folder of the project's sources (scripts, sample data).
std::string sourceDir();

using sample::EmlogVersion;
using sample::OldBlog;

// Loads the project's sample emlog blog into a database (created when missing), in a version's tables,
// on the test server unless told.
void loadSampleBlog(const std::string& database, const std::string& prefix = "emlog_",
                    EmlogVersion version = EmlogVersion::Pro, const std::string& serverAddress = {});

// Loads a small blog of emlog 3.5 or 4.3 (scripts/sample/emlog-3.5.sql, emlog-4.3.sql) into a database,
// created when missing, on the test server.
void loadOldBlog(const std::string& database, OldBlog blog, const std::string& prefix = "emlog_");

// The rows of the sample blog that name something it does not have (comment 28 and
// attachment 7 belong to the deleted article 14, ...): every run reports them, as
// "migration sourceId", e.g. "评论 cid=28".
const std::set<std::string>& sampleRowsWithoutOwners();
// The rows a completion message's details name as failed, as "migration sourceId".
std::set<std::string> failedRows(const std::string& details);
// Every line of the details is there once, gives its reason in Chinese, and each kind's summary line in
// the message counts as failed or incomplete exactly the rows listed under it.
void expectFailuresCountedWhereListed(const std::string& message, const std::string& details);

// How many rows of one kind WordPress holds that name an emlog row, and how many
// different emlog rows they name, as "rows/distinct": "65/65" when each arrived once.
std::string copiedRows(MysqlSession& wordPress, const std::string& prefix, std::string_view originKey);
// The same for the sample blog's rows, as emlog holds them: what a whole run brings.
std::string sampleRowsToCopy(MysqlSession& emlog, std::string_view originKey, const std::string& prefix = "emlog_");

// A MariaDB server of one test's own, for faults that must not reach the shared
// test server: it can be killed as a crash would, and started again.
class PrivateServer
{
public:
    // `options` are extra server options, e.g. "--max-allowed-packet=1M".
    explicit PrivateServer(std::string options = {});
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    const std::string& dir() const { return m_dir; }
    std::string password() const { return rootPassword(address()); }
    MysqlSession admin(const std::string& database = {}) const;
    void createDatabase(const std::string& name) const;

    void kill();    // SIGKILL, as a crash would
    void restart(); // on the same data and port
    // SIGSTOP: the server keeps its connections but answers nothing, as a hung host would; SIGCONT.
    void pause() { signal(SIGSTOP); }
    void resume() { signal(SIGCONT); }

private:
    void start();
    void signal(int number);

    std::string m_dir;
    std::string m_options;
    unsigned m_port = 0;
};

// A CA and a server certificate it signed for 127.0.0.1 only, made with openssl once per test
// process, and a second CA that signed nothing here.
struct TestCertificates
{
    std::string ca;
    std::string otherCa;
    std::string serverCertificate;
    std::string serverKey;
    // A self-signed certificate made out to 127.0.0.2, and its SHA-256 fingerprint as openssl prints it.
    std::string selfSigned;
    std::string selfSignedKey;
    std::string selfSignedSha256;
    // PrivateServer options for TLS with that certificate. The server also listens on
    // 127.0.0.2, an address of this machine that the certificate is not made out to.
    std::string serverOptions() const;
    // The same with the self-signed certificate: a server that is not this machine to a client asking 127.0.0.2.
    std::string selfSignedServerOptions() const;
};
const TestCertificates& testCertificates();

// Creates emlog's tables, as a version's installer makes them, under a prefix.
void createEmlogTables(MysqlSession& connection, const std::string& prefix = "emlog_",
                       const std::string& charset = "utf8mb4", EmlogVersion version = EmlogVersion::Pro);

// Whether the test server still lists a session. A closed session takes a moment to
// leave the list: with `waitForItToGo`, up to a second is allowed for that.
bool serverHasSession(unsigned long threadId, bool waitForItToGo = false);

// The server's general log, kept in a table, shows every statement a session sent
// (but those of sessions that opt out with sql_log_off, as the admin sessions do).
void enableStatementLog();
std::vector<std::string> statementsOf(unsigned long threadId);

} // namespace kestrel::test
