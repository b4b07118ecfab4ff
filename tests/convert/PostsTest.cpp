#include "Posts.h"
#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class PostsTest : public MigrationTest
{
protected:
    void addArticle(std::int64_t gid, const Columns& columns = {})
    {
        addEmlogRow("blog",
                    {{"gid", std::to_string(gid)},
                     {"title", "'t" + std::to_string(gid) + "'"},
                     {"date", "1273195805"},
                     {"content", "''"},
                     {"excerpt", "''"}},
                    columns);
    }

    std::string post(std::int64_t id, const std::string& column)
    {
        return wordPressValue("SELECT " + column + " FROM " + wp("posts") + " WHERE ID=" + std::to_string(id));
    }
};

} // namespace

TEST_F(PostsTest, AnArticleBecomesItsCategoryLinkThenItsPost)
{
    logStatements();
    addArticle(5, {{"author", "1"}, {"title", "'It''s'"}, {"content", "'Hello'"}, {"comnum", "2"}, {"sortid", "3"}});
    migratePosts(*run);

    const std::vector<std::string> expected = {
        "insert into wp_term_relationships set object_id='5',term_taxonomy_id='3'",
        "insert into wp_posts set post_status='publish',comment_status='open',ping_status='open',post_parent='0',"
        "menu_order='0',post_type='post',ID='5',post_author='1',post_content='Hello',post_title='It’s',"
        "post_name='It’s',comment_count='2',post_date='2010-05-07 09:30:05',post_date_gmt='2010-05-07 01:30:05',"
        "post_modified='2010-05-07 09:30:05',post_modified_gmt='2010-05-07 01:30:05'",
    };
    EXPECT_EQ(sentInserts(), expected);
    EXPECT_EQ(post(5, "post_title"), "It’s");
    EXPECT_EQ(post(5, "post_name"), "It’s");
    EXPECT_EQ(post(5, "post_type"), "post");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(PostsTest, TextArrivesAsItWasWritten)
{
    const std::string title = "Tom's \"C:\\temp\" 100% 😀 𠮷 繁體 _x_";
    const std::string content = "<p>It's \\n not a newline, 'quoted' \"twice\" 50%_off 👍🏻 喆</p>\n\\";
    addArticle(1, {{"title", q(emlogDb.admin(), title)}, {"content", q(emlogDb.admin(), content)}});
    addArticle(2, {{"title", "' spaced  title '"}, {"content", "'中文 text'"}});
    migratePosts(*run);

    EXPECT_EQ(post(1, "post_title"), replaceApostrophes(title));
    EXPECT_EQ(post(1, "post_name"), replaceApostrophes(title));
    EXPECT_EQ(post(1, "post_content"), replaceApostrophes(content));
    EXPECT_EQ(post(1, "HEX(post_title)"),
              wordPressValue("SELECT HEX(" + q(wordpress.admin(), replaceApostrophes(title)) + ")"));
    EXPECT_EQ(post(2, "post_name"), " spaced  title ");
    EXPECT_EQ(post(2, "post_content"), "中文 text");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(PostsTest, OldBlogsStoredInGbkArriveInUnicode)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_blog CONVERT TO CHARACTER SET gbk");
    addArticle(1, {{"title", "'旧博客：喆堃'"}, {"content", "'GBK 里的中文，也有“引号”。'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), "旧博客：喆堃");
    EXPECT_EQ(post(1, "post_content"), "GBK 里的中文，也有“引号”。");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(PostsTest, LinksToTheOldSiteBecomeRelative)
{
    addArticle(1, {{"content", "'<img src=\"http://blog.example.com/content/uploadfile/201403/a.jpg\"> "
                               "<a href=\"HTTP://BLOG.EXAMPLE.COM/?post=2\">x</a> http://blog.example.com'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_content"), "<img src=\"../content/uploadfile/201403/a.jpg\"> "
                                       "<a href=\"HTTP://BLOG.EXAMPLE.COM/?post=2\">x</a> ..");
}

TEST_F(PostsTest, DatesInLocalWallClockAndUtc)
{
    struct Case
    {
        std::int64_t date;
        const char* local;
        const char* utc;
    };
    const Case cases[] = {
        {0, "1970-01-01 08:00:00", "1970-01-01 00:00:00"},
        {-1, "1970-01-01 07:59:59", "1969-12-31 23:59:59"},
        {1273195805, "2010-05-07 09:30:05", "2010-05-07 01:30:05"},
        {2147483648, "2038-01-19 11:14:08", "2038-01-19 03:14:08"},
    };
    std::int64_t gid = 0;
    for (const Case& c : cases)
        addEmlogRow("blog", "gid=" + std::to_string(++gid) + ",title='d',date=" + std::to_string(c.date) +
                                ",content='',excerpt=''");
    migratePosts(*run);
    gid = 0;
    for (const Case& c : cases) {
        const auto rows = wordPressRows("SELECT post_date, post_modified, post_date_gmt, post_modified_gmt FROM " +
                                        wp("posts") + " WHERE ID=" + std::to_string(++gid));
        ASSERT_EQ(rows.size(), 1u) << c.date;
        EXPECT_EQ(rows[0][0], c.local) << c.date;
        EXPECT_EQ(rows[0][1], c.local) << c.date;
        EXPECT_EQ(rows[0][2], c.utc) << c.date;
        EXPECT_EQ(rows[0][3], c.utc) << c.date;
    }
}

TEST_F(PostsTest, DraftsArticlesUnderReviewAndPasswordsStayPrivate)
{
    addArticle(1);
    addArticle(2, {{"hide", "'y'"}});
    addArticle(3, {{"checked", "'n'"}});
    addArticle(4, {{"password", "'s3cret''s'"}});
    addArticle(5, {{"type", "'page'"}, {"top", "'y'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_status"), "publish");
    EXPECT_EQ(post(2, "post_status"), "draft");
    EXPECT_EQ(post(3, "post_status"), "draft");
    EXPECT_EQ(post(4, "post_status"), "publish");
    EXPECT_EQ(post(4, "post_password"), "s3cret's");
    EXPECT_EQ(post(1, "post_password"), "");
    EXPECT_EQ(post(5, "post_status"), "publish");
}

TEST_F(PostsTest, CategoryLinksForEveryArticleWithACategory)
{
    addArticle(1, {{"sortid", "3"}});
    addArticle(2, {{"sortid", "0"}});
    addArticle(3, {{"sortid", "-1"}}); // emlog's "no category"
    addArticle(4, {{"sortid", "99"}}); // a category that does not exist
    migratePosts(*run);
    const auto rows =
        wordPressRows("SELECT object_id, term_taxonomy_id FROM " + wp("term_relationships") + " ORDER BY object_id");
    const std::vector<Row> expected = {{"1", "3"}, {"2", "0"}, {"4", "99"}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("posts")), "4");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(PostsTest, NullTitleAndContentArriveEmpty)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_blog MODIFY title VARCHAR(255) NULL, MODIFY content LONGTEXT NULL");
    addArticle(1, {{"title", "NULL"}, {"content", "NULL"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), "");
    EXPECT_EQ(post(1, "post_content"), "");
}

TEST_F(PostsTest, ALongTitleKeepsItsWholeTitleAndAShortenedName)
{
    std::string title;
    for (int i = 0; i < 250; ++i)
        title += "长";
    addArticle(1, {{"title", "'" + title + "'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), title);
    EXPECT_EQ(post(1, "CHAR_LENGTH(post_name)"), "200");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(PostsTest, AValueTheServerHadToChangeIsLogged)
{
    addArticle(1, {{"date", "253402300800"}}); // the year 10000: no DATETIME holds it
    addArticle(2);
    migratePosts(*run);
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("posts")), "2");
    ASSERT_EQ(run->failures.entries().size(), 1u) << run->failures.details();
    EXPECT_EQ(run->failures.entries().front().sourceId, "gid=1");
    EXPECT_NE(run->failures.entries().front().error.find("written with changes"), std::string::npos);
    EXPECT_EQ(run->failures.tallies().front().failed, 1);
}

TEST_F(PostsTest, ARefusedPostIsLoggedAndTheRestArrive)
{
    execute(wordpress.admin(), "INSERT INTO " + wp("posts") +
                                   " SET ID=2, post_title='already here', post_content='',"
                                   "post_excerpt='', to_ping='', pinged='', post_content_filtered=''");
    addArticle(1);
    addArticle(2);
    addArticle(3);
    migratePosts(*run);

    EXPECT_EQ(post(1, "post_title"), "t1");
    EXPECT_EQ(post(2, "post_title"), "already here");
    EXPECT_EQ(post(3, "post_title"), "t3");
    ASSERT_EQ(run->failures.entries().size(), 1u);
    const auto& failure = run->failures.entries().front();
    EXPECT_EQ(failure.migration, "文章");
    EXPECT_EQ(failure.table, "wp_posts");
    EXPECT_EQ(failure.sourceId, "gid=2");
    EXPECT_NE(failure.error.find("Duplicate entry"), std::string::npos);
    const auto& tally = run->failures.tallies().front();
    EXPECT_EQ(tally.read, 3);
    EXPECT_EQ(tally.written, 2);
    EXPECT_EQ(tally.failed, 1);
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(PostsTest, AMissingTableIsLoggedAndNothingShown)
{
    execute(emlogDb.admin(), "DROP TABLE emlog_blog");
    migratePosts(*run);
    EXPECT_TRUE(statuses.empty());
    EXPECT_TRUE(progress.empty());
    ASSERT_EQ(run->failures.entries().size(), 1u);
    EXPECT_EQ(run->failures.entries().front().table, "emlog_blog");
    EXPECT_TRUE(run->failures.tallies().front().unreadable);
}
