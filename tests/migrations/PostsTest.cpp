#include "Posts.h"
#include "MigrationFixture.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Twitter.h"

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
                   {"alias", "'its'"},
                   {"views", "7"},
                   {"like_count", "3"},
                   {"collect_count", "1"}});
    addArticle(6, {{"sortid", "3"}});
    // Custom fields: a key twice, and one named as the run names its own rows, which stays out.
    addEmlogRow("blog_fields", "id=1,gid=5,field_key='mood',field_value='a'");
    addEmlogRow("blog_fields", "id=2,gid=6,field_key='_emlog_gid',field_value='5'");
    addEmlogRow("blog_fields", "id=3,gid=5,field_key='mood',field_value='<b>b</b>'");
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
    EXPECT_EQ(post(5, "post_title"), "It&#039;s");
    EXPECT_EQ(post(5, "post_name"), "its"); // its alias
    EXPECT_EQ(post(6, "post_name"), "t6");
    EXPECT_EQ(post(5, "post_type"), "post");
    EXPECT_EQ(post(5, "comment_count"), "2");
    const auto meta =
        wordPressRows("SELECT post_id, meta_key, meta_value FROM " + wp("postmeta") + " ORDER BY meta_id");
    const std::vector<Row> expectedMeta = {
        {"5", "_emlog_gid", "5"},   {"5", "_emlog_alias", "its"}, {"5", "views", "7"},
        {"5", "like_count", "3"},   {"5", "dislike_count", "0"},  {"5", "collect_count", "1"},
        {"5", "mood", "a"},         {"5", "mood", "<b>b</b>"},    {"6", "_emlog_gid", "6"},
        {"6", "views", "0"},        {"6", "like_count", "0"},     {"6", "dislike_count", "0"},
        {"6", "collect_count", "0"}};
    EXPECT_EQ(meta, expectedMeta);
    const auto links =
        wordPressRows("SELECT r.object_id, x.taxonomy, x.count FROM " + wp("term_relationships") + " r JOIN " +
                      wp("term_taxonomy") + " x USING (term_taxonomy_id) ORDER BY r.object_id, x.taxonomy");
    const std::vector<Row> expectedLinks = {
        {"5", "category", "2"}, {"5", "post_tag", "2"}, {"6", "category", "2"}, {"6", "post_tag", "2"}};
    EXPECT_EQ(links, expectedLinks);
    ASSERT_EQ(run->failures.entries().size(), 1u) << run->failures.details();
    const FailureLog::Entry& left = run->failures.entries().front();
    EXPECT_EQ(left.sourceId, "gid=6");
    EXPECT_EQ(left.why.code, Why::Code::reservedField);
    EXPECT_EQ(left.why.subject, "_emlog_gid");
}

TEST_F(PostsTest, TextArrivesAsItWasWritten)
{
    const std::string title = "Tom's \"C:\\temp\" 100% 😀 𠮷 繁體 _x_";
    const std::string content = "<p>It's \\n not a newline, 'quoted' \"twice\" 50%_off 👍🏻 喆</p>\n\\";
    addArticle(1, {{"title", q(emlogDb.admin(), title)}, {"content", q(emlogDb.admin(), content)}});
    addArticle(2, {{"title", "' spaced  title '"}, {"content", "'中文 text'"}});
    migratePosts(*run);

    // The title as emlog showed it, escaped; the content is the author's HTML, kept byte for byte.
    EXPECT_EQ(post(1, "post_title"), "Tom&#039;s &quot;C:\\temp&quot; 100% 😀 𠮷 繁體 _x_");
    EXPECT_EQ(post(1, "post_name"), "toms-ctemp-100-%f0%9f%98%80-%f0%a0%ae%b7-%e7%b9%81%e9%ab%94-_x_");
    EXPECT_EQ(post(1, "post_content"), content);
    EXPECT_EQ(post(2, "post_name"), "spaced-title");
    EXPECT_EQ(post(2, "post_content"), "<p>中文 text</p>"); // Markdown: the fixture's tables are pro's
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(PostsTest, OldBlogsStoredInGbkArriveInUnicode)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_blog CONVERT TO CHARACTER SET gbk");
    addArticle(1, {{"title", "'旧博客：喆堃'"}, {"content", "'GBK 里的中文，也有“引号”。'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), "旧博客：喆堃");
    EXPECT_EQ(post(1, "post_content"), "<p>GBK 里的中文，也有“引号”。</p>");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

// Every link to the blog leads to WordPress's page for it, whatever the permalinks: articles
// written before or after the one linking, an article an earlier run copied, pages, categories,
// tags and any other path; files under content/ stay on the old blog until they are copied.
TEST_F(PostsTest, LinksToTheBlogLeadToWordPress)
{
    const std::string home = wordPressValue("SELECT option_value FROM " + wp("options") + " WHERE option_name='home'");
    addEmlogRow("options", "option_name='blogurl',option_value='http://blog.example.com/emlog/'");
    // Its articles' aliases are in its addresses (about.html).
    addEmlogRow("options", "option_name='isalias',option_value='y'");
    addEmlogRow("sort", "sid=3,sortname='Linux',alias='linux'");
    addEmlogRow("tag", "tid=4,tagname='Qt 5',gid=',1,'");
    addArticle(7);
    addCopiedArticles({7}); // from an earlier run: WordPress post 7
    const std::string links =
        "<div><a href=\"https://blog.example.com/emlog/?post=2\">later</a> <a href='http://blog.example.com/emlog/"
        "post-1.html#c'>itself</a> <a href=\"http://blog.example.com/emlog/7.html\">earlier run</a> "
        "<a href=\"http://blog.example.com/emlog/about.html\">page by alias</a> "
        "<a href=\"http://blog.example.com/emlog/sort/linux\">category</a> "
        "<a href=\"http://blog.example.com/emlog/tag/Qt+5\">tag</a> "
        "<a href=\"HTTP://BLOG.EXAMPLE.COM/emlog\">home</a> "
        "<a href=\"http://blog.example.com/emlog/?record=201205\">archive</a> "
        "<img src=\"http://blog.example.com/emlog/content/a.jpg\"> http://blog.example.com/other "
        "http://blog.example.com.cn/emlog/post-1.html</div>";
    addArticle(1, {{"content", q(emlogDb.admin(), links)}, {"sortid", "3"}});
    // Relative links as the blog's own pages wrote them, to an article written later in the run too.
    addArticle(2, {{"content", q(emlogDb.admin(), "<p>back to http://blog.example.com/emlog/post-1.html.</p>"
                                                  "<a href=\"/emlog/?post=1\">a</a><a href='?post=3'>b</a>"
                                                  "<a href=\"post-7.html\">c</a><a href=\"/?post=1\">d</a>")}});
    addArticle(3, {{"type", "'page'"}, {"alias", "'about'"}});
    migrateCategories(*run);
    migrateTags(*run);
    migratePosts(*run);

    EXPECT_EQ(post(1, "post_content"),
              "<div><a href=\"" + home + "/?p=2\">later</a> <a href='" + home + "/?p=1#c'>itself</a> <a href=\"" +
                  home + "/?p=7\">earlier run</a> <a href=\"" + home + "/?page_id=3\">page by alias</a> <a href=\"" +
                  home + "/?cat=3\">category</a> <a href=\"" + home + "/?tag=qt-5\">tag</a> <a href=\"" + home +
                  "/\">home</a> <a href=\"" + home + "/?record=201205\">archive</a> " +
                  "<img src=\"http://blog.example.com/emlog/content/a.jpg\"> http://blog.example.com/other "
                  "http://blog.example.com.cn/emlog/post-1.html</div>");
    // "/?post=1" is the host's, not the blog's under /emlog/.
    EXPECT_EQ(post(2, "post_content"), "<p>back to " + home + "/?p=1.</p><a href=\"" + home + "/?p=1\">a</a><a href='" +
                                           home + "/?page_id=3'>b</a><a href=\"" + home +
                                           "/?p=7\">c</a><a href=\"/?post=1\">d</a>");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

// The media copy tells where a file under content/ went.
TEST_F(PostsTest, FilesUnderContentGoWhereTheRunSays)
{
    addEmlogRow("options", "option_name='blogurl',option_value='https://blog.example.com/'");
    addArticle(1, {{"excerpt", "'![a](http://blog.example.com/content/uploadfile/a.jpg)'"}});
    run->contentAddress = [](std::string_view path) -> std::optional<std::string> {
        return "https://new.example/wp-content/uploads/" + std::string(path.substr(path.rfind('/') + 1));
    };
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_excerpt"), "<p><img src=\"https://new.example/wp-content/uploads/a.jpg\" alt=\"a\" /></p>");
}

// emlog pro's Markdown arrives as the HTML pro showed; the title keeps every character, escaped.
TEST_F(PostsTest, MarkdownAsProShowedIt)
{
    addArticle(
        1, {{"title", "'<b>It''s</b> & co'"},
            {"content", "'# 标题\\n\\n第一行\\n第二行 `echo ''hi'';`\\n\\n| a | b |\\n|---|---|\\n| 1 | ~~2~~ |'"}});
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_title"), "&lt;b&gt;It&#039;s&lt;/b&gt; &amp; co");
    EXPECT_EQ(post(1, "post_content"), "<h1>标题</h1>\n<p>第一行<br />\n第二行 <code>echo 'hi';</code></p>\n<table>\n"
                                       "<thead>\n<tr>\n<th>a</th>\n<th>b</th>\n</tr>\n</thead>\n<tbody>\n<tr>\n"
                                       "<td>1</td>\n<td><del>2</del></td>\n</tr>\n</tbody>\n</table>");
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

// Local times in emlog's zone with its summer time, or in WordPress's when the run keeps it;
// the GMT columns are exact either way.
TEST_F(PostsTest, DatesInEmlogsZoneOrWordPresss)
{
    struct Case
    {
        const char* emlogZone;
        bool keepWordPress;
        std::int64_t date;
        const char* local;
    };
    const Case cases[] = {
        {"Europe/Berlin", false, 1278000000, "2010-07-01 18:00:00"},
        {"Europe/Berlin", false, 1262304000, "2010-01-01 01:00:00"},
        {"America/New_York", false, 1278000000, "2010-07-01 12:00:00"},
        {"-5", false, 1278000000, "2010-07-01 11:00:00"},           // older emlog's hours
        {"Europe/Berlin", true, 1278000000, "2010-07-01 16:00:00"}, // the installer's WordPress is in UTC
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.emlogZone) + (c.keepWordPress ? ", WordPress's kept" : ""));
        execute(emlogDb.admin(), "DELETE FROM emlog_options");
        execute(emlogDb.admin(), "DELETE FROM emlog_blog");
        execute(wordpress.admin(), "DELETE FROM " + wp("posts"));
        addEmlogRow("options", "option_name='timezone',option_value=" + q(emlogDb.admin(), c.emlogZone));
        addEmlogRow("blog", "gid=1,title='d',content='',excerpt='',date=" + std::to_string(c.date));
        run->handoffs = {}; // a run of its own
        run->state = {};
        run->keepWordPressTimeZone = c.keepWordPress;
        migratePosts(*run);
        EXPECT_EQ(post(1, "post_date"), c.local);
        EXPECT_EQ(post(1, "post_date_gmt"), wordPressValue("SELECT DATE_ADD('1970-01-01 00:00:00', INTERVAL " +
                                                           std::to_string(c.date) + " SECOND)"));
    }
}

// emlog held back an article dated after now; WordPress publishes it when its time comes.
TEST_F(PostsTest, ArticlesDatedLaterAreScheduled)
{
    addEmlogRow("blog", "gid=1,title='later',content='',excerpt='',date=4102444800");
    addEmlogRow("blog", "gid=2,title='draft',content='',excerpt='',date=4102444800,hide='y'");
    migratePosts(*run);
    EXPECT_EQ(post(1, "post_status"), "future");
    EXPECT_EQ(post(2, "post_status"), "draft");
    // As WordPress's own scheduling leaves it: an event that publishes the post at its time.
    const std::string cron = wordPressValue("SELECT option_value FROM " + wp("options") + " WHERE option_name='cron'");
    EXPECT_NE(cron.find("i:4102444800;a:1:{s:19:\"publish_future_post\";a:1:{s:32:\""), std::string::npos) << cron;
    EXPECT_NE(cron.find("s:4:\"args\";a:1:{i:0;i:1;}"), std::string::npos) << cron;
    EXPECT_EQ(cron.find("i:0;i:2;"), std::string::npos) << cron;
    // Later than the run's clock, which every migration reads: past that date, the same article is out.
    run->clock = [] { return std::int64_t{4102444801}; };
    addEmlogRow("blog", "gid=4,title='due',content='',excerpt='',date=4102444800");
    migratePosts(*run);
    EXPECT_EQ(post(4, "post_status"), "publish");
    run->clock = nullptr;
    // emlog 6.x and 5.x had no scheduling: they showed an article dated later at once.
    execute(emlogDb.admin(), "ALTER TABLE emlog_blog DROP COLUMN parent_id");
    addEmlogRow("blog", "gid=3,title='later in 6.x',content='',excerpt='',date=4102444800");
    migratePosts(*run);
    EXPECT_EQ(post(3, "post_status"), "publish");
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
    EXPECT_EQ(post(3, "post_status"), "pending");
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
    EXPECT_EQ(run->failures.entries()[0].why.code, Why::Code::categoryNotCopied);
    EXPECT_EQ(run->failures.entries()[0].why.subject, "99");
    // It arrived without its category: counted incomplete, where it is listed.
    const FailureLog::Tally& posts = run->failures.tally("posts");
    EXPECT_EQ(posts.written, 5);
    EXPECT_EQ(posts.incomplete, 1);
    EXPECT_EQ(posts.failed, 0);
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
    EXPECT_EQ(run->failures.entries().front().why.code, Why::Code::writtenWithChanges);
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
    EXPECT_NE(failure.why.detail.find("Duplicate entry"), std::string::npos);
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

// A 微语 as emlog showed it: pro's Markdown without line breaks, 5.x's stored HTML as it is, the
// image below it with its address escaped.
TEST(TwitterHtml, AsEmlogShowedIt)
{
    const std::tuple<const char*, bool, const char*, const char*> cases[] = {
        {"一行\n**两行**", true, "", "<p>一行 <strong>两行</strong></p>"},
        {"5.x &lt;b&gt; <a href=\"http://a.example/\">http://a.example/</a>", false, "",
         "5.x &lt;b&gt; <a href=\"http://a.example/\">http://a.example/</a>"},
        {"图", true, "http://b.example/content/uploadfile/a\".jpg",
         "<p>图</p>\n<p><a href=\"http://b.example/content/uploadfile/a&quot;.jpg\"><img "
         "src=\"http://b.example/content/uploadfile/a&quot;.jpg\" alt=\"\" /></a></p>"},
    };
    for (const auto& [content, markdown, image, html] : cases)
        EXPECT_EQ(twitterHtml(content, markdown, image), html) << content;
}
