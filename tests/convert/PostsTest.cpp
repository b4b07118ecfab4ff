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

TEST_F(PostsTest, ArticlesArriveTogetherWithTheirOriginsAndLinks)
{
    addEmlogRow("sort", "sid=3,sortname='three',description=''");
    addEmlogRow("tag", "tid=1,tagname='t',gid=',5,6,'");
    addArticle(5, {{"author", "1"},
                   {"title", "'It''s'"},
                   {"content", "'Hello'"},
                   {"comnum", "2"},
                   {"sortid", "3"},
                   {"alias", "'its'"}});
    addArticle(6, {{"sortid", "3"}});
    migrateCategories(*run);
    migrateTags(*run);
    logStatements();
    migratePosts(*run);

    // One exchange: a transaction holding the posts, their meta and their links, each table
    // in one statement, and its commit.
    std::vector<std::string> sent;
    for (const std::string& statement : statementsOf(mysql_thread_id(wordPress.handle())))
        if (statement.find("insert") != std::string::npos)
            sent.push_back(statement);
    ASSERT_EQ(sent.size(), 1u);
    for (const char* part : {"START TRANSACTION;insert into wp_posts (", ";insert into wp_postmeta (",
                             ";insert into wp_term_relationships (", ";COMMIT;"})
        EXPECT_NE(sent[0].find(part), std::string::npos) << part << "\n" << sent[0];
    EXPECT_EQ(post(5, "post_title"), "It’s");
    EXPECT_EQ(post(5, "post_name"), "its"); // its alias
    EXPECT_EQ(post(6, "post_name"), "t6");
    EXPECT_EQ(post(5, "post_type"), "post");
    EXPECT_EQ(post(5, "comment_count"), "2");
    const auto meta =
        wordPressRows("SELECT post_id, meta_key, meta_value FROM " + wp("postmeta") + " ORDER BY meta_id");
    const std::vector<Row> expectedMeta = {
        {"5", "_emlog_gid", "5"}, {"5", "_emlog_alias", "its"}, {"6", "_emlog_gid", "6"}};
    EXPECT_EQ(meta, expectedMeta);
    const auto links =
        wordPressRows("SELECT r.object_id, x.taxonomy, x.count FROM " + wp("term_relationships") + " r JOIN " +
                      wp("term_taxonomy") + " x USING (term_taxonomy_id) ORDER BY r.object_id, x.taxonomy");
    const std::vector<Row> expectedLinks = {
        {"5", "category", "2"}, {"5", "post_tag", "2"}, {"6", "category", "2"}, {"6", "post_tag", "2"}};
    EXPECT_EQ(links, expectedLinks);
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
    EXPECT_EQ(post(1, "post_name"), "toms-ctemp-100-%f0%9f%98%80-%f0%a0%ae%b7-%e7%b9%81%e9%ab%94-_x_");
    EXPECT_EQ(post(1, "post_content"), replaceApostrophes(content));
    EXPECT_EQ(post(1, "HEX(post_title)"),
              wordPressValue("SELECT HEX(" + q(wordpress.admin(), replaceApostrophes(title)) + ")"));
    EXPECT_EQ(post(2, "post_name"), "spaced-title");
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

TEST_F(PostsTest, LinksToTheBlogsOwnAddressBecomeRelative)
{
    addEmlogRow("options", "option_name='blogurl',option_value='http://blog.example.com/emlog/'");
    addArticle(
        1, {{"content", "'<img src=\"http://blog.example.com/emlog/content/a.jpg\"> <a href=\"https://blog.example.com/"
                        "emlog/?post=2\">x</a> <a href=\"HTTP://BLOG.EXAMPLE.COM/emlog/\">y</a> "
                        "http://blog.example.com/other http://elsewhere.example/emlog'"},
            {"excerpt", "'<img src=\"http://blog.example.com/emlog/content/b.jpg\">'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_content"), "<img src=\"../content/a.jpg\"> <a href=\"../?post=2\">x</a> "
                                       "<a href=\"HTTP://BLOG.EXAMPLE.COM/emlog/\">y</a> "
                                       "http://blog.example.com/other http://elsewhere.example/emlog");
    EXPECT_EQ(post(1, "post_excerpt"), "<img src=\"../content/b.jpg\">");
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
    addArticle(5, {{"type", "'page'"}, {"top", "'y'"}, {"allow_remark", "'n'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_status"), "publish");
    EXPECT_EQ(post(2, "post_status"), "draft");
    EXPECT_EQ(post(3, "post_status"), "draft");
    EXPECT_EQ(post(4, "post_status"), "publish");
    EXPECT_EQ(post(4, "post_password"), "s3cret's");
    EXPECT_EQ(post(1, "post_password"), "");
    EXPECT_EQ(post(5, "post_status"), "publish");
    EXPECT_EQ(post(5, "post_type"), "page");
    EXPECT_EQ(post(5, "comment_status"), "closed");
    EXPECT_EQ(post(1, "comment_status"), "open");
    EXPECT_EQ(wordPressValue("SELECT option_value FROM " + wp("options") + " WHERE option_name='sticky_posts'"),
              "a:1:{i:0;i:5;}");
}

TEST_F(PostsTest, AnArticleWhoseCategoryIsMissingArrivesAndIsLogged)
{
    addEmlogRow("sort", "sid=3,sortname='three',description=''");
    migrateCategories(*run);
    addArticle(1, {{"sortid", "3"}});
    addArticle(2, {{"sortid", "0"}});
    addArticle(3, {{"sortid", "-1"}}); // emlog's "no category"
    addArticle(4, {{"sortid", "99"}}); // a category that does not exist
    addArticle(5, {{"sortid", "3"}, {"type", "'page'"}});
    migratePosts(*run);
    const auto rows =
        wordPressRows("SELECT object_id, term_taxonomy_id FROM " + wp("term_relationships") + " ORDER BY object_id");
    const std::vector<Row> expected = {{"1", "3"}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("posts")), "5");
    ASSERT_EQ(run->failures.entries().size(), 1u) << run->failures.details();
    EXPECT_EQ(run->failures.entries()[0].sourceId, "gid=4");
    EXPECT_EQ(run->failures.entries()[0].error, "category sid=99 is not in WordPress");
}

TEST_F(PostsTest, NullTitleAndContentArriveEmpty)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_blog MODIFY title VARCHAR(255) NULL, MODIFY content LONGTEXT NULL");
    addArticle(1, {{"title", "NULL"}, {"content", "NULL"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), "");
    EXPECT_EQ(post(1, "post_content"), "");
}

TEST_F(PostsTest, ALongTitleKeepsItsWholeTitleAndASlugCutBetweenCharacters)
{
    std::string title;
    for (int i = 0; i < 250; ++i)
        title += "长";
    addArticle(1, {{"title", "'" + title + "'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), title);
    const std::string slug = post(1, "post_name");
    EXPECT_EQ(slug.size(), 198u); // 22 whole characters of 9 bytes each, as WordPress cuts it
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

TEST_F(PostsTest, ARefusedPostIsLoggedWithNothingOfItLeftAndTheRestArrive)
{
    execute(wordpress.admin(), "ALTER TABLE " + wp("posts") + " ADD UNIQUE KEY one_per_title (post_title(50))");
    addArticle(1, {{"title", "'same'"}, {"alias", "'first'"}});
    addArticle(2, {{"title", "'same'"}, {"alias", "'second'"}});
    addArticle(3);
    migratePosts(*run);

    EXPECT_EQ(post(1, "post_title"), "same");
    EXPECT_EQ(post(2, "post_title"), "");
    EXPECT_EQ(post(3, "post_title"), "t3");
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("postmeta") + " WHERE meta_value IN ('2', 'second')"), "0");
    ASSERT_EQ(run->failures.entries().size(), 1u);
    const auto& failure = run->failures.entries().front();
    EXPECT_EQ(failure.migration, "posts");
    EXPECT_EQ(failure.table, "wp_posts");
    EXPECT_EQ(failure.sourceId, "gid=2");
    EXPECT_NE(failure.error.find("Duplicate entry"), std::string::npos);
    EXPECT_EQ(tally().read, 3);
    EXPECT_EQ(tally().written, 2);
    EXPECT_EQ(tally().failed, 1);
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(PostsTest, AMissingTableIsLoggedAndNothingShown)
{
    execute(emlogDb.admin(), "DROP TABLE emlog_blog");
    migratePosts(*run);
    EXPECT_TRUE(events.empty());
    ASSERT_EQ(run->failures.entries().size(), 1u);
    EXPECT_EQ(run->failures.entries().front().table, "emlog_blog");
    EXPECT_TRUE(run->failures.tallies().front().unreadable);
}
