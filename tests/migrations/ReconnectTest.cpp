#include "Reconnect.h"
#include "MigrationRun.h"
#include "ResultSet.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// What the run tells of its reconnecting: "WordPress#1" for the first attempt on that session.
std::vector<std::string> reconnectingTexts(const std::string& blog, int attempts)
{
    std::vector<std::string> texts;
    for (int i = 1; i <= attempts; ++i)
        texts.push_back(blog + "#" + std::to_string(i));
    return texts;
}

} // namespace

// A run whose server went away: it says it is reconnecting, waits longer each time, and
// carries on when the server is back, gives up when it stays away, and stops when asked to.
TEST(ReopenLostSession, WaitsLongerEachTimeUntilTheServerIsBackOrGivesUp)
{
    PrivateServer server;
    MysqlSession emlog = openConnection(server.address(), "root", rootPassword(server.address()), "");
    MysqlSession wordPress = openConnection(server.address(), "root", rootPassword(server.address()), "");
    ASSERT_TRUE(emlog && wordPress);
    MigrationRun run(emlog, wordPress);
    std::vector<std::string> statuses;
    std::vector<milliseconds> pauses;
    bool comesBack = true;
    run.tell = [&](const RunEvent& event) {
        ASSERT_EQ(event.what, RunEvent::What::Reconnecting);
        statuses.push_back((event.wordPress ? "WordPress#" : "emlog#") + std::to_string(event.attempt));
    };
    run.sleep = [&](milliseconds pause, std::stop_token) {
        pauses.push_back(pause);
        if (comesBack && pauses.size() == 3)
            server.restart();
    };

    server.kill();
    ResultSet rows = readWithReconnect(run, wordPress, Query("seven", "SELECT 7"));
    std::string value;
    EXPECT_TRUE(readField(rows, 0, value)) << wordPress.lastError();
    EXPECT_EQ(value, "7");
    EXPECT_EQ(statuses, reconnectingTexts("WordPress", 3));
    EXPECT_EQ(pauses, (std::vector<milliseconds>{milliseconds(500), milliseconds(1000), milliseconds(2000)}));

    statuses.clear();
    pauses.clear();
    comesBack = false;
    server.kill();
    EXPECT_FALSE(changeWithReconnect(run, emlog, Change("one", "DO 1")));
    EXPECT_EQ(statuses, reconnectingTexts("emlog", 6));
    EXPECT_EQ(pauses.back(), milliseconds(16000));
    // Given up: the next statement fails at once, naming the reason, without waiting all over again.
    EXPECT_FALSE(changeWithReconnect(run, emlog, Change("one", "DO 1")));
    EXPECT_EQ(pauses.size(), 6u);
    EXPECT_NE(emlog.lastError().find("could not be opened again"), std::string::npos) << emlog.lastError();

    // A stop asked for while waiting ends the reconnecting.
    std::stop_source stop;
    run.stopToken = stop.get_token();
    run.sleep = [&](milliseconds, std::stop_token) { stop.request_stop(); };
    statuses.clear();
    EXPECT_FALSE(changeWithReconnect(run, wordPress, Change("one", "DO 1")));
    EXPECT_EQ(statuses, reconnectingTexts("WordPress", 1));
}

// A change sent ahead: its answer is read later, a refusal shows there and leaves the session usable,
// one lost on its way runs again, one that could not go ahead runs when its answer is asked for, and
// nothing goes after a stop.
TEST(ChangeAhead, ItsAnswerComesLaterAndALostOneRunsAgain)
{
    PrivateServer server;
    server.createDatabase("blog");
    MysqlSession admin = server.admin();
    execute(admin, "CREATE TABLE blog.counts (n INT)");
    execute(admin, "INSERT INTO blog.counts VALUES (0)");
    for (const bool several : {true, false}) {
        SCOPED_TRACE(several ? "several statements" : "one at a time");
        ConnectionOptions options{server.address(), "root", rootPassword(server.address()), "blog"};
        options.multiStatements = several;
        MysqlSession wordPress = openConnection(options);
        MysqlSession emlog = openConnection(options);
        ASSERT_TRUE(wordPress && emlog);
        MigrationRun run(emlog, wordPress);
        run.sleep = [](milliseconds, std::stop_token) {};
        run.tell = [](const RunEvent&) {};

        {
            ChangeAhead set(run, wordPress, Change("set", "UPDATE counts SET n=1"));
            set.send();
            EXPECT_TRUE(set.result()) << wordPress.lastError();
            EXPECT_TRUE(set.result());
            EXPECT_EQ(queryValue(admin, "SELECT n FROM blog.counts"), "1");
        }
        {
            ChangeAhead refused(run, wordPress, Change("refused", "UPDATE counts SET no_such_column=1"));
            refused.send();
            EXPECT_FALSE(refused.result());
            EXPECT_FALSE(isSessionLost(wordPress));
            EXPECT_EQ(queryValue(wordPress, "SELECT n FROM counts"), "1");
        }
        {
            ChangeAhead lost(run, wordPress, Change("lost", "UPDATE counts SET n=2 WHERE SLEEP(1)=0"));
            const unsigned long thread = mysql_thread_id(wordPress.handle());
            // Killed before its answer is read (and, sent ahead, maybe before it ran).
            lost.send();
            execute(admin, "KILL CONNECTION " + std::to_string(thread));
            EXPECT_TRUE(lost.result()) << wordPress.lastError();
            EXPECT_NE(mysql_thread_id(wordPress.handle()), thread);
            EXPECT_EQ(queryValue(admin, "SELECT n FROM blog.counts"), "2");
        }
        {
            // Sent and never asked about: the session is free again afterwards. Not sent, it never runs.
            ChangeAhead dropped(run, wordPress, Change("dropped", "UPDATE counts SET n=3"));
            dropped.send();
        }
        const std::string last = several ? "3" : "2";
        EXPECT_EQ(queryValue(wordPress, "SELECT n FROM counts"), last);
        {
            std::stop_source stop;
            run.stopToken = stop.get_token();
            stop.request_stop();
            ChangeAhead stopped(run, wordPress, Change("stopped", "UPDATE counts SET n=4"));
            stopped.send();
            EXPECT_TRUE(stopped.result());
            EXPECT_EQ(queryValue(wordPress, "SELECT n FROM counts"), last);
            run.stopToken = {};
        }
        execute(admin, "UPDATE blog.counts SET n=0");
    }
}
