#include "ResultSet.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <limits>

using namespace kestrel;
using namespace kestrel::test;

namespace {

class ResultSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        execute(db.admin(),
                "CREATE TABLE t (id INT PRIMARY KEY, Name VARCHAR(20), note TEXT NULL, num VARCHAR(20) NULL)");
        execute(db.admin(), "INSERT INTO t VALUES (1,'first',NULL,'12abc'), (2,'second',CONCAT('x',CHAR(0),'y'),'abc'),"
                            "(3,'third','plain',' -7')");
        connection = adminConnection(db.name());
    }

    ResultSet select(const std::string& sql)
    {
        EXPECT_TRUE(executeSql(connection, sql)) << connection.lastError();
        return storeResult(connection);
    }

    TestDatabase db{"results"};
    MysqlSession connection;
};

} // namespace

TEST_F(ResultSetTest, ReadsRowsInOrderByName)
{
    ResultSet rows = select("SELECT * FROM t ORDER BY id");
    ASSERT_EQ(rowCount(rows), 3u);
    std::vector<std::string> names;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i) {
        std::string name;
        EXPECT_TRUE(readField(rows, "Name", name));
        names.push_back(name);
        EXPECT_TRUE(nextRow(rows));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(ResultSetTest, ColumnNamesAreCaseSensitiveAndAFailedReadKeepsTheVariable)
{
    ResultSet rows = select("SELECT * FROM t ORDER BY id");
    std::string name = "unchanged";
    std::int64_t id = 99;
    EXPECT_FALSE(readField(rows, "name", name));
    EXPECT_FALSE(readField(rows, "ID", id));
    EXPECT_FALSE(readField(rows, "missing", name));
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(id, 99);
}

TEST_F(ResultSetTest, ReadingTwiceGivesTheSameValueAndDoesNotMove)
{
    ResultSet rows = select("SELECT * FROM t ORDER BY id");
    std::int64_t first = 0, again = 0;
    ASSERT_TRUE(readField(rows, "id", first));
    ASSERT_TRUE(readField(rows, "id", again));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(again, 1);
}

TEST_F(ResultSetTest, PastTheEndReadsTheLastRowAndStaysPastTheEnd)
{
    ResultSet rows = select("SELECT * FROM t ORDER BY id");
    EXPECT_TRUE(nextRow(rows));
    EXPECT_TRUE(nextRow(rows));
    EXPECT_TRUE(nextRow(rows));
    EXPECT_FALSE(nextRow(rows));
    std::int64_t id = 0;
    ASSERT_TRUE(readField(rows, "id", id));
    EXPECT_EQ(id, 3);
    EXPECT_FALSE(nextRow(rows));
}

TEST_F(ResultSetTest, NullsZeroBytesAndLeadingDigits)
{
    ResultSet rows = select("SELECT * FROM t ORDER BY id");
    std::string note = "before";
    std::int64_t number = 5;

    ASSERT_TRUE(readField(rows, "note", note));
    EXPECT_EQ(note, "");
    ASSERT_TRUE(readField(rows, "note", number));
    EXPECT_EQ(number, 0);
    ASSERT_TRUE(readField(rows, "num", number));
    EXPECT_EQ(number, 12); // "12abc"

    nextRow(rows);
    ASSERT_TRUE(readField(rows, "note", note));
    EXPECT_EQ(note, "x"); // a zero byte ends the text
    ASSERT_TRUE(readField(rows, "num", number));
    EXPECT_EQ(number, 0); // "abc"

    nextRow(rows);
    ASSERT_TRUE(readField(rows, "num", number));
    EXPECT_EQ(number, -7); // " -7"
}

TEST_F(ResultSetTest, ColumnsByIndex)
{
    ResultSet rows = select("SELECT id, Name FROM t ORDER BY id");
    std::string name;
    std::int64_t id = 0;
    EXPECT_TRUE(readField(rows, 0, id));
    EXPECT_TRUE(readField(rows, 1, name));
    EXPECT_EQ(id, 1);
    EXPECT_EQ(name, "first");
    EXPECT_FALSE(readField(rows, 2, name));
    EXPECT_FALSE(readField(rows, -1, name));
    EXPECT_EQ(name, "first");
}

TEST_F(ResultSetTest, AnEmptyResultHasNothingToRead)
{
    ResultSet rows = select("SELECT * FROM t WHERE id > 100");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rowCount(rows), 0u);
    std::int64_t id = 42;
    EXPECT_FALSE(readField(rows, "id", id));
    EXPECT_EQ(id, 42);
    EXPECT_FALSE(nextRow(rows));
    EXPECT_FALSE(readField(rows, "id", id));
}

TEST_F(ResultSetTest, StatementsWithoutRowsGiveNoResult)
{
    EXPECT_TRUE(executeSql(connection, "UPDATE t SET note='n' WHERE id=1"));
    EXPECT_FALSE(storeResult(connection));
    EXPECT_FALSE(executeSql(connection, "SELECT * FROM missing"));
    EXPECT_FALSE(storeResult(connection));
}

TEST(ResultSet, NullResultDoesNothingAndFails)
{
    ResultSet none;
    std::string text = "kept";
    std::int64_t number = 3;
    EXPECT_EQ(rowCount(none), 0u);
    EXPECT_FALSE(readField(none, "a", text));
    EXPECT_FALSE(readField(none, 0, number));
    EXPECT_FALSE(nextRow(none));
    freeResult(none);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(number, 3);
}

TEST(ResultSet, LeadingIntegerOfAValue)
{
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    const std::pair<const char*, std::int64_t> cases[] = {
        {"42", 42},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"  \t-7", -7},
        {"+5", 5},
        {"--5", 0},
        {"- 5", 0},
        {"4294967295", 4294967295},
        {"9223372036854775807", highest},
        {"99999999999999999999", highest},
        {"-9223372036854775808", lowest},
        {"-99999999999999999999", lowest},
        {"y", 0},
        {"1.9", 1},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(leadingInteger(text), value) << text;
}
