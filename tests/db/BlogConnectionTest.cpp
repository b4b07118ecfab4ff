#include "BlogConnection.h"
#include "ResultSet.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

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

TEST(BlogConnection, ConnectsToHostAndPortTypedIntoTheServerField)
{
    BlogConnection connection = openConnection(testServer().address(), "root", testServer().password, "");
    ASSERT_TRUE(connection) << connection.lastError();
    EXPECT_TRUE(executeSql(connection, "SELECT 1"));

    // Nothing listens on port 1: the typed port is used, not the default one.
    EXPECT_FALSE(openConnection(testServer().host + ":1", "root", "", ""));
}

TEST(BlogConnection, EmptyFieldsLeaveTheLibraryDefaults)
{
    // The test command points the library's default socket and port at the test server.
    BlogConnection local = openConnection("", "root", testServer().password, "");
    ASSERT_TRUE(local) << local.lastError();
    BlogConnection byDefaultPort = openConnection(testServer().host, "root", testServer().password, "");
    ASSERT_TRUE(byDefaultPort) << byDefaultPort.lastError();

    // No database chosen: an unqualified select has nothing to read from.
    EXPECT_FALSE(executeSql(local, "Select * From emlog_blog"));
    EXPECT_EQ(local.lastErrorNumber(), 1046u) << local.lastError();
}

TEST(BlogConnection, WrongPasswordGivesNullAndTheServersReason)
{
    BlogConnection connection = openConnection(testServer().address(), "root", "not-the-password", "");
    EXPECT_FALSE(connection);
    EXPECT_EQ(connection.lastErrorNumber(), 1045u);
    EXPECT_NE(connection.lastError().find("Access denied"), std::string::npos);
    EXPECT_EQ(connection.lastError().find("not-the-password"), std::string::npos);
}

TEST(BlogConnection, UnknownDatabaseFails)
{
    BlogConnection connection =
        openConnection(testServer().address(), "root", testServer().password, "no_such_database_here");
    EXPECT_FALSE(connection);
    EXPECT_EQ(connection.lastErrorNumber(), 1049u);
}

// A session's settings go with its opening, and again with a reconnect; one the server refuses opens
// no session, with the server's reason. The same whether the session takes several statements or not.
TEST(BlogConnection, SettingsGoWithTheOpeningAndARefusedOneOpensNothing)
{
    for (const bool several : {true, false}) {
        SCOPED_TRACE(several ? "several statements" : "one at a time");
        ConnectionOptions options{testServer().address(), "root", testServer().password, ""};
        options.multiStatements = several;
        options.settings = {"SET SESSION sql_mode='NO_ENGINE_SUBSTITUTION'", "SET SESSION wait_timeout=1234"};
        BlogConnection session = openConnection(options);
        ASSERT_TRUE(session) << session.lastError();
        EXPECT_GT(session.maxStatementBytes(), 0u);
        for (const bool reopened : {false, true}) {
            if (reopened) {
                ASSERT_TRUE(reconnect(session)) << session.lastError();
            }
            EXPECT_EQ(queryValue(session, "SELECT @@SESSION.sql_mode"), "NO_ENGINE_SUBSTITUTION");
            EXPECT_EQ(queryValue(session, "SELECT @@SESSION.wait_timeout"), "1234");
        }
        options.settings.insert(options.settings.begin() + 1, "SET SESSION no_such_setting=1");
        BlogConnection refused = openConnection(options);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.lastErrorNumber(), 1193u) << refused.lastError();
    }
}

TEST(BlogConnection, FailedStatementKeepsTheServerError)
{
    BlogConnection connection = adminConnection();
    EXPECT_FALSE(executeSql(connection, "selct 1"));
    EXPECT_EQ(connection.lastErrorNumber(), 1064u);
    EXPECT_FALSE(connection.lastError().empty());
    // The connection is still usable afterwards.
    EXPECT_TRUE(executeSql(connection, "SELECT 1"));
    EXPECT_EQ(rowCount(storeResult(connection)), 1u);
}

TEST(BlogConnection, InsertAndDeleteRows)
{
    TestDatabase db("rows");
    BlogConnection connection = openConnection(testServer().address(), "root", testServer().password, db.name());
    ASSERT_TRUE(connection);
    ASSERT_TRUE(executeSql(connection, "CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, v VARCHAR(10))"));

    EXPECT_TRUE(insertRow(connection, "t", "v='a'"));
    EXPECT_EQ(lastInsertId(connection), 1u);
    EXPECT_TRUE(insertRow(connection, "t", "id='7',v='b'"));
    EXPECT_TRUE(insertRow(connection, "t", "v='c'"));
    EXPECT_FALSE(insertRow(connection, "t", "id='7',v='again'"));
    EXPECT_EQ(connection.lastErrorNumber(), 1062u); // duplicate key
    EXPECT_FALSE(insertRow(connection, "missing_table", "v='x'"));
    EXPECT_EQ(connection.lastErrorNumber(), 1146u);

    EXPECT_TRUE(deleteRows(connection, "t", "v='b'"));
    EXPECT_EQ(queryValue(db.admin(), "SELECT GROUP_CONCAT(v ORDER BY id) FROM t"), "a,c");
    EXPECT_TRUE(deleteRows(connection, "t", ""));
    EXPECT_EQ(queryValue(db.admin(), "SELECT COUNT(*) FROM t"), "0");
    EXPECT_FALSE(deleteRows(connection, "missing_table", ""));
}

TEST(BlogConnection, WarningsOfTheLastStatementAreReadable)
{
    TestDatabase db("warnings");
    BlogConnection connection = adminConnection(db.name());
    ASSERT_TRUE(executeSql(connection, "SET SESSION sql_mode=''")); // not strict: a long value is cut, with a warning
    ASSERT_TRUE(executeSql(connection, "CREATE TABLE t (v VARCHAR(3))"));
    ASSERT_TRUE(insertRow(connection, "t", "v='abc'"));
    EXPECT_EQ(warningCount(connection), 0u);
    EXPECT_TRUE(lastWarnings(connection).empty());
    ASSERT_TRUE(insertRow(connection, "t", "v='abcdef'"));
    ASSERT_EQ(warningCount(connection), 1u);
    const auto warnings = lastWarnings(connection);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].code, 1265u);
    EXPECT_NE(warnings[0].message.find("Data truncated"), std::string::npos);
}

TEST(BlogConnection, NullConnectionDoesNothingAndFails)
{
    BlogConnection none;
    EXPECT_FALSE(executeSql(none, "SELECT 1"));
    EXPECT_FALSE(insertRow(none, "t", "a='1'"));
    EXPECT_FALSE(deleteRows(none, "t", ""));
    EXPECT_FALSE(storeResult(none));
    EXPECT_EQ(lastInsertId(none), 0u);
    EXPECT_TRUE(lastWarnings(none).empty());
    EXPECT_FALSE(none.lastError().empty());
    closeConnection(none); // harmless
    EXPECT_EQ(quotedLiteral(none, "it's"), "'it\\'s'");
}

TEST(BlogConnection, ClosingEndsTheSessionOnTheServer)
{
    BlogConnection connection = adminConnection();
    const unsigned long id = mysql_thread_id(connection.handle());
    ASSERT_TRUE(serverHasSession(id));
    closeConnection(connection);
    EXPECT_FALSE(connection);
    EXPECT_FALSE(serverHasSession(id, true));
    EXPECT_FALSE(executeSql(connection, "SELECT 1"));
}

TEST(BlogConnection, DestroyingAConnectionClosesIt)
{
    unsigned long id = 0;
    {
        BlogConnection connection = adminConnection();
        id = mysql_thread_id(connection.handle());
    }
    EXPECT_FALSE(serverHasSession(id, true));
}
