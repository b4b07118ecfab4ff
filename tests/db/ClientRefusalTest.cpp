#include "ClientCalls.h"
#include "RowValues.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Undoes a refusal when the test ends, passed or not.
struct Refusing
{
    explicit Refusing(const std::string& name) { refuseClientOptionForTesting(name); }
    ~Refusing() { refuseClientOptionForTesting({}); }
};

} // namespace

// A library that will not set one of the options a session relies on opens no session at all, and says which.
TEST(ClientRefusal, ARefusedOptionFailsTheOpen)
{
    const std::string server = testServer().address();
    const std::string ca = testCertificates().ca;
    struct Case
    {
        const char* option;
        std::string caFile; // a CA file makes the TLS options be set
        unsigned error;
    };
    const Case cases[] = {
        {"MYSQL_OPT_CONNECT_TIMEOUT", "", 2000},        {"MYSQL_OPT_READ_TIMEOUT", "", 2000},
        {"MYSQL_OPT_WRITE_TIMEOUT", "", 2000},          {"MYSQL_OPT_LOCAL_INFILE", "", 2000},
        {"MARIADB_OPT_RESTRICTED_AUTH", "", 2000},      {"mysql_ssl_set", "", 2026},
        {"MYSQL_OPT_SSL_VERIFY_SERVER_CERT", "", 2026}, {"mysql_ssl_set", ca, 2026},
        {"MYSQL_OPT_SSL_VERIFY_SERVER_CERT", ca, 2026}, {"MYSQL_OPT_SSL_ENFORCE", ca, 2026},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + (c.caFile.empty() ? "" : " with a CA file"));
        const Refusing refusing(c.option);
        MysqlSession session = openConnection({server, "root", rootPassword(), "", 0, c.caFile});
        EXPECT_FALSE(session);
        EXPECT_EQ(session.lastErrorNumber(), c.error);
        EXPECT_NE(session.lastError().find(std::string("refused the option ") + c.option), std::string::npos)
            << session.lastError();
    }
    // Without a refusal the same session opens.
    EXPECT_TRUE(openConnection({server, "root", rootPassword(), "", 0, {}}));
}

// A value the library cannot escape never goes out emptied: the session sends nothing from then on,
// the statement that holds it included, and says why.
TEST(ClientRefusal, AValueThatCannotBeEscapedStopsTheSession)
{
    TestDatabase db("escaping");
    execute(db.admin(), "CREATE TABLE t (id INT PRIMARY KEY, v TEXT)");
    MysqlSession session = adminConnection(db.name());
    ASSERT_TRUE(session.useUnicode());
    RowValues row;
    row.add("id", std::int64_t{1}).add("v", "it's kept");
    const Insert insert{"t", row.columns(), {&row}};
    failEscapingForTesting(true);
    EXPECT_FALSE(session.insert(insert));
    failEscapingForTesting(false);
    EXPECT_TRUE(session.escapingFailed());
    EXPECT_NE(session.lastError().find("could not be escaped"), std::string::npos) << session.lastError();
    EXPECT_FALSE(session.execute("SELECT 1"));
    // Nor after a new session in its place: the row may be sent again.
    ASSERT_TRUE(session.reconnect()) << session.lastError();
    EXPECT_FALSE(session.insert(insert));
    EXPECT_EQ(queryValue(db.admin(), "SELECT COUNT(*) FROM t"), "0");
}
