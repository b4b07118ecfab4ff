#include "TestServer.h"

#include "WordPressSession.h"

#include "EmlogSchema.h"
#include "MigrationRun.h"
#include "ResultSet.h"

#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace kestrel::test {

namespace {

std::string environment(const char* name, const std::string& fallback = {})
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command, giving its standard output; a failure is a fatal test error.
std::string runCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run: " + command);
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    if (status != 0)
        throw std::runtime_error("command failed (" + std::to_string(status) + "): " + command + "\n" + output);
    return output;
}

// Where each private server keeps root's password, by address.
std::mutex passwordFilesMutex;
std::map<std::string, std::string> passwordFiles;

std::string passwordFileOf(const std::string& serverAddress)
{
    if (serverAddress.empty() || serverAddress == testServer().address())
        return testServer().passwordFile;
    std::lock_guard lock(passwordFilesMutex);
    auto found = passwordFiles.find(serverAddress);
    // A private server also answers on 127.0.0.2, an address its certificates need not name.
    if (found == passwordFiles.end() && serverAddress.rfind("127.0.0.2:", 0) == 0)
        found = passwordFiles.find("127.0.0.1:" + serverAddress.substr(10));
    return found == passwordFiles.end() ? std::string() : found->second;
}

std::string firstLine(const std::string& file)
{
    std::string line;
    std::getline(std::ifstream(file), line);
    return line;
}

// The environment a PHP process needs to load WordPress on a database, as "NAME=value " pairs.
std::string wordPressEnvironment(const std::string& database, const std::string& prefix,
                                 const std::string& serverAddress = {})
{
    return "WP_ROOT=" + shellQuoted(environment("KESTREL_WORDPRESS_ROOT", KESTREL_BINARY_DIR "/wordpress")) +
           " WP_DB_HOST=" + shellQuoted(serverAddress.empty() ? testServer().address() : serverAddress) +
           " WP_DB_NAME=" + shellQuoted(database) + " WP_TABLE_PREFIX=" + shellQuoted(prefix) +
           " WP_DB_PASSWORD_FILE=" + shellQuoted(passwordFileOf(serverAddress)) + " ";
}

} // namespace

PrivateServer::PrivateServer(std::string options) : m_options(std::move(options))
{
    static std::atomic<int> counter{0};
    m_dir = std::string(KESTREL_BINARY_DIR) + "/private-servers/" + std::to_string(getpid()) + "-" +
            std::to_string(++counter);
    runCommand("rm -rf " + shellQuoted(m_dir));
    start();
}

PrivateServer::~PrivateServer()
{
    std::system(
        (shellQuoted(sourceDir() + "/scripts/mariadb-server.sh") + " remove " + shellQuoted(m_dir) + " >/dev/null 2>&1")
            .c_str());
}

void PrivateServer::start()
{
    const std::string port = runCommand("MARIADB_OPTIONS=" + shellQuoted(m_options) + " " +
                                        shellQuoted(sourceDir() + "/scripts/mariadb-server.sh") + " start " +
                                        shellQuoted(m_dir) + (m_port ? " " + std::to_string(m_port) : "") + " 2>&1");
    m_port = static_cast<unsigned>(std::stoul(port));
    std::lock_guard lock(passwordFilesMutex);
    passwordFiles[address()] = m_dir + "/root-password";
}

std::string rootPassword(const std::string& serverAddress)
{
    return firstLine(passwordFileOf(serverAddress));
}

MysqlSession PrivateServer::admin(const std::string& database) const
{
    MysqlSession connection = openConnection("127.0.0.1", "root", rootPassword(address()), database, m_port);
    if (!connection)
        throw std::runtime_error("cannot reach the private server: " + connection.lastError());
    mysql_set_character_set(connection.handle(), "utf8mb4");
    return connection;
}

void PrivateServer::createDatabase(const std::string& name) const
{
    MysqlSession connection = admin();
    execute(connection, "CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4");
}

namespace {

pid_t serverPid(const std::string& dir)
{
    std::ifstream pidFile(dir + "/pid");
    pid_t pid = 0;
    pidFile >> pid;
    return pid;
}

} // namespace

void PrivateServer::signal(int number)
{
    if (const pid_t pid = serverPid(m_dir); pid > 0)
        ::kill(pid, number);
}

void PrivateServer::kill()
{
    const pid_t pid = serverPid(m_dir);
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    for (int i = 0; i < 500 && ::kill(pid, 0) == 0; ++i)
        usleep(10000);
}

void PrivateServer::restart()
{
    start();
}

void loadSampleBlog(const std::string& database, const std::string& prefix, EmlogVersion version,
                    const std::string& serverAddress)
{
    runCommand("KESTREL_DB_PASSWORD_FILE=" + shellQuoted(passwordFileOf(serverAddress)) + " " +
               shellQuoted(sourceDir() + "/scripts/sample/load-emlog.sh") + " " +
               shellQuoted(serverAddress.empty() ? testServer().address() : serverAddress) + " " +
               shellQuoted(database) + " " + shellQuoted(prefix) + " utf8mb4 " + sample::versionName(version) +
               " 2>&1");
}

void loadOldBlog(const std::string& database, OldBlog blog, const std::string& prefix)
{
    runCommand("KESTREL_DB_PASSWORD_FILE=" + shellQuoted(passwordFileOf({})) + " " +
               shellQuoted(sourceDir() + "/scripts/sample/load-emlog.sh") + " " + shellQuoted(testServer().address()) +
               " " + shellQuoted(database) + " " + shellQuoted(prefix) + " utf8 " + sample::blogName(blog) + " 2>&1");
}

const std::set<std::string>& sampleRowsWithoutOwners()
{
    static const std::set<std::string> rows = {"标签 tid=6", "文章 gid=21", "文章 gid=22", "评论 cid=28", "附件 aid=7"};
    return rows;
}

std::set<std::string> failedRows(const std::string& details)
{
    // "[评论] wp_comments cid=28: reason": the migration, the table, the row.
    std::set<std::string> rows;
    std::istringstream lines(details);
    for (std::string line; std::getline(lines, line);) {
        const auto close = line.find("] ");
        const auto table = line.find(' ', close + 2);
        const auto colon = line.find(": ", table == std::string::npos ? 0 : table);
        if (line.rfind("[", 0) != 0 || close == std::string::npos || table == std::string::npos ||
            colon == std::string::npos)
            continue;
        rows.insert(line.substr(1, close - 1) + " " + line.substr(table + 1, colon - table - 1));
    }
    return rows;
}

void expectFailuresCountedWhereListed(const std::string& message, const std::string& details)
{
    std::map<std::string, std::set<std::string>> listed; // rows by kind
    std::set<std::string> lines;
    const QRegularExpression han(QStringLiteral("\\p{Han}"));
    std::istringstream detailLines(details);
    for (std::string line; std::getline(detailLines, line);) {
        if (line.rfind("[", 0) != 0)
            continue;
        EXPECT_TRUE(lines.insert(line).second) << "listed twice: " << line;
        const auto colon = line.find(": ");
        ASSERT_NE(colon, std::string::npos) << line;
        EXPECT_TRUE(QString::fromStdString(line.substr(colon + 2)).contains(han)) << "not in Chinese: " << line;
    }
    for (const std::string& row : failedRows(details))
        listed[row.substr(0, row.find(' '))].insert(row);
    const QRegularExpression tally(
        QStringLiteral(
            "^(\\S+)：读取 \\d+ 行，写入 \\d+ 行(?:（其中 (\\d+) 行不完整）)?，已存在 \\d+ 行，失败 (\\d+) 行"),
        QRegularExpression::MultilineOption);
    std::map<std::string, std::size_t> counted;
    for (auto match = tally.globalMatch(QString::fromStdString(message)); match.hasNext();) {
        const QRegularExpressionMatch kind = match.next();
        counted[kind.captured(1).toStdString()] = kind.captured(2).toULongLong() + kind.captured(3).toULongLong();
    }
    EXPECT_FALSE(counted.empty()) << message;
    for (const auto& [kind, failed] : counted)
        EXPECT_EQ(failed, listed[kind].size()) << kind << "\n" << message << "\n" << details;
}

std::string copiedRows(MysqlSession& wordPress, const std::string& prefix, std::string_view originKey)
{
    // Only meta whose row is still there counts.
    const std::string key(originKey);
    std::string owner = "JOIN " + prefix + "posts o ON o.ID=m.post_id";
    std::string meta = prefix + "postmeta";
    if (key == "_emlog_cid") {
        owner = "JOIN " + prefix + "comments o ON o.comment_ID=m.comment_id";
        meta = prefix + "commentmeta";
    } else if (key == "_emlog_sid" || key == "_emlog_tid") {
        owner = "JOIN " + prefix + "terms o ON o.term_id=m.term_id";
        meta = prefix + "termmeta";
    } else if (key == "_emlog_uid") {
        owner = "JOIN " + prefix + "users o ON o.ID=m.user_id";
        meta = prefix + "usermeta";
    }
    const auto rows = queryRows(wordPress, "SELECT COUNT(*), COUNT(DISTINCT m.meta_value) FROM " + meta + " m " +
                                               owner + " WHERE m.meta_key='" + key + "'");
    return rows.empty() ? "" : rows[0][0].value_or("") + "/" + rows[0][1].value_or("");
}

std::string sampleRowsToCopy(MysqlSession& emlog, std::string_view originKey, const std::string& p)
{
    // Comments and attachments of an article that is not there have nowhere to go.
    const std::map<std::string, std::string> counts = {
        {"_emlog_gid", "SELECT COUNT(*) FROM " + p + "blog"},
        {"_emlog_cid", "SELECT COUNT(*) FROM " + p + "comment WHERE gid IN (SELECT gid FROM " + p + "blog)"},
        {"_emlog_aid",
         "SELECT COUNT(*) FROM " + p + "attachment WHERE blogid=0 OR blogid IN (SELECT gid FROM " + p + "blog)"},
        {"_emlog_sid", "SELECT COUNT(*) FROM " + p + "sort"},
        {"_emlog_tid", "SELECT COUNT(*) FROM " + p + "tag"},
    };
    const std::string count = queryValue(emlog, counts.at(std::string(originKey)));
    return count + "/" + count;
}

std::string TestCertificates::serverOptions() const
{
    return "--bind-address=127.0.0.1,127.0.0.2 --ssl-ca=" + ca + " --ssl-cert=" + serverCertificate +
           " --ssl-key=" + serverKey;
}

std::string TestCertificates::selfSignedServerOptions() const
{
    return "--bind-address=127.0.0.1,127.0.0.2 --ssl-cert=" + selfSigned + " --ssl-key=" + selfSignedKey;
}

const TestCertificates& testCertificates()
{
    // Removed again when the test process ends.
    struct Folder
    {
        std::string path = std::string(KESTREL_BINARY_DIR) + "/test-tls/" + std::to_string(getpid());
        ~Folder() { std::system(("rm -rf " + shellQuoted(path)).c_str()); }
    };
    static const Folder folder;
    static const TestCertificates certificates = [] {
        const std::string dir = shellQuoted(folder.path);
        const std::string newKey = "openssl req -newkey rsa:2048 -nodes -days 2 ";
        runCommand("(rm -rf " + dir + " && mkdir -p " + dir + " && cd " + dir + " && " + newKey +
                   "-x509 -subj '/CN=Kestrel test CA' -keyout ca.key -out ca.pem && " + newKey +
                   "-x509 -subj '/CN=Kestrel other CA' -keyout other.key -out other.pem && " + newKey +
                   "-subj '/CN=127.0.0.1' -keyout server.key -out server.csr && "
                   "echo 'subjectAltName=IP:127.0.0.1' >server.ext && "
                   "openssl x509 -req -days 2 -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial "
                   "-extfile server.ext -out server.pem && " +
                   newKey +
                   "-x509 -subj '/CN=127.0.0.2' -addext 'subjectAltName=IP:127.0.0.2' -keyout self.key -out self.pem"
                   ") 2>&1");
        const std::string printed = runCommand("openssl x509 -noout -fingerprint -sha256 -in " + dir + "/self.pem");
        const std::string fingerprint = printed.substr(printed.find('=') + 1, 95);
        return TestCertificates{folder.path + "/ca.pem",
                                folder.path + "/other.pem",
                                folder.path + "/server.pem",
                                folder.path + "/server.key",
                                folder.path + "/self.pem",
                                folder.path + "/self.key",
                                fingerprint};
    }();
    return certificates;
}

const ServerInfo& testServer()
{
    static const ServerInfo info = [] {
        ServerInfo server;
        server.host = environment("KESTREL_TEST_MYSQL_HOST", "127.0.0.1");
        server.port = static_cast<unsigned>(std::atoi(environment("KESTREL_TEST_MYSQL_PORT", "0").c_str()));
        server.socket = environment("KESTREL_TEST_MYSQL_SOCKET");
        server.passwordFile = environment("KESTREL_TEST_MYSQL_PASSWORD_FILE");
        if (!server.passwordFile.empty())
            server.password = firstLine(server.passwordFile);
        if (server.port == 0)
            throw std::runtime_error("KESTREL_TEST_MYSQL_PORT is not set: run the tests with scripts/test.sh, "
                                     "which starts the test server");
        return server;
    }();
    return info;
}

MysqlSession adminConnection(const std::string& database)
{
    MysqlSession connection =
        openConnection(testServer().host, "root", testServer().password, database, testServer().port);
    if (!connection)
        throw std::runtime_error("cannot reach the test server: " + connection.lastError());
    // Fixtures, some of many megabytes, stay out of the statement log.
    executeSql(connection, "SET SESSION sql_log_off=ON");
    return connection;
}

std::vector<Row> queryRows(MysqlSession& connection, const std::string& sql)
{
    std::vector<Row> rows;
    if (!executeSql(connection, sql)) {
        ADD_FAILURE() << sql << ": " << connection.lastError();
        return rows;
    }
    ResultSet result = storeResult(connection);
    MYSQL_RES* res = result.handle();
    if (!res)
        return rows;
    const unsigned columns = mysql_num_fields(res);
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        const unsigned long* lengths = mysql_fetch_lengths(res);
        Row values;
        for (unsigned i = 0; i < columns; ++i) {
            if (row[i])
                values.emplace_back(std::string(row[i], lengths[i]));
            else
                values.emplace_back(std::nullopt);
        }
        rows.push_back(std::move(values));
    }
    return rows;
}

std::string queryValue(MysqlSession& connection, const std::string& sql)
{
    const auto rows = queryRows(connection, sql);
    return rows.empty() || rows[0].empty() ? std::string() : rows[0][0].value_or("");
}

void execute(MysqlSession& connection, const std::string& sql)
{
    if (!executeSql(connection, sql))
        ADD_FAILURE() << sql << ": " << connection.lastError();
}

TestDatabase::TestDatabase(const std::string& purpose)
{
    static std::atomic<int> counter{0};
    m_name = "kt_" + purpose + "_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    MysqlSession admin = adminConnection();
    if (!executeSql(admin, "CREATE DATABASE `" + m_name + "` CHARACTER SET utf8mb4"))
        throw std::runtime_error("cannot create " + m_name + ": " + admin.lastError());
    m_admin = adminConnection(m_name);
    useWordPressSqlMode(m_admin); // the checks insert fixtures without naming every column
    mysql_set_character_set(m_admin.handle(), "utf8mb4");
}

TestDatabase::~TestDatabase()
{
    closeConnection(m_admin);
    MysqlSession admin = openConnection(testServer().host, "root", testServer().password, "", testServer().port);
    executeSql(admin, "DROP DATABASE IF EXISTS `" + m_name + "`");
}

void emptyWordPressTables(MysqlSession& connection, const std::string& prefix)
{
    for (const std::string_view bare : wordPressTables)
        execute(connection, "DELETE FROM " + prefix + std::string(bare));
    for (const std::string_view bare : wordPressMetaTables)
        execute(connection, "DELETE FROM " + prefix + std::string(bare));
}

namespace {

void runInstaller(const std::string& database, const std::string& prefix, const std::string& serverAddress = {})
{
    runCommand(wordPressEnvironment(database, prefix, serverAddress) + "php " +
               shellQuoted(sourceDir() + "/scripts/wordpress/install.php") + " 2>&1");
}

void mustExecute(MysqlSession& connection, const std::string& sql)
{
    if (!executeSql(connection, sql))
        throw std::runtime_error(sql + ": " + connection.lastError());
}

// The tables of a database, and the id each gives next (NULL for a table without one).
std::string tablesOf(const std::string& database)
{
    return "SELECT TABLE_NAME, AUTO_INCREMENT FROM information_schema.TABLES WHERE TABLE_SCHEMA='" + database + "'";
}

// The database that keeps WordPress's installation under a prefix, made by its installer the first time
// a test asks for one on the test server and kept for the server's life. Test processes run side by side:
// a named lock lets one install while the others wait, and the tables reach the template all at once.
std::string wordPressTemplate(MysqlSession& admin, const std::string& prefix)
{
    const std::string name = "kt_template_wordpress_" + prefix;
    const std::string lock = "'" + name + "'";
    if (queryValue(admin, "SELECT GET_LOCK(" + lock + ", 900)") != "1")
        throw std::runtime_error("no lock on the WordPress template " + name);
    const auto unlock = [&] { executeSql(admin, "DO RELEASE_LOCK(" + lock + ")"); };
    try {
        if (queryValue(admin, "SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME='" + name + "'") ==
            "0") {
            const std::string making = name + "_making";
            mustExecute(admin, "DROP DATABASE IF EXISTS `" + making + "`");
            mustExecute(admin, "CREATE DATABASE `" + making + "` CHARACTER SET utf8mb4");
            runInstaller(making, prefix);
            std::string renames;
            for (const Row& row : queryRows(admin, tablesOf(making))) {
                const std::string table = row[0].value_or("");
                renames += (renames.empty() ? "" : ", ") +
                           ("`" + making + "`.`" + table + "` TO `" + name + "`.`" + table + "`");
            }
            mustExecute(admin, "CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4");
            mustExecute(admin, "RENAME TABLE " + renames);
            mustExecute(admin, "DROP DATABASE `" + making + "`");
        }
    } catch (...) {
        unlock();
        throw;
    }
    unlock();
    return name;
}

// Whether a prefix can name a template database: WordPress's own letters, and short enough.
bool plainPrefix(const std::string& prefix)
{
    return !prefix.empty() && prefix.size() <= 32 &&
           std::all_of(prefix.begin(), prefix.end(), [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

} // namespace

void installWordPress(const std::string& database, const std::string& prefix, const std::string& serverAddress)
{
    // A private server starts empty: there the installer runs each time.
    if ((!serverAddress.empty() && serverAddress != testServer().address()) || !plainPrefix(prefix)) {
        runInstaller(database, prefix, serverAddress);
        return;
    }
    // On the test server, a copy of what the installer made once: every table as it made it, rows, and the
    // next id each table gives.
    MysqlSession admin = adminConnection();
    const std::string from = wordPressTemplate(admin, prefix);
    mustExecute(admin, "SET SESSION sql_mode='NO_AUTO_VALUE_ON_ZERO'");
    for (const Row& row : queryRows(admin, tablesOf(from))) {
        const std::string source = "`" + from + "`.`" + row[0].value_or("") + "`";
        const std::string target = "`" + database + "`.`" + row[0].value_or("") + "`";
        mustExecute(admin, "CREATE TABLE " + target + " LIKE " + source);
        mustExecute(admin, "INSERT INTO " + target + " SELECT * FROM " + source);
        if (row[1])
            mustExecute(admin, "ALTER TABLE " + target + " AUTO_INCREMENT=" + *row[1]);
    }
}

WordPressDatabase::WordPressDatabase(const std::string& purpose, std::string prefix)
    : TestDatabase(purpose), m_prefix(std::move(prefix))
{
    installWordPress(name(), m_prefix);
}

std::string runWordPressScript(const std::string& script, const std::string& database, const std::string& prefix,
                               const std::vector<std::string>& arguments)
{
    std::string command = wordPressEnvironment(database, prefix) + "php " + shellQuoted(script);
    for (const auto& argument : arguments)
        command += " " + shellQuoted(argument);
    return runCommand(command);
}

std::string sourceDir()
{
    return KESTREL_SOURCE_DIR;
}

void createEmlogTables(MysqlSession& connection, const std::string& prefix, const std::string& charset,
                       EmlogVersion version)
{
    for (const std::string& statement : sample::emlogSchema(prefix, charset, version))
        execute(connection, statement);
}

bool serverHasSession(unsigned long threadId, bool waitForItToGo)
{
    MysqlSession admin = adminConnection();
    const std::string listed =
        "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID=" + std::to_string(threadId);
    for (int i = 0; i < 50; ++i) {
        if (queryValue(admin, listed) == "0")
            return false;
        if (!waitForItToGo)
            return true;
        usleep(20000);
    }
    return true;
}

void enableStatementLog()
{
    MysqlSession admin = adminConnection();
    execute(admin, "SET GLOBAL log_output='TABLE'");
    execute(admin, "SET GLOBAL general_log=ON");
}

std::vector<std::string> statementsOf(unsigned long threadId)
{
    MysqlSession admin = adminConnection();
    std::vector<std::string> statements;
    for (const Row& row : queryRows(admin, "SELECT argument FROM mysql.general_log WHERE command_type='Query' AND "
                                           "thread_id=" +
                                               std::to_string(threadId)))
        statements.push_back(row[0].value_or(""));
    return statements;
}

} // namespace kestrel::test
