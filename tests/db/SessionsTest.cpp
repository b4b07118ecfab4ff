#include "Sessions.h"
#include "Assignments.h"
#include "ResultSet.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

ConnectionFields fieldsFor(const std::string& database, const std::string& password = testServer().password)
{
    return {testServer().address(), "root", password, database, {}};
}

class SessionsTest : public ::testing::Test
{
protected:
    void TearDown() override { closeSessions(); }
};

} // namespace

TEST_F(SessionsTest, ConnectFillsTheSlotsAndCloseSessionsClosesBoth)
{
    TestDatabase emlog("slots_emlog");
    TestDatabase wordpress("slots_wp");
    ASSERT_TRUE(connectEmlog(fieldsFor(emlog.name())));
    ASSERT_TRUE(connectWordPress(fieldsFor(wordpress.name())));
    const unsigned long emlogId = mysql_thread_id(emlogSession().handle());
    const unsigned long wordPressId = mysql_thread_id(wordPressSession().handle());

    closeSessions();
    EXPECT_FALSE(emlogSession());
    EXPECT_FALSE(wordPressSession());
    EXPECT_FALSE(serverHasSession(emlogId, true));
    EXPECT_FALSE(serverHasSession(wordPressId, true));
    closeSessions(); // closing twice is harmless
}

TEST_F(SessionsTest, AFailedConnectEmptiesOnlyItsOwnSlot)
{
    TestDatabase db("slots_fail");
    ASSERT_TRUE(connectWordPress(fieldsFor(db.name())));
    EXPECT_FALSE(connectEmlog(fieldsFor(db.name(), "wrong")));
    EXPECT_FALSE(emlogSession());
    EXPECT_EQ(emlogSession().lastErrorNumber(), 1045u);
    EXPECT_TRUE(wordPressSession());
}

TEST_F(SessionsTest, ReconnectingClosesTheSessionItReplaces)
{
    TestDatabase db("slots_again");
    ASSERT_TRUE(connectEmlog(fieldsFor(db.name())));
    const unsigned long first = mysql_thread_id(emlogSession().handle());
    ASSERT_TRUE(connectEmlog(fieldsFor(db.name())));
    EXPECT_NE(mysql_thread_id(emlogSession().handle()), first);
    EXPECT_FALSE(serverHasSession(first, true));
}

TEST_F(SessionsTest, WordPressSessionDropsTheStrictModes)
{
    TestDatabase db("slots_mode");
    ASSERT_TRUE(connectWordPress(fieldsFor(db.name())));
    ASSERT_TRUE(executeSql(wordPressSession(), "SELECT @@SESSION.sql_mode"));
    ResultSet result = storeResult(wordPressSession());
    std::string modes;
    ASSERT_TRUE(readField(result, 0, modes));
    EXPECT_EQ(modes.find("STRICT"), std::string::npos) << modes;
    EXPECT_NE(modes.find("ERROR_FOR_DIVISION_BY_ZERO"), std::string::npos) << modes;
}

TEST_F(SessionsTest, WordPressPostsTakeARowThatLeavesColumnsToTheirDefaults)
{
    WordPressDatabase wordpress("slots_posts");
    const std::string postColumns = "post_status='publish',comment_status='open',ping_status='open',post_parent='0',"
                                    "menu_order='0',post_type='post',ID='500',post_author='1',post_content='Hello',"
                                    "post_title='t',post_name='t',comment_count='0',post_date='2010-05-07 09:30:05',"
                                    "post_date_gmt='2010-05-07 01:30:05',post_modified='2010-05-07 09:30:05',"
                                    "post_modified_gmt='2010-05-07 01:30:05'";

    // A plain session on the stock (strict) server refuses it...
    BlogConnection strict = adminConnection(wordpress.name());
    ASSERT_NE(queryValue(strict, "SELECT @@SESSION.sql_mode").find("STRICT_TRANS_TABLES"), std::string::npos);
    EXPECT_FALSE(insertRow(strict, wordpress.table("posts"), postColumns));

    // ...the WordPress session takes it.
    ASSERT_TRUE(connectWordPress(fieldsFor(wordpress.name())));
    EXPECT_TRUE(insertRow(wordPressSession(), wordpress.table("posts"), postColumns)) << wordPressSession().lastError();
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT post_excerpt FROM " + wordpress.table("posts") + " WHERE ID=500"),
              "");
}

TEST_F(SessionsTest, UnicodeSessionsCarryEveryCharacter)
{
    TestDatabase db("slots_unicode");
    execute(db.admin(), "CREATE TABLE t (v TEXT) CHARACTER SET utf8mb4");
    ASSERT_TRUE(connectEmlog(fieldsFor(db.name())));
    ASSERT_TRUE(useUnicode(emlogSession()));
    const std::string text = "😀 𠮷 繁體 ’";
    Assignments list(emlogSession());
    ASSERT_TRUE(insertRow(emlogSession(), "t", list.add("v", text).text()));
    ASSERT_TRUE(executeSql(emlogSession(), "SELECT v FROM t"));
    ResultSet result = storeResult(emlogSession());
    std::string back;
    ASSERT_TRUE(readField(result, "v", back));
    EXPECT_EQ(back, text);
}
