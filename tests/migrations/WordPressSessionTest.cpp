#include "WordPressSession.h"
#include "Assignments.h"
#include "ResultSet.h"
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
    BlogConnection session = openWordPressSession(optionsFor(db.name()));
    ASSERT_TRUE(session);
    EXPECT_TRUE(session.takesSeveralStatements());
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
    BlogConnection session = openWordPressSession(optionsFor(wordpress.name()));
    EXPECT_TRUE(insertRow(session, wordpress.table("posts"), postColumns)) << session.lastError();
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT post_excerpt FROM " + wordpress.table("posts") + " WHERE ID=500"),
              "");
}

TEST(WordPressSessionTest, UnicodeSessionsCarryEveryCharacter)
{
    TestDatabase db("slots_unicode");
    execute(db.admin(), "CREATE TABLE t (v TEXT) CHARACTER SET utf8mb4");
    BlogConnection session = openConnection(optionsFor(db.name()));
    ASSERT_TRUE(useUnicode(session));
    const std::string text = "😀 𠮷 繁體 ’";
    Assignments list(session);
    ASSERT_TRUE(insertRow(session, "t", list.add("v", text).text()));
    ASSERT_TRUE(executeSql(session, "SELECT v FROM t"));
    ResultSet result = storeResult(session);
    std::string back;
    ASSERT_TRUE(readField(result, "v", back));
    EXPECT_EQ(back, text);
}
