// A whole sample blog goes through the real window, and WordPress itself says what arrived.
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "Posts.h"
#include "Sessions.h"
#include "TestServer.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Prefixes
{
    std::string emlog;
    std::string wordPress;
};

std::string str(const QJsonValue& value)
{
    return value.isString() ? value.toString().toStdString() : std::to_string(value.toInteger());
}

std::string text(const std::optional<std::string>& value)
{
    return value.value_or("");
}

void PrintTo(const Prefixes& prefixes, std::ostream* out)
{
    *out << "emlog \"" << prefixes.emlog << "\", WordPress \"" << prefixes.wordPress << "\"";
}

class EndToEndTest : public ::testing::TestWithParam<Prefixes>
{
protected:
    EndToEndTest() : wordpress("e2e_wp", GetParam().wordPress) {}

    void SetUp() override
    {
        MessageBox::clearShown();
        loadSampleBlog(emlog.name(), GetParam().emlog);
    }

    void TearDown() override { closeSessions(); }

    // Fills in the window as a user would, empties WordPress first, presses Go and answers Yes.
    void migrate()
    {
        MigrationWindow window;
        window.show();
        const QString address = QString::fromStdString(testServer().address());
        typeInto(window, QStringLiteral("txt_服务器_emlog"), address);
        typeInto(window, QStringLiteral("txt_数据库_emlog"), QString::fromStdString(emlog.name()));
        typeInto(window, QStringLiteral("txt_前缀_emlog"), QString::fromStdString(GetParam().emlog));
        typeInto(window, QStringLiteral("txt_服务器_Wp"), address);
        typeInto(window, QStringLiteral("txt_数据库_Wp"), QString::fromStdString(wordpress.name()));
        typeInto(window, QStringLiteral("txt_前缀_Wp"), QString::fromStdString(GetParam().wordPress));
        window.findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(true);
        window.runner()->setPacing(Pacing::none());
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnGo")), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([] { return boxesWithText(QStringLiteral("转换完成")) == 1; }, 120000));
        const auto& done = MessageBox::shown().last();
        EXPECT_TRUE(done.detail.isEmpty()) << done.text.toStdString() << "\n" << done.detail.toStdString();
        // The time and the two sessions' encryption, but no failure summary after them.
        EXPECT_TRUE(done.text.endsWith(QStringLiteral("\nemlog：未加密\nWordPress：未加密")))
            << done.text.toStdString();
    }

    QJsonObject wordPressView()
    {
        const std::string json =
            runWordPressScript(sourceDir() + "/scripts/wordpress/view.php", wordpress.name(), GetParam().wordPress);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return document.object();
    }

    // Rows of the emlog sample, through the table prefix of this run ({p} in the query).
    std::vector<Row> emlogRows(std::string sql)
    {
        for (std::size_t at; (at = sql.find("{p}")) != std::string::npos;)
            sql.replace(at, 3, GetParam().emlog);
        return queryRows(emlog.admin(), sql);
    }

    // A date-time column of emlog as the blog showed it (+8 hours) and in UTC, computed by the server.
    static std::string local(const std::string& column)
    {
        return "DATE_FORMAT(DATE_ADD('1970-01-01 08:00:00', INTERVAL " + column + " SECOND), '%Y-%m-%d %H:%i:%s')";
    }
    static std::string utc(const std::string& column)
    {
        return "DATE_FORMAT(DATE_ADD('1970-01-01 00:00:00', INTERVAL " + column + " SECOND), '%Y-%m-%d %H:%i:%s')";
    }
    static std::string published(const std::string& alias) { return alias + ".hide='n' AND " + alias + ".checked='y'"; }

    void checkPosts(const QJsonArray& posts);
    void checkComments(const QJsonArray& comments);
    void checkAttachments(const QJsonArray& attachments);
    void checkCategories(const QJsonArray& widget, const QJsonArray& all);
    void checkTags(const QJsonArray& tags);
    void checkLinks(const QJsonArray& links);

    TestDatabase emlog{"e2e_emlog"};
    WordPressDatabase wordpress;
};

// WordPress served by PHP's own web server on a free port of 127.0.0.1, for as long as this lives.
class WordPressSite
{
public:
    WordPressSite(const std::string& database, const std::string& prefix)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const std::string root = qEnvironmentVariable("KESTREL_WORDPRESS_ROOT").toStdString();
        environment.insert(QStringLiteral("WP_DB_HOST"), QString::fromStdString(testServer().address()));
        environment.insert(QStringLiteral("WP_DB_NAME"), QString::fromStdString(database));
        environment.insert(QStringLiteral("WP_TABLE_PREFIX"), QString::fromStdString(prefix));
        environment.insert(QStringLiteral("WP_HOME"), home());
        m_server.setProcessEnvironment(environment);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("php"), {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                                               QStringLiteral("-t"), QString::fromStdString(root)});
        m_server.waitForStarted();
        waitUntil(
            [this] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, m_port);
                return socket.waitForConnected(100);
            },
            10000);
    }

    ~WordPressSite()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    QString home() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

    // GETs a page; gives the HTTP status and the body.
    std::pair<int, QString> get(const QString& path)
    {
        QNetworkAccessManager network;
        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(home() + path)));
        waitUntil([reply] { return reply->isFinished(); }, 60000);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QString body = QString::fromUtf8(reply->readAll());
        reply->deleteLater();
        return {status, body};
    }

private:
    quint16 m_port = 0;
    QProcess m_server;
};

// The first plain word of a text (two Han characters, or five letters), outside any HTML tag:
// what a page shows of it however WordPress dresses quotes and paragraphs.
QString plainWord(const std::string& html)
{
    QString plain = QString::fromStdString(html);
    plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    const auto match = QRegularExpression(QStringLiteral("\\p{Han}{2,}|[A-Za-z]{5,}")).match(plain);
    return match.hasMatch() ? match.captured(0) : QString();
}

void EndToEndTest::checkPosts(const QJsonArray& posts)
{
    const std::string address = quotedLiteral(emlog.admin(), std::string(siteAddress));
    const auto expected =
        emlogRows("SELECT b.gid, IF(b.hide='y' OR b.checked='n','draft','publish'), REPLACE(b.title, '''', '’'),"
                  " REPLACE(REPLACE(b.content, '''', '’'), " +
                  address + ", '..'), " + local("b.date") + ", " + utc("b.date") +
                  ", b.password, s.sortname FROM {p}blog b LEFT JOIN {p}sort s ON s.sid=b.sortid ORDER BY b.gid");
    std::map<std::string, std::vector<std::string>> tagsOf;
    for (const Row& row :
         emlogRows("SELECT b.gid, t.tagname FROM {p}blog b JOIN {p}tag t ON FIND_IN_SET(b.gid, t.gid)"))
        tagsOf[text(row[0])].push_back(text(row[1]));

    std::map<std::string, QJsonObject> byId;
    for (const QJsonValue& post : posts)
        byId[str(post[QStringLiteral("ID")])] = post.toObject();
    EXPECT_EQ(byId.size(), expected.size());

    for (const Row& row : expected) {
        const std::string gid = text(row[0]);
        SCOPED_TRACE("article gid=" + gid);
        ASSERT_TRUE(byId.count(gid));
        const QJsonObject& post = byId[gid];
        EXPECT_EQ(str(post[QStringLiteral("status")]), text(row[1]));
        EXPECT_EQ(str(post[QStringLiteral("title")]), text(row[2]));
        EXPECT_EQ(str(post[QStringLiteral("content")]), text(row[3]));
        EXPECT_EQ(str(post[QStringLiteral("date")]), text(row[4]));
        EXPECT_EQ(str(post[QStringLiteral("modified")]), text(row[4]));
        EXPECT_EQ(str(post[QStringLiteral("date_gmt")]), text(row[5]));
        EXPECT_EQ(str(post[QStringLiteral("modified_gmt")]), text(row[5]));
        EXPECT_EQ(str(post[QStringLiteral("password")]), text(row[6]));

        std::vector<std::string> categories;
        for (const QJsonValue& name : post[QStringLiteral("categories")].toArray())
            categories.push_back(str(name));
        EXPECT_EQ(categories, row[7] ? std::vector<std::string>{*row[7]} : std::vector<std::string>{});

        std::vector<std::string> tags;
        for (const QJsonValue& name : post[QStringLiteral("tags")].toArray())
            tags.push_back(str(name));
        std::vector<std::string> expectedTags = tagsOf[gid];
        std::sort(expectedTags.begin(), expectedTags.end());
        EXPECT_EQ(tags, expectedTags);
    }
}

void EndToEndTest::checkComments(const QJsonArray& comments)
{
    const auto expected = emlogRows("SELECT cid, gid, pid, poster, comment, mail, url, ip, IF(hide='y','0','1'), " +
                                    local("date") + ", " + utc("date") + " FROM {p}comment ORDER BY cid");
    EXPECT_EQ(static_cast<std::size_t>(comments.size()), expected.size());

    // WordPress numbers comments itself: find each by what it says, where and when.
    std::map<std::string, std::vector<QJsonObject>> unclaimed;
    auto key = [](const std::string& post, const std::string& author, const std::string& content,
                  const std::string& date) { return post + '\x1f' + author + '\x1f' + content + '\x1f' + date; };
    for (const QJsonValue& comment : comments)
        unclaimed[key(str(comment[QStringLiteral("post_id")]), str(comment[QStringLiteral("author")]),
                      str(comment[QStringLiteral("content")]), str(comment[QStringLiteral("date_gmt")]))]
            .push_back(comment.toObject());

    std::map<std::string, QJsonObject> byCid;
    for (const Row& row : expected) {
        SCOPED_TRACE("comment cid=" + text(row[0]));
        auto& candidates = unclaimed[key(text(row[1]), text(row[3]), text(row[4]), text(row[10]))];
        ASSERT_FALSE(candidates.empty());
        const QJsonObject comment = candidates.front();
        candidates.erase(candidates.begin());
        byCid[text(row[0])] = comment;
        EXPECT_EQ(str(comment[QStringLiteral("email")]), text(row[5]));
        EXPECT_EQ(str(comment[QStringLiteral("url")]), text(row[6]));
        EXPECT_EQ(str(comment[QStringLiteral("ip")]), text(row[7]));
        EXPECT_EQ(str(comment[QStringLiteral("approved")]), text(row[8]));
        EXPECT_EQ(str(comment[QStringLiteral("date")]), text(row[9]));
    }
    for (const Row& row : expected) {
        SCOPED_TRACE("comment cid=" + text(row[0]) + " replying to " + text(row[2]));
        const auto parent = byCid.find(text(row[2]));
        const std::string expectedParent = parent != byCid.end() ? str(parent->second[QStringLiteral("id")]) : "0";
        EXPECT_EQ(str(byCid[text(row[0])][QStringLiteral("parent")]), expectedParent);
    }
}

void EndToEndTest::checkAttachments(const QJsonArray& attachments)
{
    const auto expected = emlogRows("SELECT aid, blogid, filename, filepath,"
                                    " IF(LOWER(filename) REGEXP '^[^.]*[.](jpg|gif|png|bmp)[.]?$', 'image/jpeg', '')"
                                    " FROM {p}attachment ORDER BY aid");
    EXPECT_EQ(static_cast<std::size_t>(attachments.size()), expected.size());
    std::map<std::string, std::vector<QJsonObject>> byParentAndTitle;
    for (const QJsonValue& attachment : attachments)
        byParentAndTitle[str(attachment[QStringLiteral("parent")]) + "/" + str(attachment[QStringLiteral("title")])]
            .push_back(attachment.toObject());
    for (const Row& row : expected) {
        SCOPED_TRACE("attachment aid=" + text(row[0]));
        auto& candidates = byParentAndTitle[text(row[1]) + "/" + text(row[2])];
        ASSERT_FALSE(candidates.empty());
        const QJsonObject attachment = candidates.front();
        candidates.erase(candidates.begin());
        EXPECT_EQ(str(attachment[QStringLiteral("mime")]), text(row[4]));
        EXPECT_EQ(str(attachment[QStringLiteral("url")]), text(row[3]));
    }
}

void EndToEndTest::checkCategories(const QJsonArray& widget, const QJsonArray& all)
{
    const auto expected =
        emlogRows("SELECT s.sid, s.sortname, s.pid, (SELECT COUNT(*) FROM {p}blog b WHERE b.sortid=s.sid"
                  " AND " +
                  published("b") + ") FROM {p}sort s ORDER BY s.sid");
    std::map<std::string, QJsonObject> byId;
    for (const QJsonValue& category : all)
        byId[str(category[QStringLiteral("term_id")])] = category.toObject();
    EXPECT_EQ(byId.size(), expected.size());

    std::map<std::string, std::string> parentOf;
    std::set<std::string> shown; // with published articles of their own or below them
    for (const Row& row : expected) {
        const std::string sid = text(row[0]);
        SCOPED_TRACE("category sid=" + sid);
        ASSERT_TRUE(byId.count(sid));
        EXPECT_EQ(str(byId[sid][QStringLiteral("name")]), text(row[1]));
        EXPECT_EQ(str(byId[sid][QStringLiteral("parent")]), text(row[2]));
        EXPECT_EQ(str(byId[sid][QStringLiteral("count")]), text(row[3]));
        parentOf[sid] = text(row[2]);
        if (text(row[3]) != "0")
            shown.insert(sid);
    }
    for (std::set<std::string> next = shown; !next.empty();) {
        std::set<std::string> parents;
        for (const std::string& sid : next) {
            if (parentOf.count(sid) && parentOf[sid] != "0" && shown.insert(parentOf[sid]).second)
                parents.insert(parentOf[sid]);
        }
        next = parents;
    }
    std::set<std::string> inWidget;
    for (const QJsonValue& category : widget)
        inWidget.insert(str(category[QStringLiteral("term_id")]));
    EXPECT_EQ(inWidget, shown);
}

void EndToEndTest::checkTags(const QJsonArray& tags)
{
    std::multiset<std::pair<std::string, std::string>> expected;
    for (const Row& row : emlogRows("SELECT t.tagname, (SELECT COUNT(*) FROM {p}blog b WHERE FIND_IN_SET(b.gid, t.gid)"
                                    " AND " +
                                    published("b") + ") FROM {p}tag t"))
        expected.emplace(text(row[0]), text(row[1]));
    std::multiset<std::pair<std::string, std::string>> seen;
    for (const QJsonValue& tag : tags)
        seen.emplace(str(tag[QStringLiteral("name")]), str(tag[QStringLiteral("count")]));
    EXPECT_EQ(seen, expected);
}

void EndToEndTest::checkLinks(const QJsonArray& links)
{
    const auto expected =
        emlogRows("SELECT id, siteurl, sitename, description FROM {p}link WHERE hide='n' ORDER BY id");
    std::vector<Row> seen;
    for (const QJsonValue& link : links)
        seen.push_back({str(link[QStringLiteral("link_id")]), str(link[QStringLiteral("url")]),
                        str(link[QStringLiteral("name")]), str(link[QStringLiteral("description")])});
    std::sort(seen.begin(), seen.end(),
              [](const Row& a, const Row& b) { return std::stoll(*a[0]) < std::stoll(*b[0]); });
    EXPECT_EQ(seen, expected);
}

} // namespace

TEST_P(EndToEndTest, WordPressShowsTheWholeBlog)
{
    migrate();
    const QJsonObject view = wordPressView();
    {
        SCOPED_TRACE("posts");
        checkPosts(view[QStringLiteral("posts")].toArray());
    }
    {
        SCOPED_TRACE("comments");
        checkComments(view[QStringLiteral("comments")].toArray());
    }
    {
        SCOPED_TRACE("attachments");
        checkAttachments(view[QStringLiteral("attachments")].toArray());
    }
    {
        SCOPED_TRACE("categories");
        checkCategories(view[QStringLiteral("categories")].toArray(), view[QStringLiteral("all_categories")].toArray());
    }
    {
        SCOPED_TRACE("tags");
        checkTags(view[QStringLiteral("tags")].toArray());
    }
    {
        SCOPED_TRACE("links");
        checkLinks(view[QStringLiteral("links")].toArray());
    }
}

TEST_P(EndToEndTest, APostPageShowsItsArticleCategoryAndOnlyApprovedComments)
{
    // A published, unprotected article in a category, with a shown and a hidden comment.
    const auto picked = emlogRows(
        "SELECT b.gid, b.title, b.content, s.sortname,"
        " (SELECT comment FROM {p}comment c WHERE c.gid=b.gid AND c.hide='n' ORDER BY c.cid LIMIT 1) AS shown,"
        " (SELECT comment FROM {p}comment c WHERE c.gid=b.gid AND c.hide='y' ORDER BY c.cid LIMIT 1) AS hidden"
        " FROM {p}blog b JOIN {p}sort s ON s.sid=b.sortid WHERE " +
        published("b") +
        " AND b.password='' AND"
        " b.type='blog' HAVING shown IS NOT NULL AND hidden IS NOT NULL ORDER BY b.gid LIMIT 1");
    ASSERT_EQ(picked.size(), 1u);
    const Row& article = picked[0];
    migrate();

    WordPressSite site(wordpress.name(), GetParam().wordPress);
    const auto [status, page] = site.get(QStringLiteral("/?p=%1").arg(QString::fromStdString(text(article[0]))));
    ASSERT_EQ(status, 200) << page.left(2000).toStdString();
    for (const std::size_t column : {1, 2, 3, 4}) {
        const QString word = plainWord(text(article[column]));
        ASSERT_FALSE(word.isEmpty()) << column;
        EXPECT_TRUE(page.contains(word)) << "column " << column << ": " << word.toStdString();
    }
    const QString hidden = plainWord(text(article[5]));
    ASSERT_FALSE(hidden.isEmpty());
    EXPECT_FALSE(page.contains(hidden)) << hidden.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Prefixes, EndToEndTest,
                         ::testing::Values(Prefixes{"emlog_", "wp_"}, Prefixes{"blog_", "wp2_"}),
                         [](const ::testing::TestParamInfo<Prefixes>& info) {
                             return info.param.emlog == "emlog_" ? std::string("DefaultPrefixes")
                                                                 : std::string("OtherPrefixes");
                         });
