#include "ResultSet.h"
#include "RowValues.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

bool insertRow(Session& session, const std::string& table, const RowValues& row)
{
    return session.insert(Insert{table, row.columns(), {&row}});
}

RowValues row(std::string_view column, std::string_view value)
{
    return RowValues().add(column, value);
}

bool deleteRows(Session& session, const std::string& table, const std::string& v)
{
    if (v.empty())
        return session.change(Change("delete_all", "DELETE FROM ?1", {Name{table}}));
    return session.change(Change("delete_some", "DELETE FROM ?1 WHERE v=?2", {Name{table}, v}));
}

} // namespace

TEST(ServerAddress, TakesAPortFromTheServerField)
{
    struct Case
    {
        std::string field, host;
        unsigned port;
    };
    const Case cases[] = {
        {"db.example.com", "db.example.com", 0},
        {"127.0.0.1:3307", "127.0.0.1", 3307},
        {"[::1]:3307", "::1", 3307},
        {"[fe80::1]", "fe80::1", 0},
        {"::1", "::1", 0},           // a bare v6 address has no port
        {"host:abc", "host:abc", 0}, // not a port: left to the server lookup, which will fail
        {"host:70000", "host:70000", 0},
        {"host:", "host:", 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        const ServerAddress address = parseServerAddress(c.field);
        EXPECT_EQ(address.host, c.host) << c.field;
        EXPECT_EQ(address.port, c.port) << c.field;
    }
}

TEST(MysqlSession, ConnectsToHostAndPortTypedIntoTheServerField)
{
    MysqlSession connection = openConnection(testServer().address(), "root", testServer().password, "");
    ASSERT_TRUE(connection) << connection.lastError();
    EXPECT_TRUE(executeSql(connection, "SELECT 1"));

    // Nothing listens on port 1: the typed port is used, not the default one.
    EXPECT_FALSE(openConnection(testServer().host + ":1", "root", "", ""));
}

TEST(MysqlSession, EmptyFieldsLeaveTheLibraryDefaults)
{
    // The test command points the library's default socket and port at the test server.
    MysqlSession local = openConnection("", "root", testServer().password, "");
    ASSERT_TRUE(local) << local.lastError();
    MysqlSession byDefaultPort = openConnection(testServer().host, "root", testServer().password, "");
    ASSERT_TRUE(byDefaultPort) << byDefaultPort.lastError();

    // No database chosen: an unqualified select has nothing to read from.
    EXPECT_FALSE(executeSql(local, "Select * From emlog_blog"));
    EXPECT_EQ(local.lastErrorNumber(), 1046u) << local.lastError();
}

TEST(MysqlSession, WrongPasswordGivesNullAndTheServersReason)
{
    MysqlSession connection = openConnection(testServer().address(), "root", "not-the-password", "");
    EXPECT_FALSE(connection);
    EXPECT_EQ(connection.lastErrorNumber(), 1045u);
    EXPECT_NE(connection.lastError().find("Access denied"), std::string::npos);
    EXPECT_EQ(connection.lastError().find("not-the-password"), std::string::npos);
}

TEST(MysqlSession, UnknownDatabaseFails)
{
    MysqlSession connection =
        openConnection(testServer().address(), "root", testServer().password, "no_such_database_here");
    EXPECT_FALSE(connection);
    EXPECT_EQ(connection.lastErrorNumber(), 1049u);
}

// A session's settings go with its opening, and again with a reconnect; one the server refuses opens
// no session, with the server's reason. The same whether the session takes several statements or not.
TEST(MysqlSession, SettingsGoWithTheOpeningAndARefusedOneOpensNothing)
{
    for (const bool several : {true, false}) {
        SCOPED_TRACE(several ? "several statements" : "one at a time");
        ConnectionOptions options{testServer().address(), "root", testServer().password, ""};
        options.multiStatements = several;
        options.settings = {"SET SESSION sql_mode='NO_ENGINE_SUBSTITUTION'", "SET SESSION wait_timeout=1234"};
        MysqlSession session = openConnection(options);
        ASSERT_TRUE(session) << session.lastError();
        EXPECT_GT(session.maxStatementBytes(), 0u);
        for (const bool reopened : {false, true}) {
            if (reopened) {
                ASSERT_TRUE(session.reconnect()) << session.lastError();
            }
            EXPECT_EQ(queryValue(session, "SELECT @@SESSION.sql_mode"), "NO_ENGINE_SUBSTITUTION");
            EXPECT_EQ(queryValue(session, "SELECT @@SESSION.wait_timeout"), "1234");
        }
        options.settings.insert(options.settings.begin() + 1, "SET SESSION no_such_setting=1");
        MysqlSession refused = openConnection(options);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.lastErrorNumber(), 1193u) << refused.lastError();
    }
}

TEST(MysqlSession, FailedStatementKeepsTheServerError)
{
    MysqlSession connection = adminConnection();
    EXPECT_FALSE(executeSql(connection, "selct 1"));
    EXPECT_EQ(connection.lastErrorNumber(), 1064u);
    EXPECT_FALSE(connection.lastError().empty());
    // The connection is still usable afterwards.
    EXPECT_TRUE(executeSql(connection, "SELECT 1"));
    EXPECT_EQ(rowCount(storeResult(connection)), 1u);
}

TEST(MysqlSession, InsertAndDeleteRows)
{
    TestDatabase db("rows");
    MysqlSession connection = openConnection(testServer().address(), "root", testServer().password, db.name());
    ASSERT_TRUE(connection);
    ASSERT_TRUE(executeSql(connection, "CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, v VARCHAR(10))"));

    EXPECT_TRUE(insertRow(connection, "t", row("v", "a")));
    EXPECT_EQ(connection.lastInsertId(), 1u);
    EXPECT_TRUE(insertRow(connection, "t", RowValues().add("id", 7).add("v", "b")));
    EXPECT_TRUE(insertRow(connection, "t", row("v", "c")));
    EXPECT_FALSE(insertRow(connection, "t", RowValues().add("id", 7).add("v", "again")));
    EXPECT_EQ(connection.lastErrorNumber(), 1062u); // duplicate key
    EXPECT_FALSE(insertRow(connection, "missing_table", row("v", "x")));
    EXPECT_EQ(connection.lastErrorNumber(), 1146u);

    EXPECT_TRUE(deleteRows(connection, "t", "b"));
    EXPECT_EQ(queryValue(db.admin(), "SELECT GROUP_CONCAT(v ORDER BY id) FROM t"), "a,c");
    EXPECT_TRUE(deleteRows(connection, "t", ""));
    EXPECT_EQ(queryValue(db.admin(), "SELECT COUNT(*) FROM t"), "0");
    EXPECT_FALSE(deleteRows(connection, "missing_table", ""));
}

TEST(MysqlSession, WarningsOfTheLastStatementAreReadable)
{
    TestDatabase db("warnings");
    MysqlSession connection = adminConnection(db.name());
    ASSERT_TRUE(executeSql(connection, "SET SESSION sql_mode=''")); // not strict: a long value is cut, with a warning
    ASSERT_TRUE(executeSql(connection, "CREATE TABLE t (v VARCHAR(3))"));
    ASSERT_TRUE(insertRow(connection, "t", row("v", "abc")));
    EXPECT_EQ(connection.warningCount(), 0u);
    EXPECT_TRUE(connection.lastWarnings().empty());
    ASSERT_TRUE(insertRow(connection, "t", row("v", "abcdef")));
    ASSERT_EQ(connection.warningCount(), 1u);
    const auto warnings = connection.lastWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].code, 1265u);
    EXPECT_NE(warnings[0].message.find("Data truncated"), std::string::npos);
}

TEST(MysqlSession, NullConnectionDoesNothingAndFails)
{
    MysqlSession none;
    EXPECT_FALSE(executeSql(none, "SELECT 1"));
    EXPECT_FALSE(insertRow(none, "t", row("a", "1")));
    EXPECT_FALSE(deleteRows(none, "t", ""));
    EXPECT_FALSE(storeResult(none));
    EXPECT_EQ(none.lastInsertId(), 0u);
    EXPECT_TRUE(none.lastWarnings().empty());
    EXPECT_FALSE(none.lastError().empty());
    closeConnection(none); // harmless
    EXPECT_EQ(quotedLiteral(none, "it's"), "'it\\'s'");
}

TEST(MysqlSession, ClosingEndsTheSessionOnTheServer)
{
    MysqlSession connection = adminConnection();
    const unsigned long id = mysql_thread_id(connection.handle());
    ASSERT_TRUE(serverHasSession(id));
    closeConnection(connection);
    EXPECT_FALSE(connection);
    EXPECT_FALSE(serverHasSession(id, true));
    EXPECT_FALSE(executeSql(connection, "SELECT 1"));
}

TEST(MysqlSession, DestroyingAConnectionClosesIt)
{
    unsigned long id = 0;
    {
        MysqlSession connection = adminConnection();
        id = mysql_thread_id(connection.handle());
    }
    EXPECT_FALSE(serverHasSession(id, true));
}
