// What a reader sees in WordPress after a run, compared with what emlog showed them: WordPress's
// own rendering (the_content, get_the_title, comment_text, get_comment_author_link,
// get_the_term_list, get_post_time, through scripts/wordpress/shown.php) against emlog's (pro's
// Markdown through Parsedown with line breaks, names and comments escaped, tests/e2e/emlog-shown.php).
// The sample blog shows its times in a zone with summer time, and WordPress is served under the
// dated permalinks most WordPress sites use, without the redirect plugin.
#include "BlogRun.h"
#include "GuiTesting.h"
#include "TestServer.h"
#include "WordPressSite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

QJsonObject json(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::string compact(const QJsonValue& value)
{
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact).toStdString();
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact).toStdString();
    return value.isString() ? value.toString().toStdString() : std::to_string(value.toInteger());
}

class ShownAsEmlogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBox::clearShown();
        loadSampleBlog(emlog.name());
        execute(emlog.admin(), "UPDATE emlog_options SET option_value='Europe/Berlin' WHERE option_name='timezone'");
        migrateThroughWindow({emlog.name(), "emlog_", wordpress.name(), "wp_"});
    }

    QJsonObject emlogShown()
    {
        QProcess php;
        php.start(QStringLiteral("php"), {QString::fromStdString(sourceDir() + "/tests/e2e/emlog-shown.php"),
                                          QString::fromStdString(testServer().socket),
                                          QString::fromStdString(emlog.name()), QStringLiteral("emlog_")});
        php.waitForFinished(60000);
        EXPECT_EQ(php.exitCode(), 0) << php.readAllStandardError().toStdString();
        return QJsonDocument::fromJson(php.readAllStandardOutput()).object();
    }

    TestDatabase emlog{"shown_emlog"};
    WordPressDatabase wordpress{"shown_wp"};
};

TEST_F(ShownAsEmlogTest, ArticlesCommentsAndNamesReadAsEmlogShowedThem)
{
    const QJsonObject expected = emlogShown();
    const QJsonObject seen =
        json(runWordPressScript(sourceDir() + "/scripts/wordpress/shown.php", wordpress.name(), "wp_"));
    const QJsonObject expectedPosts = expected[QStringLiteral("posts")].toObject();
    const QJsonObject seenPosts = seen[QStringLiteral("posts")].toObject();
    ASSERT_FALSE(expectedPosts.isEmpty());
    for (const QString& gid : expectedPosts.keys()) {
        SCOPED_TRACE("article gid=" + gid.toStdString());
        ASSERT_TRUE(seenPosts.contains(gid));
        const QJsonObject post = seenPosts[gid].toObject();
        const QJsonObject emlogPost = expectedPosts[gid].toObject();
        for (const QString& key : emlogPost.keys())
            EXPECT_EQ(compact(post[key]), compact(emlogPost[key])) << key.toStdString();
    }

    // A visitor's comment or name shows as the text it is: the same characters, and no element
    // of it beyond WordPress's own paragraphs, line breaks and the links it makes of addresses.
    const QJsonObject expectedComments = expected[QStringLiteral("comments")].toObject();
    const QJsonObject seenComments = seen[QStringLiteral("comments")].toObject();
    ASSERT_GE(seenComments.size(), 60);
    for (const QString& cid : seenComments.keys()) {
        SCOPED_TRACE("comment cid=" + cid.toStdString());
        const QJsonObject comment = seenComments[cid].toObject();
        const QJsonObject emlogComment = expectedComments[cid].toObject();
        for (const char* part : {"text", "author"}) {
            const QJsonObject shown = comment[QLatin1String(part)].toObject();
            EXPECT_EQ(compact(shown[QStringLiteral("text")]),
                      compact(emlogComment[QLatin1String(part)].toObject()[QStringLiteral("text")]))
                << part;
            EXPECT_EQ(compact(shown[QStringLiteral("unsafe")]), "") << part;
            // Beyond those, only the bold text and links emlog made of a comment's UBB.
            for (const QString& element : shown[QStringLiteral("elements")].toString().split(u' ', Qt::SkipEmptyParts))
                EXPECT_TRUE(element == u"p" || element == u"br" || element == u"a" || element == u"b")
                    << part << element.toStdString();
        }
    }
    EXPECT_TRUE(
        seenComments[QStringLiteral("12")][QStringLiteral("text")][QStringLiteral("elements")].toString().contains(
            QStringLiteral("b a a")))
        << compact(seenComments[QStringLiteral("12")]);

    // 微语 read as emlog showed them, and their replies as the text they are (in WordPress's paragraphs).
    const QJsonObject expectedTwitter = expected[QStringLiteral("twitter")].toObject();
    const QJsonObject seenTwitter = seen[QStringLiteral("twitter")].toObject();
    EXPECT_EQ(expectedTwitter.size(), 3);
    EXPECT_EQ(seenTwitter.keys(), expectedTwitter.keys());
    for (const QString& id : expectedTwitter.keys())
        EXPECT_EQ(compact(seenTwitter[id]), compact(expectedTwitter[id])) << "微语 " << id.toStdString();
    const QJsonObject expectedReplies = expected[QStringLiteral("replies")].toObject();
    const QJsonObject seenReplies = seen[QStringLiteral("replies")].toObject();
    EXPECT_EQ(seenReplies.keys(), expectedReplies.keys());
    for (const QString& id : expectedReplies.keys()) {
        for (const char* part : {"text", "author"}) {
            const QJsonObject shown = seenReplies[id][QLatin1String(part)].toObject();
            EXPECT_EQ(compact(shown[QStringLiteral("text")]),
                      compact(expectedReplies[id][QLatin1String(part)][QStringLiteral("text")]))
                << "reply " << id.toStdString() << " " << part;
            EXPECT_EQ(compact(shown[QStringLiteral("unsafe")]), "");
            EXPECT_EQ(shown[QStringLiteral("elements")].toString().remove(QStringLiteral("p")).trimmed(), QString());
        }
    }
    // The status format's archive is the 微语's page: a private one is not on it (SampleRun checks the
    // home page's query too).
    WordPressSite site(wordpress.name(), "wp_");
    const auto [status, home] = site.get(QStringLiteral("/?post_format=status"));
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(home.contains(QStringLiteral("周末"))) << home.toStdString();
    EXPECT_TRUE(home.contains(QStringLiteral("第一条微语")));
    EXPECT_FALSE(home.contains(QStringLiteral("只有自己看得到")));
}

TEST_F(ShownAsEmlogTest, EveryLinkToTheBlogReachesItsPageUnderDatedPermalinks)
{
    WordPressSite site(wordpress.name(), "wp_");
    site.runScript(sourceDir() + "/scripts/wordpress/site.php",
                   {QStringLiteral("/%year%/%monthnum%/%day%/%postname%/"), QStringLiteral("off")});
    // Links name WordPress's home as its options keep it; this test's site answers on a port of its own.
    const QString home = QString::fromStdString(
        queryValue(wordpress.admin(), "SELECT option_value FROM wp_options WHERE option_name='home'"));
    const QString content = QString::fromStdString(
        queryValue(wordpress.admin(), "SELECT post_content FROM wp_posts p JOIN wp_postmeta m ON m.post_id=p.ID"
                                      " AND m.meta_key='_emlog_gid' AND m.meta_value='41'"));
    const auto title = [this](const std::string& gid) {
        return QString::fromStdString(queryValue(emlog.admin(), "SELECT title FROM emlog_blog WHERE gid=" + gid));
    };
    // The text of each link in article 41, and what the page it reaches shows.
    std::vector<std::pair<QString, QString>> links = {
        {QStringLiteral("动态地址"), title("2")},          {QStringLiteral("静态地址"), title("3")},
        {QStringLiteral("目录地址"), title("4")},          {QStringLiteral("数字地址"), title("5")},
        {QStringLiteral("分类下的地址"), title("6")},      {QStringLiteral("别名"), title("37")},
        {QStringLiteral("别名 html"), title("39")},        {QStringLiteral("后面的页面"), title("38")},
        {QStringLiteral("分类"), QStringLiteral("Linux")}, {QStringLiteral("分类号"), QStringLiteral("编程")},
        {QStringLiteral("标签"), QStringLiteral("Qt 5")},  {QStringLiteral("Markdown"), title("40")},
    };
    // pro's own: short addresses (the blog's is_sample_url), a category's and a child category's.
    links.insert(links.end(), {{QStringLiteral("短地址"), title("9")},
                               {QStringLiteral("短地址 html"), title("10")},
                               {QStringLiteral("分类的地址"), QStringLiteral("摄影")},
                               {QStringLiteral("子分类的地址"), QStringLiteral("Linux")}});
    for (const auto& [text, shows] : links) {
        SCOPED_TRACE(text.toStdString());
        const QRegularExpressionMatch link = QRegularExpression(QStringLiteral("<a href=[\"']([^\"']*)[\"']>") +
                                                                QRegularExpression::escape(text) + "</a>")
                                                 .match(content);
        ASSERT_TRUE(link.hasMatch()) << content.toStdString();
        const QString address = link.captured(1);
        ASSERT_TRUE(address.startsWith(home + "/")) << address.toStdString();
        const auto [status, page] = site.get(address.mid(home.size()));
        EXPECT_EQ(status, 200) << address.toStdString();
        // The page's title, quotes and spaces aside, since WordPress dresses them.
        const QString pageTitle =
            QTextDocumentFragment::fromHtml(QRegularExpression(QStringLiteral("<title>(.*?)</title>"),
                                                               QRegularExpression::DotMatchesEverythingOption)
                                                .match(page)
                                                .captured(1))
                .toPlainText();
        static const QRegularExpression dressing(QStringLiteral("[\\s'\"‘’“”]"));
        EXPECT_TRUE(QString(pageTitle).remove(dressing).contains(QString(shows).remove(dressing)))
            << address.toStdString() << ": \"" << pageTitle.toStdString() << "\", expected " << shows.toStdString();
    }
    EXPECT_TRUE(content.contains(QStringLiteral("<a href=\"") + home + "/\">首页</a>")) << content.toStdString();
    // Not the blog: a longer host.
    EXPECT_TRUE(content.contains(QStringLiteral("href=\"http://blog.example.com.cn/emlog/post-2.html\"")));
    // Without the files, pro's download links stay as written, as the blog's other file links do.
    EXPECT_TRUE(
        content.contains(QStringLiteral("href=\"http://blog.example.com/emlog/?resource_alias=Tz3kQ9vL2mX8pR4a\"")));
    EXPECT_TRUE(content.contains(
        QStringLiteral("href=\"http://blog.example.com/emlog/?resource_alias=Report_2013_abcd&amp;resource_filename=")))
        << content.toStdString();
    // Its image stays on the old blog until the files are copied.
    const QString article40 = QString::fromStdString(
        queryValue(wordpress.admin(), "SELECT post_content FROM wp_posts p JOIN wp_postmeta m ON m.post_id=p.ID"
                                      " AND m.meta_key='_emlog_gid' AND m.meta_value='40'"));
    EXPECT_TRUE(article40.contains(
        QStringLiteral("src=\"http://blog.example.com/emlog/content/uploadfile/202405/9a8b1716182040.png\"")));
    EXPECT_EQ(site.debugLog().toStdString(), "");
}

} // namespace
