#include "WordPressSession.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

ConnectionOptions optionsFor(const std::string& database)
{
    return {testServer().address(), "root", testServer().password, database};
}

} // namespace

TEST(WordPressSessionTest, DropsTheStrictModes)
{
    TestDatabase db("slots_mode");
    MysqlSession session = openWordPressSession(optionsFor(db.name()));
    ASSERT_TRUE(session);
    EXPECT_TRUE(session.takesExchanges());
    ASSERT_TRUE(executeSql(session, "SELECT @@SESSION.sql_mode"));
    ResultSet result = storeResult(session);
    std::string modes;
    ASSERT_TRUE(readField(result, 0, modes));
    EXPECT_EQ(modes.find("STRICT"), std::string::npos) << modes;
    EXPECT_NE(modes.find("ERROR_FOR_DIVISION_BY_ZERO"), std::string::npos) << modes;
}

TEST(WordPressSessionTest, PostsTakeARowThatLeavesColumnsToTheirDefaults)
{
    WordPressDatabase wordpress("slots_posts");
    RowValues post;
    post.add("post_status", "publish")
        .add("comment_status", "open")
        .add("ping_status", "open")
        .add("post_parent", 0)
        .add("menu_order", 0)
        .add("post_type", "post")
        .add("ID", 500)
        .add("post_author", 1)
        .add("post_content", "Hello")
        .add("post_title", "t")
        .add("post_name", "t")
        .add("comment_count", 0)
        .add("post_date", "2010-05-07 09:30:05")
        .add("post_date_gmt", "2010-05-07 01:30:05")
        .add("post_modified", "2010-05-07 09:30:05")
        .add("post_modified_gmt", "2010-05-07 01:30:05");
    const Insert postRow{wordpress.table("posts"), post.columns(), {&post}};

    // A plain session on the stock (strict) server refuses it...
    MysqlSession strict = adminConnection(wordpress.name());
    ASSERT_NE(queryValue(strict, "SELECT @@SESSION.sql_mode").find("STRICT_TRANS_TABLES"), std::string::npos);
    EXPECT_FALSE(strict.insert(postRow));

    // ...the WordPress session takes it.
    MysqlSession session = openWordPressSession(optionsFor(wordpress.name()));
    EXPECT_TRUE(session.insert(postRow)) << session.lastError();
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT post_excerpt FROM " + wordpress.table("posts") + " WHERE ID=500"),
              "");
}

// Text goes as UTF-8 both ways, also where the host's init_connect sets a character set of three bytes
// after the login asked for utf8mb4: the session must not take the login's for the one it speaks.
TEST(WordPressSessionTest, UnicodeSessionsCarryEveryCharacter)
{
    PrivateServer host;
    host.createDatabase("blog");
    {
        MysqlSession admin = host.admin();
        execute(admin, "CREATE USER 'blog'@'127.0.0.1' IDENTIFIED BY 'blog-pw'");
        execute(admin, "GRANT ALL ON blog.* TO 'blog'@'127.0.0.1'");
        execute(admin, "SET GLOBAL init_connect='SET NAMES utf8'"); // not run for root
    }
    TestDatabase db("slots_unicode");
    struct
    {
        const char* where;
        ConnectionOptions options;
        MysqlSession admin;
    } servers[] = {{"the test server", optionsFor(db.name()), adminConnection(db.name())},
                   {"a host's init_connect", {host.address(), "blog", "blog-pw", "blog"}, host.admin("blog")}};
    const std::string text = "😀 𠮷 繁體 ’";
    for (auto& server : servers) {
        SCOPED_TRACE(server.where);
        execute(server.admin, "CREATE TABLE t (v TEXT) CHARACTER SET utf8mb4");
        MysqlSession session = openConnection(server.options);
        ASSERT_TRUE(session.useUnicode()) << session.lastError();
        EXPECT_EQ(session.characterSet(), "utf8mb4");
        RowValues list;
        list.add("v", text);
        ASSERT_TRUE(session.insert(Insert{"t", list.columns(), {&list}}));
        EXPECT_EQ(queryValue(server.admin, "SELECT v FROM t"), text);
        ASSERT_TRUE(executeSql(session, "SELECT v FROM t"));
        ResultSet result = storeResult(session);
        std::string back;
        ASSERT_TRUE(readField(result, "v", back));
        EXPECT_EQ(back, text);
    }
}

// Who waits for a session's login hears of it once the server took it, and never of one it refused.
TEST(WordPressSessionTest, TheLoginTakenIsToldBeforeTheSessionSetsItselfUp)
{
    TestDatabase db("slots_admitted");
    int told = 0;
    MysqlSession opened(optionsFor(db.name()), [&told] { ++told; });
    EXPECT_TRUE(opened) << opened.lastError();
    EXPECT_EQ(told, 1);
    ConnectionOptions wrong = optionsFor(db.name());
    wrong.password = "not-the-password";
    EXPECT_FALSE(MysqlSession(wrong, [&told] { ++told; }));
    EXPECT_EQ(told, 1);
}

// The WordPress session takes several statements in one query only as a batch, and only for that batch:
// a plain query of two is refused before, after, and on a session opened again.
TEST(WordPressSessionTest, SeveralStatementsOnlyInABatch)
{
    TestDatabase db("slots_several");
    execute(db.admin(), "CREATE TABLE t (v INT)");
    MysqlSession session = openWordPressSession(optionsFor(db.name()));
    ASSERT_TRUE(session);
    const auto refusesTwo = [&session](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_FALSE(executeSql(session, "SELECT 1; SELECT 2"));
        EXPECT_EQ(session.lastErrorNumber(), 1064u) << session.lastError();
    };
    refusesTwo("before a batch");
    ASSERT_TRUE(session.sendStatements("INSERT INTO t VALUES (1);INSERT INTO t VALUES (2)")) << session.lastError();
    EXPECT_EQ(session.readStatementResults(), (std::vector<bool>{true, true}));
    refusesTwo("after a batch");
    // One statement goes as it is, with a ";" in a value or without one.
    ASSERT_TRUE(session.sendStatements("INSERT INTO t VALUES (4)")) << session.lastError();
    EXPECT_EQ(session.readStatementResults(), (std::vector<bool>{true}));
    EXPECT_EQ(queryValue(session, "SELECT 'a;b'"), "a;b");
    ASSERT_TRUE(session.sendStatements("INSERT INTO t VALUES (8)")) << session.lastError();
    EXPECT_EQ(session.readStatementResults(), (std::vector<bool>{true}));
    EXPECT_EQ(queryValue(session, "SELECT SUM(v) FROM t"), "15");
    refusesTwo("after a batch and a select");
    ASSERT_TRUE(session.reconnect()) << session.lastError();
    refusesTwo("after reconnecting");
    EXPECT_EQ(queryValue(db.admin(), "SELECT SUM(v) FROM t"), "15");
}

// Selects read ahead in one exchange give their rows to the same selects sent later, once each, and only
// until another statement goes: a failed one in the middle keeps nothing, so that sent again it fails on
// its own rather than passing for no rows, and what follows it is asked for again.
TEST(WordPressSessionTest, ReadAheadKeepsTheRowsOfEachSelectUpToAFailure)
{
    TestDatabase db("slots_ahead");
    execute(db.admin(), "CREATE TABLE t (v INT)");
    execute(db.admin(), "INSERT INTO t VALUES (1),(2)");
    MysqlSession session = openWordPressSession(optionsFor(db.name()));
    ASSERT_TRUE(session);
    const Query sum("sum", "SELECT SUM(v) FROM t");
    const Query missing("missing", "SELECT v FROM no_such_table");
    const Query count("count", "SELECT COUNT(*) FROM t");
    const auto valueOf = [&session](const Query& query) {
        std::string value = "none";
        if (const ResultSet rows = session.read(query))
            readField(rows, 0, value);
        return value;
    };
    RowValues sixteen, zero;
    sixteen.add("v", 16);
    zero.add("v", 0);
    EXPECT_EQ(session.readAhead({sum, missing, count}), 1u);
    // Changed after the read: the kept rows are those read ahead, not asked for again.
    execute(db.admin(), "INSERT INTO t VALUES (4)");
    EXPECT_EQ(valueOf(sum), "3");
    EXPECT_EQ(valueOf(missing), "none");
    EXPECT_EQ(session.lastErrorNumber(), 1146u) << session.lastError();
    EXPECT_EQ(valueOf(count), "3");

    // Each is taken once, in any order; another select leaves the rest, any other statement drops them.
    EXPECT_EQ(session.readAhead({sum, count}), 2u);
    execute(db.admin(), "INSERT INTO t VALUES (8)");
    EXPECT_EQ(valueOf(count), "3");
    EXPECT_EQ(valueOf(count), "4");
    EXPECT_EQ(valueOf(sum), "7");
    EXPECT_EQ(session.readAhead({sum, count}), 2u);
    ASSERT_TRUE(session.insert(Insert{"t", sixteen.columns(), {&sixteen}})) << session.lastError();
    EXPECT_EQ(valueOf(sum), "31");
    EXPECT_EQ(valueOf(count), "5");

    // Started without waiting: the rows are read when the session is next used, taken by their select,
    // or read and dropped before another statement goes. A failure among them stays as it would.
    ASSERT_TRUE(session.startReadAhead({count, missing, sum}));
    EXPECT_EQ(valueOf(count), "5");
    EXPECT_EQ(valueOf(missing), "none");
    EXPECT_EQ(session.lastErrorNumber(), 1146u) << session.lastError();
    EXPECT_EQ(valueOf(sum), "31");
    ASSERT_TRUE(session.startReadAhead({sum}));
    ASSERT_TRUE(session.insert(Insert{"t", zero.columns(), {&zero}})) << session.lastError();
    EXPECT_EQ(valueOf(count), "6");
    // A session lost while they were on their way keeps nothing: the select fails as the session does,
    // and asked again on a new one it finds the table as it is.
    const Query slowCount("slow_count", "SELECT COUNT(*) + SLEEP(1) FROM t"); // the server still on it at the kill
    ASSERT_TRUE(session.startReadAhead({slowCount}));
    execute(db.admin(), "KILL CONNECTION " + std::to_string(mysql_thread_id(session.handle())));
    EXPECT_EQ(valueOf(slowCount), "none");
    EXPECT_TRUE(session.lastErrorNumber() == 2006u || session.lastErrorNumber() == 2013u) << session.lastError();
    ASSERT_TRUE(session.reconnect()) << session.lastError();
    EXPECT_EQ(valueOf(slowCount), "6");

    // Several statements stay switched on for reads ahead alone.
    EXPECT_EQ(session.readAhead({sum}), 1u);
    EXPECT_FALSE(executeSql(session, "SELECT 1; SELECT 2"));
    EXPECT_EQ(session.lastErrorNumber(), 1064u) << session.lastError();

    // A session opened for one statement at a time reads nothing ahead, and its selects still go.
    MysqlSession single = openConnection(optionsFor(db.name()));
    EXPECT_EQ(single.readAhead({sum}), 0u);
    std::string value;
    EXPECT_TRUE(readField(single.read(sum), 0, value)) << single.lastError();
    EXPECT_EQ(value, "31");

    // Kept rows do not outlive a reconnect.
    EXPECT_EQ(session.readAhead({sum}), 1u);
    execute(db.admin(), "INSERT INTO t VALUES (32)");
    ASSERT_TRUE(session.reconnect()) << session.lastError();
    EXPECT_EQ(valueOf(sum), "63");
}
