// The old emlog addresses of the migrated sample blog lead to their WordPress pages through the
// redirect plugin (wordpress-plugin/kestrel-redirects), served by php -S with WP_DEBUG on.
#include "BlogRun.h"
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "Origins.h"
#include "TestServer.h"
#include "WordPressSite.h"

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

#include <map>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Serving
{
    const char* name;
    const char* structure; // a permalink structure, or "plain"
    const char* subdirectory;
};

void PrintTo(const Serving& serving, std::ostream* out)
{
    *out << serving.name;
}

// What an old address should reach, named as emlog named it.
enum class Target { Article, Category, Tag, Month, Day, Author, Feed, Search };

struct Address
{
    const char* address; // after the blog's home and "/", percent-encoded as a link would be
    Target target;
    const char* key; // emlog gid, sid or uid, a tag name, YYYYMM[DD], a keyword
    int page = 1;
    // Also one of WordPress's own addresses under some structure: there WordPress may answer it
    // itself, at once or with its own redirect.
    bool wordPressToo = false;
};

// Sample rows: article 6 is in category 3 (alias linux, under 2 tech), 7 in 5 (旅遊記事), 1 in none; 2 has
// the alias hello-world and is in category 1 (life); page 15 has the alias about; 10 is of 2012-05-20;
// category 6 has the alias photo.
const Address oldAddresses[] = {
    {"?post=6", Target::Article, "6"},
    {"post-6.html", Target::Article, "6"},
    {"post/6", Target::Article, "6"},
    {"linux/6.html", Target::Article, "6"},
    {"%E6%97%85%E9%81%8A%E8%A8%98%E4%BA%8B/7.html", Target::Article, "7"},
    {"1.html", Target::Article, "1"},
    {"hello-world", Target::Article, "2"},
    {"hello-world.html", Target::Article, "2"},
    {"life/hello-world", Target::Article, "2"},
    {"about", Target::Article, "15"},
    {"about.html", Target::Article, "15"},
    {"?sort=3", Target::Category, "3"},
    {"sort/linux", Target::Category, "3"},
    {"sort/3", Target::Category, "3"},
    {"sort/life/page/2", Target::Category, "1", 2},
    {"?sort=1&page=2", Target::Category, "1", 2},
    {"?tag=%E7%85%A7%E7%89%87", Target::Tag, "照片", 1, true},
    {"tag/%E7%85%A7%E7%89%87", Target::Tag, "照片", 1, true},
    {"tag/emlog", Target::Tag, "emlog", 1, true},
    {"?record=201205", Target::Month, "201205"},
    {"record/201205", Target::Month, "201205"},
    {"?record=20120520", Target::Day, "20120520"},
    {"record/20120520", Target::Day, "20120520"},
    {"?author=1", Target::Author, "1", 1, true},
    {"author/1", Target::Author, "1"},
    {"author/1/page/2", Target::Author, "1", 2},
    {"rss.php", Target::Feed, ""},
    {"?keyword=MariaDB", Target::Search, "MariaDB"},
    // pro's, by the blog's settings (directory addresses, short ones): /N and /N.html, a category's own
    // address, under its parent's alias, and its later pages.
    {"9", Target::Article, "9"},
    {"10.html", Target::Article, "10"},
    {"photo", Target::Category, "6"},
    {"tech/linux", Target::Category, "3"},
    {"life/page/2", Target::Category, "1", 2},
};

// Addresses that name nothing here: WordPress answers them as it would without the plugin.
const char* const unknownAddresses[] = {
    "?post=9999",
    "post-9999.html",
    "post/14",
    "?post=11",
    "9999.html",
    "no-such-alias",
    "life/no-such-alias",
    "sort/nowhere",
    "?sort=7",
    "tag/%E6%B2%A1%E6%9C%89",
    "record/209901",
    "?record=201313",
    "author/9999",
    // The sample's user 5 has published nothing: its login-based nicename is not told.
    "author/5",
    "?author=5",
    // A short address of no article, a category under another's alias, a category's alias as .html;
    // a download whose file was not copied (no files in these runs) has no address of WordPress's.
    "9999",
    "life/linux",
    "photo.html",
    "?resource_alias=Tz3kQ9vL2mX8pR4a",
};

// Addresses made to lead elsewhere; the blog also holds an article alias "http://evil.example"
// and tags "//evil.example/" and "http://evil.example". A leading "/" makes the path start with "//".
const char* const hostileAddresses[] = {
    "/evil.example/",
    "http://evil.example",
    "%2F%2Fevil.example",
    "%2F%2Fevil.example.html",
    "http:%2F%2Fevil.example",
    "life/http:%2F%2Fevil.example",
    "tag/%2F%2Fevil.example%2F",
    "tag/http:%2F%2Fevil.example",
    "?tag=//evil.example/",
    "?tag=http://evil.example",
    "sort/%2F%2Fevil.example",
    "?post=//evil.example",
    "?keyword=//evil.example",
    "record/%2F%2Fevil.example",
};

class RedirectsTest : public ::testing::TestWithParam<Serving>
{
protected:
    void SetUp() override
    {
        loadSampleBlog(emlog.name());
        migrate();
        storeHostileAliasAndTag();
    }

    // The whole sample through the run the window starts, WordPress emptied first.
    void migrate()
    {
        MigrationRunner runner;
        runner.setPacing(Pacing::none());
        RunSettings settings = testServerSettings(emlog.name(), wordpress.name());
        settings.emptyWordPressFirst = true;
        runToEnd(runner, settings);
    }

    // An article alias and a tag that look like other sites' addresses.
    void storeHostileAliasAndTag()
    {
        MysqlSession& wp = wordpress.admin();
        const std::string article = wordPressId(origin::article, "9");
        execute(wp, "INSERT INTO wp_postmeta (post_id, meta_key, meta_value) VALUES (" + article + ", '" +
                        std::string(origin::aliasKey) + "', 'http://evil.example')");
        for (const char* name : {"//evil.example/", "http://evil.example"}) {
            execute(wp, std::string("INSERT INTO wp_terms (name, slug) VALUES ('") + name + "', '" +
                            QString::fromUtf8(QUrl::toPercentEncoding(name)).toStdString() + "')");
            execute(wp, "INSERT INTO wp_term_taxonomy (term_id, taxonomy, description, count)"
                        " VALUES (LAST_INSERT_ID(), 'post_tag', '', 1)");
            execute(wp, "INSERT INTO wp_term_relationships (object_id, term_taxonomy_id) VALUES (" + article +
                            ", LAST_INSERT_ID())");
        }
    }

    // The WordPress id of a row copied from emlog, found by its origin.
    std::string wordPressId(const OriginKey& origin, const std::string& emlogId)
    {
        const std::string id = queryValue(wordpress.admin(), "SELECT " + std::string(origin.ownerColumn) + " FROM wp_" +
                                                                 std::string(origin.metaTable) + " WHERE meta_key='" +
                                                                 std::string(origin.key) + "' AND meta_value='" +
                                                                 emlogId + "' ORDER BY 1 LIMIT 1");
        EXPECT_FALSE(id.empty()) << origin.key << "=" << emlogId;
        return id;
    }

    // The object an address should reach, as site.php names it, and what its page's title shows.
    std::pair<QString, QString> expected(const Address& row)
    {
        const std::string key = row.key;
        const QDate day =
            QDate::fromString(QString::fromStdString(key.size() == 6 ? key + "01" : key), QStringLiteral("yyyyMMdd"));
        const QLocale english(QLocale::English);
        switch (row.target) {
        case Target::Article:
            return {"post:" + qs(wordPressId(origin::article, key)),
                    qs(queryValue(emlog.admin(), "SELECT title FROM emlog_blog WHERE gid=" + key))};
        case Target::Category:
            return {"term:" + qs(wordPressId(origin::category, key)),
                    qs(queryValue(emlog.admin(), "SELECT sortname FROM emlog_sort WHERE sid=" + key))};
        case Target::Tag:
            return {"term:" + qs(queryValue(wordpress.admin(),
                                            "SELECT t.term_id FROM wp_terms t JOIN wp_term_taxonomy x ON"
                                            " x.term_id=t.term_id AND x.taxonomy='post_tag' WHERE t.name='" +
                                                key + "'")),
                    qs(key)};
        case Target::Month:
            return {QStringLiteral("month:%1:%2").arg(day.year()).arg(day.month()),
                    english.toString(day, QStringLiteral("MMMM yyyy"))};
        case Target::Day:
            return {QStringLiteral("day:%1:%2:%3").arg(day.year()).arg(day.month()).arg(day.day()),
                    english.toString(day, QStringLiteral("MMMM d, yyyy"))};
        case Target::Author: {
            const std::string user = wordPressId(origin::user, key);
            return {"author:" + qs(user),
                    qs(queryValue(wordpress.admin(), "SELECT display_name FROM wp_users WHERE ID=" + user))};
        }
        case Target::Feed:                                                 // the blog's name heads the feed
            return {QStringLiteral("feed"), QStringLiteral("老李的博客")}; // emlog's, which WordPress took
        case Target::Search:
            return {"search:" + qs(key), qs(key)};
        }
        return {};
    }

    static QString qs(const std::string& text) { return QString::fromStdString(text); }

    QByteArray url(WordPressSite& site, const char* address) const { return site.home().toUtf8() + "/" + address; }

    // Sets the site up through WordPress's own API; gives WordPress's links to the objects named.
    std::map<QString, QString> setUpSite(WordPressSite& site, bool pluginOn, const QStringList& objects = {})
    {
        const std::string json =
            site.runScript(sourceDir() + "/scripts/wordpress/site.php",
                           QStringList{qs(GetParam().structure), pluginOn ? "on" : "off"} + objects);
        std::map<QString, QString> links;
        const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
        for (auto it = object.begin(); it != object.end(); ++it)
            links[it.key()] = it.value().toString();
        return links;
    }

    // The redirect's target as a browser takes it: WordPress may send its links with raw UTF-8.
    static QUrl resolved(const QByteArray& base, const QByteArray& location)
    {
        return QUrl::fromEncoded(base).resolved(QUrl(QString::fromUtf8(location)));
    }

    // Follows a redirect: the page must be there at once, with `title` in its title (quotes and
    // spaces aside, since WordPress dresses them).
    void expectPage(WordPressSite& site, const QUrl& url, const QString& title, int page)
    {
        const WordPressSite::Response response = site.fetch(url.toEncoded());
        ASSERT_EQ(response.status, 200) << url.toString().toStdString() << " -> " << response.location.toStdString();
        const auto match =
            QRegularExpression(QStringLiteral("<title>(.*?)</title>"), QRegularExpression::DotMatchesEverythingOption)
                .match(response.body);
        const QString shown = QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText();
        static const QRegularExpression dressing(QStringLiteral("[\\s'\"‘’“”]"));
        EXPECT_TRUE(QString(shown).remove(dressing).contains(QString(title).remove(dressing)))
            << url.toString().toStdString() << ": \"" << shown.toStdString() << "\", expected \"" << title.toStdString()
            << "\"";
        if (page > 1) {
            EXPECT_TRUE(shown.contains(QStringLiteral("Page %1").arg(page))) << shown.toStdString();
        }
    }

    void expectOnSite(WordPressSite& site, const QByteArray& requested, const QByteArray& location)
    {
        if (location.isEmpty())
            return;
        const QUrl target = resolved(requested, location);
        const QUrl home(site.home());
        EXPECT_TRUE(target.scheme() == home.scheme() && target.host() == home.host() && target.port() == home.port())
            << requested.toStdString() << " -> " << location.toStdString();
        EXPECT_FALSE(location.startsWith("//") || location.startsWith("/\\")) << location.toStdString();
    }

    TestDatabase emlog{"redirects_emlog"};
    WordPressDatabase wordpress{"redirects_wp"};
};

TEST_P(RedirectsTest, OldAddressesLeadToTheirPages)
{
    WordPressSite site(wordpress.name(), "wp_", qs(GetParam().subdirectory));
    setUpSite(site, false);
    std::map<const char*, WordPressSite::Response> without;
    for (const char* address : unknownAddresses)
        without[address] = site.fetch(url(site, address));

    // Articles linking to the old site's address ("?post=31" in article 37) lead to WordPress's page.
    const std::vector<Row> linking =
        queryRows(emlog.admin(), "SELECT gid FROM emlog_blog WHERE hide='n' AND checked='y' AND password=''"
                                 " AND date<=UNIX_TIMESTAMP()"
                                 " AND content LIKE CONCAT('%\"', (SELECT option_value FROM emlog_options"
                                 " WHERE option_name='blogurl'), '?post=%') ORDER BY gid");
    ASSERT_GE(linking.size(), 2u);
    QStringList objects;
    std::vector<std::pair<QString, QString>> expectations;
    for (const Address& row : oldAddresses) {
        expectations.push_back(expected(row));
        objects << expectations.back().first;
    }
    for (const Row& row : linking)
        objects << "post:" + qs(wordPressId(origin::article, *row[0]));
    // Article 16 jumps to its link (pro's blog.link); 17's is no web address.
    const QString jumping = "post:" + qs(wordPressId(origin::article, "16"));
    const QString notJumping = "post:" + qs(wordPressId(origin::article, "17"));
    objects << jumping << notJumping;
    const std::map<QString, QString> links = setUpSite(site, true, objects);

    for (std::size_t i = 0; i < std::size(oldAddresses); ++i) {
        const Address& row = oldAddresses[i];
        const auto& [object, title] = expectations[i];
        SCOPED_TRACE(std::string(row.address) + " -> " + object.toStdString());
        const QByteArray requested = url(site, row.address);
        const WordPressSite::Response response = site.fetch(requested);
        const QUrl link(links.at(object));
        if (row.wordPressToo &&
            (response.status == 200 || (response.status == 301 && resolved(requested, response.location) != link))) {
            // WordPress answers this form itself, and its answer stands: its own user 1 is not
            // emlog's user 1. The page it leads to must be there.
            const QUrl shown =
                response.status == 200 ? QUrl::fromEncoded(requested) : resolved(requested, response.location);
            EXPECT_EQ(site.fetch(shown.toEncoded()).status, 200) << shown.toString().toStdString();
            continue;
        }
        ASSERT_EQ(response.status, 301) << response.body.left(300).toStdString();
        const QUrl target = resolved(requested, response.location);
        if (row.page == 1) {
            EXPECT_EQ(target.toString().toStdString(), link.toString().toStdString());
        } else {
            EXPECT_TRUE(target.toString().startsWith(link.toString()) && target != link)
                << target.toString().toStdString();
        }
        expectPage(site, target, title, row.page);
    }

    for (const Row& row : linking) {
        SCOPED_TRACE("links in article " + *row[0]);
        const QUrl page(links.at("post:" + qs(wordPressId(origin::article, *row[0]))));
        const WordPressSite::Response response = site.fetch(page.toEncoded());
        ASSERT_EQ(response.status, 200) << page.toString().toStdString();
        // Under WordPress's home as its options keep it; this site answers on a port of its own.
        const QString home =
            qs(queryValue(wordpress.admin(), "SELECT option_value FROM wp_options WHERE option_name='home'"));
        const auto match =
            QRegularExpression("href=\"" + QRegularExpression::escape(home) + QStringLiteral("(/\\?p=(\\d+))\""))
                .match(response.body);
        ASSERT_TRUE(match.hasMatch()) << response.body.toStdString();
        const QUrl link(site.home() + match.captured(1));
        const WordPressSite::Response reached = site.fetch(link.toEncoded());
        ASSERT_TRUE(reached.status == 200 || reached.status == 301) << link.toString().toStdString();
        const std::string gid = queryValue(wordpress.admin(), "SELECT meta_value FROM wp_postmeta WHERE meta_key="
                                                              "'_emlog_gid' AND post_id=" +
                                                                  match.captured(2).toStdString());
        expectPage(site, reached.status == 200 ? link : resolved(link.toEncoded(), reached.location),
                   qs(queryValue(emlog.admin(), "SELECT title FROM emlog_blog WHERE gid=" + gid)), 1);
    }

    {
        // As emlog did: a 302 to the address, which a link that is none never gets.
        const WordPressSite::Response jump = site.fetch(QUrl(links.at(jumping)).toEncoded());
        EXPECT_EQ(jump.status, 302);
        EXPECT_EQ(jump.location.toStdString(), queryValue(emlog.admin(), "SELECT link FROM emlog_blog WHERE gid=16"));
        EXPECT_EQ(site.fetch(QUrl(links.at(notJumping)).toEncoded()).status, 200);
    }

    for (const char* address : unknownAddresses) {
        SCOPED_TRACE(address);
        const WordPressSite::Response response = site.fetch(url(site, address));
        EXPECT_EQ(response.status, without[address].status);
        EXPECT_EQ(response.location.toStdString(), without[address].location.toStdString());
    }

    for (const char* address : hostileAddresses) {
        SCOPED_TRACE(address);
        const QByteArray requested = url(site, address);
        const WordPressSite::Response response = site.fetch(requested);
        EXPECT_NE(response.status, 0);
        expectOnSite(site, requested, response.location);
    }

    EXPECT_EQ(site.debugLog().toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(Permalinks, RedirectsTest,
                         ::testing::Values(Serving{"Plain", "plain", ""}, Serving{"PostName", "/%postname%/", ""},
                                           Serving{"DatedInSubdirectory", "/%year%/%monthnum%/%postname%/", "/blog"}),
                         [](const ::testing::TestParamInfo<Serving>& info) { return std::string(info.param.name); });

} // namespace
