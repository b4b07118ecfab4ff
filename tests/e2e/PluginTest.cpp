// kestrel-cli --wp-url: the sample blog goes into a WordPress that Kestrel reaches only by its address,
// over HTTPS (stunnel in front of PHP's server), through the Kestrel Receiver plugin. WordPress's
// database is never named to Kestrel; WordPress itself says what arrived.
#include "BackupForms.h"
#include "SampleRun.h"
#include "TestServer.h"
#include "WordPressSite.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct CliResult
{
    int status = -1;
    QString output;
};

class PluginTest : public ::testing::Test, public SampleRun
{
protected:
    explicit PluginTest(const QStringList& siteEnvironment = {})
        : site(wordpress.name(), wordpress.prefix(), {}, WordPressSite::Served::BehindTls, siteEnvironment)
    {
        m_backup =
            writeBackupFile("plugin_backup_" + wordpress.name() + ".sql",
                            backupOf(emlog.admin(), emlog.name(), "emlog_", BackupForm::ProColumns), Packing::Plain);
    }
    ~PluginTest() override { std::remove(m_backup.c_str()); }

    // Switches receiving to `state` (scripts/wordpress/receiver.php) and gives a new application
    // password of `login`, made with `role` when missing; then the plugin's count of rows written.
    std::pair<std::string, std::string> receiving(const std::string& state, const std::string& login = "admin",
                                                  const std::string& role = "administrator")
    {
        const std::string printed = site.runScript(
            sourceDir() + "/scripts/wordpress/receiver.php",
            {QString::fromStdString(state), QString::fromStdString(login), QString::fromStdString(role)});
        const auto end = printed.find('\n');
        return {printed.substr(0, end), printed.substr(end + 1)};
    }

    // Tools → Kestrel as the administrator sees it, after pressing its button when `press` says on or off.
    std::string page(const QString& press = {})
    {
        QStringList arguments = {QStringLiteral("page")};
        if (!press.isEmpty())
            arguments += press;
        return site.runScript(sourceDir() + "/scripts/wordpress/receiver.php", arguments);
    }

    // The emlog backup into the site, as a user types it; the password as KESTREL_WP_PASSWORD.
    CliResult run(const std::string& password, const QStringList& options = {}, const QString& url = {},
                  const std::string& login = "admin")
    {
        QStringList arguments = {QStringLiteral("--emlog-backup=") + QString::fromStdString(m_backup),
                                 QStringLiteral("--wp-url=") + (url.isEmpty() ? site.home() + "/" : url),
                                 QStringLiteral("--wp-user=") + QString::fromStdString(login),
                                 QStringLiteral("--pacing=none")};
        arguments += options;
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("KESTREL_DB_PASSWORD_FILE"));
        environment.insert(QStringLiteral("KESTREL_WP_PASSWORD"), QString::fromStdString(password));
        cli.setProcessEnvironment(environment);
        cli.setProcessChannelMode(QProcess::MergedChannels);
        cli.start(QStringLiteral(KESTREL_CLI_PATH), arguments);
        cli.waitForFinished(300000);
        return {cli.exitCode(), QString::fromUtf8(cli.readAll())};
    }

    QStringList trustingTestCa() const
    {
        return {QStringLiteral("--wp-ca=") + QString::fromStdString(testCertificates().ca)};
    }

    // How many rows each table a run writes holds.
    std::string everyRow()
    {
        std::string rows;
        for (const char* table :
             {"posts", "postmeta", "comments", "terms", "term_taxonomy", "links", "users", "options"})
            rows += queryValue(wordpress.admin(), "SELECT COUNT(*) FROM " + wordpress.table(table)) + " ";
        return rows;
    }

    WordPressSite site;
    std::string m_backup;
};

// Every third answer to Kestrel's statements is cut off halfway, after the plugin did its work.
class PluginLostAnswersTest : public PluginTest
{
protected:
    PluginLostAnswersTest()
        : PluginTest({QStringLiteral("WP_TEST_HOOKS=") + QString::fromStdString(sourceDir()) +
                          QStringLiteral("/scripts/wordpress/lose-answers.php"),
                      QStringLiteral("WP_LOSE_EVERY=3")})
    {
    }
};

// A host whose PHP stops a request after 2 seconds, in front of a database that takes 13 µs for each
// byte of statements. The sample's longest article takes 1.8 s there, and a batch of it with others more.
class PluginSlowSiteTest : public PluginTest
{
protected:
    PluginSlowSiteTest()
        : PluginTest({QStringLiteral("WP_TEST_HOOKS=") + QString::fromStdString(sourceDir()) +
                          QStringLiteral("/scripts/wordpress/slow-site.php"),
                      QStringLiteral("WP_TIME_LIMIT=2"), QStringLiteral("WP_SLOW_US=13")})
    {
    }

    std::int64_t testOption(const std::string& name)
    {
        return std::atoll(queryValue(wordpress.admin(), "SELECT option_value FROM " + wordpress.table("options") +
                                                            " WHERE option_name='" + name + "'")
                              .c_str());
    }
};

} // namespace

TEST_F(PluginTest, TheWholeBlogArrivesAsThroughMySqlAndARunAgainChangesNothing)
{
    // Switched on as an administrator does it: the button of Tools → Kestrel, with the form's nonce.
    const std::string password = receiving("off").first;
    EXPECT_NE(page().find("未在接收"), std::string::npos);
    EXPECT_NE(page("on").find("正在接收，直到"), std::string::npos);
    const CliResult first = run(password, trustingTestCa());
    // The sample's rows that name an owner it lacks fail, as they do through MySQL.
    EXPECT_EQ(first.status, 1) << first.output.toStdString();
    EXPECT_TRUE(first.output.contains(QStringLiteral("文章：读取 40 行，写入 40 行"))) << first.output.toStdString();
    const QJsonObject view = wordPressView();
    checkWholeBlog(view);
    // Tools → Kestrel counts by kind what the run wrote: the 40 articles and pages, 15 attachments,
    // 3 微语 and the image of one, 9 menu items, the site's navigation and 2 reusable blocks.
    EXPECT_NE(page().find("<td>文章、页面与附件</td><td>71</td>"), std::string::npos) << page();

    const CliResult again = run(password, trustingTestCa());
    EXPECT_TRUE(again.output.contains(QStringLiteral("文章：读取 40 行，写入 0 行，已存在 40 行")))
        << again.output.toStdString();
    EXPECT_EQ(QJsonDocument(wordPressView()).toJson().toStdString(), QJsonDocument(view).toJson().toStdString());
}

TEST_F(PluginTest, RefusedWithNothingWritten)
{
    struct Case
    {
        const char* name;
        const char* state; // receiving, as receiver.php sets it
        const char* login;
        const char* role;
        enum { Right, Wrong, None } password;
        bool trustTestCa;
        QStringList options;
        const char* url; // empty: the site's https address; %1 stands for the site's TLS port
        QString message;
    };
    const QString otherCa = QStringLiteral("--wp-ca=") + QString::fromStdString(testCertificates().otherCa);
    const Case cases[] = {
        {"no credentials",
         "on",
         "admin",
         "administrator",
         Case::None,
         true,
         {},
         "",
         QStringLiteral("不认这个用户名和应用程序密码")},
        {"wrong password",
         "on",
         "admin",
         "administrator",
         Case::Wrong,
         true,
         {},
         "",
         QStringLiteral("不认这个用户名和应用程序密码")},
        {"an editor's application password",
         "on",
         "editor1",
         "editor",
         Case::Right,
         true,
         {},
         "",
         QStringLiteral("不是管理员")},
        {"receiving off",
         "off",
         "admin",
         "administrator",
         Case::Right,
         true,
         {},
         "",
         QStringLiteral("wp-admin/tools.php?page=kestrel")},
        {"receiving expired",
         "expired",
         "admin",
         "administrator",
         Case::Right,
         true,
         {},
         "",
         QStringLiteral("没有在接收")},
        {"plugin not active",
         "absent",
         "admin",
         "administrator",
         Case::Right,
         true,
         {},
         "",
         QStringLiteral("没有 Kestrel Receiver 插件")},
        {"certificate of a CA the system does not know",
         "on",
         "admin",
         "administrator",
         Case::Right,
         false,
         {},
         "",
         QStringLiteral("证书验证不通过")},
        {"certificate of another CA",
         "on",
         "admin",
         "administrator",
         Case::Right,
         false,
         {otherCa},
         "",
         QStringLiteral("证书验证不通过")},
        {"http to an address not this machine",
         "on",
         "admin",
         "administrator",
         Case::Right,
         true,
         {},
         "http://127.0.0.2:%1/",
         QStringLiteral("不是 https 地址")},
        {"--wp-url with --wp-database",
         "on",
         "admin",
         "administrator",
         Case::Right,
         true,
         {QStringLiteral("--wp-database=wordpress")},
         "",
         QStringLiteral("不能与 --wp-database 同用")},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string password = receiving(test.state, test.login, test.role).first;
        const std::string before = everyRow();
        const std::string sent = test.password == Case::Right   ? password
                                 : test.password == Case::Wrong ? "abcd efgh ijkl mnop qrst uvwx"
                                                                : "";
        QStringList options = test.options;
        if (test.trustTestCa)
            options += trustingTestCa();
        const QString url = *test.url ? QString::fromLatin1(test.url).arg(QUrl(site.home()).port()) : QString();
        const CliResult result = run(sent, options, url, test.login);
        EXPECT_EQ(result.status, 2) << result.output.toStdString();
        EXPECT_TRUE(result.output.contains(test.message)) << result.output.toStdString();
        EXPECT_FALSE(result.output.contains(QString::fromStdString(password)) && !password.empty());
        EXPECT_EQ(everyRow(), before);
    }
}

TEST_F(PluginTest, ThePluginTouchesNothingButThisSite)
{
    const std::string password = receiving("on").first;
    const QByteArray authorization = "Basic " + QByteArray("admin:" + QByteArray::fromStdString(password)).toBase64();
    // Another site's tables in the same database, and another database on the same server.
    execute(wordpress.admin(), "CREATE TABLE other_posts (ID INT)");
    TestDatabase other("plugin_other");
    execute(other.admin(), "CREATE TABLE wp_posts (ID INT)");
    const std::string otherDb = other.name();
    struct Statement
    {
        std::string sql;
        bool allowed;
    };
    const Statement statements[] = {
        {"SELECT COUNT(*) FROM wp_posts", true},
        {"SELECT p.ID FROM wp_posts p JOIN wp_postmeta m ON m.post_id=p.ID LIMIT 1", true},
        {"SELECT COUNT(*) FROM " + otherDb + ".wp_posts", false},
        {"SELECT COUNT(*) FROM `" + otherDb + "`.`wp_posts`", false},
        {"SELECT COUNT(*) FROM wp_posts " + otherDb + ", " + otherDb + ".wp_posts", false},
        {"SELECT COUNT(*) FROM other_posts", false},
        {"SELECT COUNT(*) FROM wp_posts, other_posts", false},
        {"SELECT COUNT(*) FROM wp_posts WHERE ID IN (SELECT ID FROM other_posts)", false},
        {"SELECT COUNT(*) FROM (other_posts)", false},
        {"SELECT COUNT(*) FROM wp_posts UNION SELECT COUNT(*) FROM other_posts", false},
        {"SELECT User FROM mysql.user", false},
        {"SELECT SCHEMA_NAME FROM information_schema.SCHEMATA", false},
        {"SELECT post_title FROM wp_posts INTO OUTFILE '/tmp/kestrel-out'", false},
        {"SELECT LOAD_FILE('/etc/passwd')", false},
        {"LOAD DATA INFILE '/etc/passwd' INTO TABLE wp_posts", false},
        {"SELECT 1; DROP TABLE wp_posts", false},
        {"SELECT 1 /*!; DROP TABLE wp_posts */", false},
        {"SELECT 'a'' ; DROP TABLE wp_posts", false},
        {"DROP TABLE other_posts", false},
        {"SET GLOBAL general_log=1", false},
        {"SET SESSION sql_mode='ANSI_QUOTES'", false},
    };
    for (const Statement& statement : statements) {
        SCOPED_TRACE(statement.sql);
        const QByteArray json = "{\"statements\":[\"" + QByteArray::fromStdString(statement.sql).toBase64() + "\"]}";
        const auto response = site.post(QStringLiteral("/?rest_route=/kestrel/v1/statements"), json, authorization);
        ASSERT_EQ(response.status, 200) << response.body.toStdString();
        const QJsonObject result = QJsonDocument::fromJson(response.bytes)
                                       .object()
                                       .value(QStringLiteral("results"))
                                       .toArray()
                                       .at(0)
                                       .toObject();
        EXPECT_EQ(result.value(QStringLiteral("ok")).toBool(), statement.allowed) << response.body.toStdString();
    }
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA='" +
                                                wordpress.name() + "' AND TABLE_NAME IN ('wp_posts','other_posts')"),
              "2");

    struct File
    {
        const char* path;
        int status;
    };
    const File files[] = {
        {"kestrel-test/inside.txt", 200}, {"../outside.txt", 400},          {"kestrel-test/../../outside.txt", 400},
        {"/tmp/outside.txt", 400},        {"kestrel-test\\..\\x.txt", 400}, {"", 400},
    };
    for (const File& file : files) {
        SCOPED_TRACE(file.path);
        const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("path"), QString::fromUtf8(file.path)},
                                                          {QStringLiteral("data"), QStringLiteral("aGVsbG8=")}})
                                    .toJson(QJsonDocument::Compact);
        const auto response = site.post(QStringLiteral("/?rest_route=/kestrel/v1/file"), json, authorization);
        EXPECT_EQ(response.status, file.status) << response.body.toStdString();
    }
    const QString uploads = qEnvironmentVariable("KESTREL_WORDPRESS_ROOT") + QStringLiteral("/wp-content/");
    EXPECT_TRUE(QFile::exists(uploads + QStringLiteral("uploads/kestrel-test/inside.txt")));
    EXPECT_FALSE(QFile::exists(uploads + QStringLiteral("outside.txt")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/kestrel-out")));
    QFile::remove(uploads + QStringLiteral("uploads/kestrel-test/inside.txt"));
}

TEST_F(PluginLostAnswersTest, AnswersCutOffHalfwayAreAskedAfterAndNoRowArrivesTwice)
{
    const std::string password = receiving("on").first;
    const CliResult result = run(password, trustingTestCa());
    EXPECT_TRUE(result.output.contains(QStringLiteral("文章：读取 40 行，写入 40 行"))) << result.output.toStdString();
    // Each emlog row once, where it belongs (checkWholeBlog fails on an emlog id seen twice).
    checkWholeBlog(wordPressView());
    // lose-answers.php counts the requests it saw: a run of a few requests would show nothing.
    const std::string requests = queryValue(wordpress.admin(), "SELECT option_value FROM " +
                                                                   wordpress.table("options") +
                                                                   " WHERE option_name='kestrel_test_requests'");
    EXPECT_GE(std::atoi(requests.c_str()), 30) << requests;
}

TEST_F(PluginSlowSiteTest, RequestsAreSizedToEndWithinTheSitesTimeLimit)
{
    const std::string password = receiving("on").first;
    const CliResult result = run(password, trustingTestCa());
    EXPECT_TRUE(result.output.contains(QStringLiteral("文章：读取 40 行，写入 40 行"))) << result.output.toStdString();
    checkWholeBlog(wordPressView());
    EXPECT_EQ(testOption("kestrel_test_stopped"), 0);
    // The longest article went, alone.
    EXPECT_GT(testOption("kestrel_test_largest"), 100000);
}
