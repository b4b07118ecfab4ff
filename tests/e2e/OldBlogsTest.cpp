// Blogs of the emlog of ten years ago, in the tables emlog 3.5's and 4.3's installers made, arrive whole:
// the menu (3.5's option navibar, 4.3's first navi table), other blogs' trackbacks, the owner's answers
// kept inside 3.5's comments, the links between articles, the administrator; a run again changes
// nothing, and --check finds all of it there. An emlog 2.x database is refused before anything is written.
// WordPress's own API says what arrived (scripts/wordpress/view.php, menu.php).
#include "BlogCheck.h"
#include "BlogRun.h"
#include "DatabaseCopies.h"
#include "GuiTesting.h"
#include "HtmlText.h"
#include "MigrationRunner.h"
#include "RunTexts.h"
#include "TestServer.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <map>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// A menu item as menu.php shows it: the emlog id it names (_emlog_navi), its title, and where it leads
// ({home}, {login}, {page:gid} and {status} stand for WordPress's addresses), in a new window or not.
struct Item
{
    const char* navi;
    const char* title;
    const char* url;
    bool newTab = false;
};

struct OldBlogCase
{
    const char* name;
    OldBlog blog;
    const char* version;       // as --check names it
    const char* oldHost;       // in blogurl: no link to it may be left
    const char* administrator; // the login of emlog's admin
    std::vector<Item> menu;    // in emlog's order; hidden items are not there
    // Article 1's links to the blog, as WordPress's addresses of what they name: {post:gid}, {page:gid},
    // {cat:sid}, {tag:name}, {home}.
    std::vector<const char*> links;
    std::int64_t answers; // the owner's answers inside comments (3.x)
};

void PrintTo(const OldBlogCase& blog, std::ostream* out)
{
    *out << blog.name;
}

const OldBlogCase oldBlogs[] = {
    {"ThreeFive",
     OldBlog::ThreeFive,
     "3.x",
     "old.example.net",
     "zhang",
     {{"0", "首页", "{home}/"},
      {"4", "关于本站", "{page:4}"},
      {"5", "留言板", "http://guestbook.example.org/zhang", true},
      {"7", "相册 &amp; 图", "{page:7}"}},
     {"{post:2}", "{post:3}", "{cat:2}", "{tag:emlog}", "{page:4}", "{home}/"},
     3},
    {"FourThree",
     OldBlog::FourThree,
     "4.x",
     "old43.example.net",
     "wangwu",
     {{"1", "首页", "{home}/"},
      {"2", "微语", "{home}/?post_format=status"},
      {"4", "关于", "{page:4}"},
      {"5", "朋友们", "http://friends.example.org/", true},
      {"3", "登录", "{login}"}},
     {"{post:2}", "{post:3}", "{post:2}", "{cat:2}", "{page:4}"},
     0},
};

QJsonObject json(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::string str(const QJsonValue& value)
{
    return value.isString() ? value.toString().toStdString() : std::to_string(value.toInteger());
}

class OldBlogsTest : public ::testing::TestWithParam<OldBlogCase>
{
protected:
    RunReport run(bool emptyFirst)
    {
        MigrationRunner runner;
        runner.setPacing(Pacing::none());
        RunSettings settings = testServerSettings(emlog.name(), wordpress.name());
        settings.emptyWordPressFirst = emptyFirst;
        std::optional<RunReport> report = runToEnd(runner, settings);
        EXPECT_TRUE(report.has_value());
        return report.value_or(RunReport{});
    }

    // WordPress's rows a run writes, each table's checksum.
    std::string everyRow()
    {
        std::string rows;
        for (const char* table : emptiedTables)
            rows += std::string(table) + ": " + tableChecksum(wordpress.name(), table) + "\n";
        for (const char* table : {"users", "usermeta"})
            rows += std::string(table) + ": " + tableChecksum(wordpress.name(), table) + "\n";
        return rows + "addresses: " +
               queryValue(wordpress.admin(), "SELECT option_value FROM wp_options WHERE "
                                             "option_name='kestrel_addresses'");
    }

    TestDatabase emlog{"old_emlog"};
    WordPressDatabase wordpress{"old_wp"};
};

// The WordPress id of a copied row, by the emlog id its origin meta names.
std::map<std::string, std::string> byOrigin(const QJsonValue& rows, const char* origin, const char* id)
{
    std::map<std::string, std::string> ids;
    for (const QJsonValue& row : rows.toArray()) {
        if (!row[QLatin1String(origin)].toString().isEmpty())
            ids[str(row[QLatin1String(origin)])] = str(row[QLatin1String(id)]);
    }
    return ids;
}

} // namespace

TEST_P(OldBlogsTest, ArriveWholeAndARunAgainChangesNothing)
{
    const OldBlogCase& blog = GetParam();
    loadOldBlog(emlog.name(), blog.blog);
    const RunReport first = run(true);
    EXPECT_TRUE(first.log.entries().empty()) << texts::details(first.log).toStdString();
    const QString summary = texts::summary(first.log);
    EXPECT_TRUE(summary.contains(QStringLiteral("引用：读取 2 行，写入 2 行，已存在 0 行，失败 0 行")))
        << summary.toStdString();
    EXPECT_EQ(summary.contains(QStringLiteral("博主回复：读取 %1 行，写入 %1 行").arg(blog.answers)), blog.answers > 0)
        << summary.toStdString();

    const QJsonObject view = wordPressView(wordpress.name(), "wp_");
    const auto posts = byOrigin(view[QStringLiteral("posts")], "origin", "ID");
    const auto comments = byOrigin(view[QStringLiteral("comments")], "origin", "id");
    const auto categories = byOrigin(view[QStringLiteral("all_categories")], "origin", "term_id");
    const std::vector<Row> articles = queryRows(emlog.admin(), "SELECT gid, type FROM emlog_blog ORDER BY gid");
    ASSERT_EQ(posts.size(), articles.size());
    const QString home = QString::fromStdString(
        queryValue(wordpress.admin(), "SELECT option_value FROM wp_options WHERE option_name='home'"));

    // Article 1's links lead to WordPress's pages of what they named, in the order it wrote them.
    QString content;
    for (const QJsonValue& post : view[QStringLiteral("posts")].toArray()) {
        if (str(post[QStringLiteral("origin")]) == "1")
            content = post[QStringLiteral("content")].toString();
    }
    EXPECT_FALSE(content.contains(QLatin1String(blog.oldHost))) << content.toStdString();
    const auto address = [&](QString link) {
        for (const auto& [gid, id] : posts) {
            link.replace(QStringLiteral("{post:%1}").arg(QString::fromStdString(gid)),
                         home + "/?p=" + QString::fromStdString(id));
            link.replace(QStringLiteral("{page:%1}").arg(QString::fromStdString(gid)),
                         home + "/?page_id=" + QString::fromStdString(id));
        }
        for (const auto& [sid, id] : categories)
            link.replace(QStringLiteral("{cat:%1}").arg(QString::fromStdString(sid)),
                         home + "/?cat=" + QString::fromStdString(id));
        return link.replace(QStringLiteral("{tag:"), home + "/?tag=")
            .replace(QStringLiteral("}"), QString())
            .replace(QStringLiteral("{home"), home);
    };
    QStringList seen;
    for (auto match = QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).globalMatch(content); match.hasNext();)
        seen << match.next().captured(1);
    QStringList expected;
    for (const char* link : blog.links)
        expected << address(QString::fromLatin1(link));
    EXPECT_EQ(seen, expected);

    // The owner's answers (3.x): the administrator's comments under the ones they answer, shown as
    // those were, as the text they are; trackbacks: comments of type trackback on their article.
    const auto users = byOrigin(view[QStringLiteral("users")], "origin", "ID");
    for (const QJsonValue& comment : view[QStringLiteral("comments")].toArray()) {
        const std::string answers = str(comment[QStringLiteral("answers")]);
        const std::string trackback = str(comment[QStringLiteral("trackback")]);
        if (!answers.empty()) {
            SCOPED_TRACE("the answer to cid=" + answers);
            const Row answered =
                queryRows(emlog.admin(), "SELECT reply, IF(hide='y','0','1') FROM emlog_comment WHERE cid=" + answers)
                    .at(0);
            EXPECT_EQ(str(comment[QStringLiteral("parent")]), comments.at(answers));
            EXPECT_EQ(str(comment[QStringLiteral("content")]), escapeHtml(answered[0].value_or("")));
            EXPECT_EQ(str(comment[QStringLiteral("approved")]), answered[1].value_or(""));
            EXPECT_EQ(str(comment[QStringLiteral("user_id")]), users.at("1"));
        }
        if (!trackback.empty()) {
            SCOPED_TRACE("trackback tbid=" + trackback);
            EXPECT_EQ(str(comment[QStringLiteral("type")]), "trackback");
            const Row row =
                queryRows(emlog.admin(), "SELECT gid, blog_name, url FROM emlog_trackback WHERE tbid=" + trackback)
                    .at(0);
            EXPECT_EQ(str(comment[QStringLiteral("post_id")]), posts.at(row[0].value_or("")));
            EXPECT_EQ(str(comment[QStringLiteral("author")]), escapeHtml(row[1].value_or("")));
            EXPECT_EQ(str(comment[QStringLiteral("url")]), row[2].value_or(""));
        }
    }
    EXPECT_EQ(byOrigin(view[QStringLiteral("comments")], "answers", "id").size(), std::size_t(blog.answers));
    EXPECT_EQ(byOrigin(view[QStringLiteral("comments")], "trackback", "id").size(), 2u);

    // emlog's administrator is WordPress's.
    for (const QJsonValue& user : view[QStringLiteral("users")].toArray()) {
        if (str(user[QStringLiteral("login")]) == blog.administrator) {
            EXPECT_EQ(QJsonDocument(user[QStringLiteral("roles")].toArray()).toJson(QJsonDocument::Compact),
                      "[\"administrator\"]");
        }
    }

    // The menu, in emlog's order, without what was hidden.
    const QJsonObject menus =
        json(runWordPressScript(sourceDir() + "/scripts/wordpress/menu.php", wordpress.name(), "wp_", {"view"}));
    std::vector<std::string> items;
    for (const QJsonValue& menu : menus[QStringLiteral("menus")].toArray()) {
        if (!menu[QStringLiteral("emlog")].toBool())
            continue;
        for (const QJsonValue& item : menu[QStringLiteral("items")].toArray())
            items.push_back(str(item[QStringLiteral("navi")]) + " " + str(item[QStringLiteral("title")]) + " " +
                            str(item[QStringLiteral("url")]) + " " + str(item[QStringLiteral("target")]));
    }
    std::vector<std::string> expectedItems;
    for (const Item& item : blog.menu) {
        QString url = address(QString::fromLatin1(item.url))
                          .replace(QStringLiteral("{login"), menus[QStringLiteral("login")].toString());
        expectedItems.push_back(std::string(item.navi) + " " + item.title + " " + url.toStdString() + " " +
                                (item.newTab ? "_blank" : ""));
    }
    EXPECT_EQ(items, expectedItems);

    // Again: nothing is written, and --check finds each kind there.
    const std::string before = everyRow();
    const RunReport again = run(false);
    for (const FailureLog::Tally& tally : again.log.tallies())
        EXPECT_EQ(tally.written, 0) << tally.migration;
    EXPECT_EQ(everyRow(), before);
    CheckSettings settings;
    const BlogCheckReport check = checkBlogs(emlog.admin(), wordpress.admin(), settings);
    EXPECT_EQ(check.emlogVersion, blog.version);
    std::map<std::string, std::string> found;
    for (const KindCheck& kind : check.kinds)
        found[kind.kind] = std::to_string(kind.alreadyThere) + "/" + std::to_string(kind.rows);
    EXPECT_EQ(found["trackbacks"], "2/2");
    EXPECT_EQ(found["ownerReplies"],
              blog.answers ? std::to_string(blog.answers) + "/" + std::to_string(blog.answers) : std::string());
    // Hidden items are never copied: 3.5's page 6, 4.3's item 6.
    EXPECT_EQ(found["navigation"], std::to_string(blog.menu.size()) + "/" + std::to_string(blog.menu.size() + 1));

    // Emptying first takes what the blog brought, trackbacks and answers with their articles, and the
    // same blog arrives again whole.
    const RunReport emptied = run(true);
    ASSERT_TRUE(emptied.emptied.has_value());
    for (const FailureLog::Tally& tally : emptied.log.tallies())
        EXPECT_EQ(tally.alreadyThere, tally.migration == "users" ? 2 : 0) << tally.migration; // users stay
    const QJsonObject after = wordPressView(wordpress.name(), "wp_");
    for (const char* list : {"posts", "comments", "attachments", "all_categories", "tags"})
        EXPECT_EQ(after[QLatin1String(list)].toArray().size(), view[QLatin1String(list)].toArray().size()) << list;
}

INSTANTIATE_TEST_SUITE_P(Versions, OldBlogsTest, ::testing::ValuesIn(oldBlogs),
                         [](const ::testing::TestParamInfo<OldBlogCase>& info) {
                             return std::string(info.param.name);
                         });

// emlog 2.x kept its settings in one row of config and had no categories: its tables are refused, before
// anything is written, with emlog's own upgrade to name.
TEST(OldEmlogTest, AnEmlog2DatabaseIsRefusedWithNothingWritten)
{
    TestDatabase emlog("emlog2");
    WordPressDatabase wordpress("emlog2_wp");
    execute(emlog.admin(), "CREATE TABLE emlog_config (blogname varchar(255) NOT NULL default '', blogurl "
                           "varchar(255) NOT NULL default '') ENGINE=MyISAM DEFAULT CHARSET=utf8");
    execute(emlog.admin(), "INSERT INTO emlog_config VALUES ('二点七', 'http://two.example.net/')");
    execute(emlog.admin(), "CREATE TABLE emlog_blog (gid mediumint(8) unsigned NOT NULL auto_increment, title "
                           "varchar(255) NOT NULL default '', date bigint(20) NOT NULL, content longtext NOT NULL, "
                           "PRIMARY KEY (gid)) ENGINE=MyISAM DEFAULT CHARSET=utf8");
    execute(emlog.admin(), "INSERT INTO emlog_blog VALUES (1, '2.x 的文章', 1167609600, '<p>旧</p>')");
    std::string before;
    for (const char* table : emptiedTables)
        before += tableChecksum(wordpress.name(), table) + "\n";

    MigrationRunner runner;
    QString refusal;
    QObject::connect(&runner, &MigrationRunner::connectionFailed,
                     [&](const QString& message, const QString&) { refusal = message; });
    RunSettings settings = testServerSettings(emlog.name(), wordpress.name());
    settings.emptyWordPressFirst = true;
    EXPECT_FALSE(runToEnd(runner, settings).has_value());
    EXPECT_TRUE(refusal.contains(QStringLiteral("update/up2.7.0to3.0.0.php"))) << refusal.toStdString();
    std::string after;
    for (const char* table : emptiedTables)
        after += tableChecksum(wordpress.name(), table) + "\n";
    EXPECT_EQ(after, before);

    CheckSettings check;
    EXPECT_EQ(checkBlogs(emlog.admin(), wordpress.admin(), check).emlogVersion, "2.x");
}
