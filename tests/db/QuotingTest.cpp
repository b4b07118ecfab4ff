#include "Identifier.h"
#include "PluginRequest.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "SessionSql.h"
#include "SqlText.h"
#include "TestServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

std::string hex(const std::string& bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::vector<std::string> hostileValues()
{
    std::string big;
    while (big.size() < (1u << 20))
        big += "It's a \\ \"quoted\" 100% _wild_ 中文 😀 line\n";
    return {"'", "\\", "\\'", "''", "\"", "%", "_", std::string("a\0b", 3), "😀", "𠮷", "繁體中文", "\x1a", big};
}

// Every value goes in through an assignment list and must come back byte for byte.
void expectRoundTrip(const std::string& sqlMode)
{
    TestDatabase db("quoting");
    MysqlSession connection = adminConnection(db.name());
    ASSERT_TRUE(connection.useUnicode());
    ASSERT_TRUE(executeSql(connection, "CREATE TABLE t (id INT PRIMARY KEY, v LONGTEXT) CHARACTER SET utf8mb4"));
    ASSERT_TRUE(executeSql(connection, "SET SESSION sql_mode='" + sqlMode + "'"));

    const auto values = hostileValues();
    for (std::size_t i = 0; i < values.size(); ++i) {
        RowValues list;
        list.add("id", static_cast<std::int64_t>(i)).add("v", values[i]);
        EXPECT_TRUE(connection.insert(Insert{"t", list.columns(), {&list}}))
            << sqlMode << " #" << i << ": " << connection.lastError();
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(queryValue(db.admin(), "SELECT HEX(v) FROM t WHERE id=" + std::to_string(i)), hex(values[i]))
            << sqlMode << " #" << i;
    }
}

} // namespace

TEST(Quoting, HostileValuesRoundTripUnderAStrictMode)
{
    expectRoundTrip("STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,NO_ENGINE_SUBSTITUTION");
}

TEST(Quoting, HostileValuesRoundTripWithoutBackslashEscapes)
{
    expectRoundTrip("STRICT_TRANS_TABLES,NO_BACKSLASH_ESCAPES");
}

TEST(Quoting, RowsQuoteEveryValueAndNamesGoBetweenBackquotes)
{
    RowValues list;
    list.add("ID", std::int64_t{5}).add("post_title", "It’s").add("n", std::int64_t{-1}).add("empty", "");
    std::string sql;
    ASSERT_TRUE(appendSql(Insert{"wp_posts", list.columns(), {&list, &list}}, quoteForAnyServer, sql));
    EXPECT_EQ(sql, "insert into wp_posts (ID,post_title,n,empty) values ('5','It’s','-1',''),('5','It’s','-1','')");

    sql.clear();
    ASSERT_TRUE(appendSql(Query("q", "SELECT ?2 FROM ?1 WHERE a IN (?3) AND b=?4 AND c IN (?5)",
                                {Name{"t`x"}, std::vector<Name>{{"a"}, {"b"}}, std::vector<std::int64_t>{1, 2},
                                 std::string("it's"), std::vector<std::int64_t>{}}),
                          quoteForAnyServer, sql));
    EXPECT_EQ(sql, "SELECT `a`,`b` FROM `t``x` WHERE a IN (1,2) AND b='it\\'s' AND c IN (NULL)");
}

// The receiver plugin gets the same operations as names, values and rows, never SQL: each value's bytes
// arrive as they are, and the request says what it is.
TEST(Quoting, OperationsGoToThePluginAsNamesAndValuesNeverAsSql)
{
    const auto json = [](const Operation& operation) {
        const std::string encoded = encodedOperation(operation);
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(encoded), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << encoded;
        return object;
    };
    const auto bytes = [](const QJsonValue& base64) {
        return QByteArray::fromBase64(base64.toString().toLatin1()).toStdString();
    };

    const QJsonObject read = json(Query("q", "SELECT ?2 FROM ?1 WHERE a IN (?3) AND b=?4 AND c IN (?5)",
                                        {Name{"t`x"}, std::vector<Name>{{"a"}, {"b"}}, std::vector<std::int64_t>{1, -2},
                                         std::string("it's"), std::vector<std::int64_t>{}}));
    EXPECT_EQ(read.value("read").toString(), "q");
    EXPECT_FALSE(QJsonDocument(read).toJson().contains("SELECT"));
    const QJsonArray with = read.value("with").toArray();
    ASSERT_EQ(with.size(), 5);
    EXPECT_EQ(with[0].toObject().value("name").toString(), "t`x");
    EXPECT_EQ(with[1].toObject().value("list").toArray()[1].toObject().value("name").toString(), "b");
    EXPECT_EQ(with[2].toObject().value("list").toArray()[1].toObject().value("n").toString(), "-2");
    EXPECT_EQ(bytes(with[3].toObject().value("t")), "it's");
    EXPECT_TRUE(with[4].toObject().value("list").toArray().isEmpty());
    EXPECT_EQ(json(Change("c", "UPDATE t SET a=?1", {std::int64_t{7}})).value("change").toString(), "c");

    const auto values = hostileValues();
    std::vector<RowValues> rows(values.size());
    std::vector<const RowValues*> batch;
    for (std::size_t i = 0; i < values.size(); ++i) {
        rows[i].add("ID", static_cast<std::int64_t>(i)).add("post_title", values[i]);
        batch.push_back(&rows[i]);
    }
    const QJsonObject insert = json(Insert{"wp_posts", rows[0].columns(), batch});
    EXPECT_EQ(insert.value("insert").toString(), "wp_posts");
    EXPECT_EQ(insert.value("columns").toArray(), QJsonArray({"ID", "post_title"}));
    const QJsonArray sent = insert.value("rows").toArray();
    ASSERT_EQ(sent.size(), static_cast<qsizetype>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(bytes(sent[static_cast<qsizetype>(i)].toArray()[0]), std::to_string(i));
        EXPECT_EQ(bytes(sent[static_cast<qsizetype>(i)].toArray()[1]), values[i]) << "#" << i;
    }

    const QJsonObject request =
        QJsonDocument::fromJson(
            requestBody({encodedOperation(Change("c", "", {})), encodedOperation(Query("q", ""))}, true, true, true))
            .object();
    EXPECT_EQ(request.value("operations").toArray().size(), 2);
    EXPECT_TRUE(request.value("transaction").toBool() && request.value("commit").toBool() &&
                request.value("strict").toBool());
    const QJsonObject undone = QJsonDocument::fromJson(requestBody({}, true, false, false)).object();
    EXPECT_TRUE(undone.value("transaction").toBool());
    EXPECT_FALSE(undone.contains("commit") || undone.contains("strict"));
}

// Names as a server may hold them make columns of those very names, and are read back through them.
TEST(Quoting, IdentifiersFromTheServerStayOneName)
{
    TestDatabase db("identifiers");
    MysqlSession& connection = db.admin();
    for (const std::string name : {"plain", "a`b", "``", "x` INT, y INT); DROP TABLE t; --", "中文 col"}) {
        SCOPED_TRACE(name);
        const std::string column = quotedIdentifier(name);
        ASSERT_TRUE(executeSql(connection, "CREATE TABLE t (" + column + " INT)")) << connection.lastError();
        EXPECT_EQ(queryValue(connection, "SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=" +
                                             quotedLiteral(connection, db.name()) + " AND TABLE_NAME='t'"),
                  name);
        ASSERT_TRUE(executeSql(connection, "SELECT " + column + " FROM t")) << connection.lastError();
        ResultSet rows = storeResult(connection);
        execute(connection, "DROP TABLE t");
    }
}
