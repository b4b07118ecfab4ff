#include "Reconnect.h"
#include "Encryption.h"
#include "ResultSet.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

const char* const password = "secret-pw-42";

// What a session's user would notice of its settings.
Row sessionState(MysqlSession& session)
{
    const auto rows = queryRows(session, "SELECT DATABASE(), USER(), @@character_set_client, @@character_set_results,"
                                         " @@sql_mode");
    return rows.empty() ? Row{} : rows[0];
}

} // namespace

// However a session is lost, reconnect() brings back one like it: the same database, user,
// character set, sql_mode, and TLS with the certificate checked.
TEST(Reconnect, ALostSessionComesBackAsItWas)
{
    const TestCertificates& certificates = testCertificates();
    PrivateServer server(certificates.serverOptions());
    server.createDatabase("blog");
    {
        MysqlSession admin = server.admin();
        execute(admin, "CREATE USER 'blog'@'127.0.0.1' IDENTIFIED BY '" + std::string(password) + "'");
        execute(admin, "GRANT ALL ON blog.* TO 'blog'@'127.0.0.1'");
    }
    auto killSession = [&](MysqlSession& session) {
        MysqlSession admin = server.admin();
        execute(admin, "KILL CONNECTION " + std::to_string(mysql_thread_id(session.handle())));
    };
    struct Fault
    {
        const char* what;
        std::function<void(MysqlSession&)> lose;
    };
    const Fault faults[] = {
        {"killed", killSession},
        {"idle past wait_timeout",
         [](MysqlSession& session) {
             ASSERT_TRUE(executeSql(session, "SET SESSION wait_timeout=1"));
             usleep(2500000);
         }},
        {"the server restarted",
         [&](MysqlSession&) {
             server.kill();
             server.restart();
         }},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        MysqlSession session = openConnection({server.address(), "blog", password, "blog", 0, certificates.ca});
        ASSERT_TRUE(session) << session.lastError();
        ASSERT_TRUE(session.setCharacterSet("utf8"));
        ASSERT_TRUE(session.applySetting("SET SESSION sql_mode='NO_ENGINE_SUBSTITUTION'"));
        const Row before = sessionState(session);
        const unsigned long threadBefore = mysql_thread_id(session.handle());

        fault.lose(session);
        EXPECT_FALSE(executeSql(session, "SELECT 1"));
        EXPECT_TRUE(isSessionLost(session)) << session.lastErrorNumber() << " " << session.lastError();
        ASSERT_TRUE(session.reconnect()) << session.lastError();
        EXPECT_NE(mysql_thread_id(session.handle()), threadBefore);
        EXPECT_EQ(sessionState(session), before);
        EXPECT_FALSE(session.tlsCipher().empty());
        EXPECT_TRUE(session.verifiesServer());
    }

    // A refused statement is not a lost session.
    MysqlSession session = openConnection({server.address(), "blog", password, "blog", 0, {}});
    EXPECT_FALSE(executeSql(session, "selct 1"));
    EXPECT_FALSE(isSessionLost(session));

    // A server that stays away: no session, and every later statement says why, without the password.
    server.kill();
    EXPECT_FALSE(executeSql(session, "SELECT 1"));
    EXPECT_FALSE(session.reconnect());
    EXPECT_FALSE(session);
    EXPECT_FALSE(executeSql(session, "SELECT 1"));
    EXPECT_TRUE(isSessionLost(session));
    EXPECT_NE(session.lastError().find("could not be opened again: "), std::string::npos) << session.lastError();
    EXPECT_NE(session.lastError().find("Can't connect"), std::string::npos) << session.lastError();
    EXPECT_EQ(session.lastError().find(password), std::string::npos);

    // A connection never opened has nothing to open again.
    MysqlSession never;
    EXPECT_FALSE(never.reconnect());
}
