// kestrel-cli runs the window's migration for a script: what it says, what it leaves, how it ends.
#include "CliTesting.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

using namespace kestrel::test;

namespace {

class CliRunTest : public ::testing::Test
{
protected:
    std::string count(const std::string& sql) { return queryValue(wordpress.admin(), sql); }
    std::string jsonPath() const { return std::string(::testing::TempDir()) + "/" + wordpress.name() + ".json"; }
    std::string backupDir() const { return std::string(::testing::TempDir()) + "/" + wordpress.name() + "-backups"; }

    TestDatabase emlog{"cli_emlog"};
    WordPressDatabase wordpress{"cli_wp"};
};

} // namespace

TEST_F(CliRunTest, ExitStatusSaysHowTheRunEnded)
{
    createCleanBlog(emlog.admin());
    struct Case
    {
        const char* what;
        std::vector<std::string> options;
        int status;
        const char* said;             // on standard output or error
        const char* before = nullptr; // a statement on WordPress first
    };
    const Case cases[] = {
        {"emptying without a terminal needs --yes", {"--empty-first"}, 2, "--yes"},
        {"unknown option", {"--bogus"}, 2, "bogus"},
        {"pacing is default or none", {"--pacing=fast"}, 2, "--pacing"},
        {"a prefix that would break statements", {"--wp-prefix=wp_;drop"}, 2, "--wp-prefix"},
        {"a password file that is not there", {"--emlog-password-file=/nonexistent/pw"}, 2, "/nonexistent/pw"},
        {"no server there", {"--emlog-server=127.0.0.1:1"}, 2, "emlog博客数据库连接失败."},
        {"no such database", {"--wp-database=kt_no_such_database"}, 2, "WordPress博客数据库连接失败."},
        {"a CA file asks for a verified session", {"--wp-ca=" + testCertificates().ca}, 2, "服务器不支持 TLS 加密"},
        {"not a fingerprint", {"--emlog-tls-fingerprint=AB:CD"}, 2, "--emlog-tls-fingerprint"},
        {"a fingerprint asks for TLS", {"--wp-tls-fingerprint=" + std::string(64, 'a')}, 2, "服务器不支持 TLS 加密"},
        {"every row arrives", {"--empty-first", "--yes", "--pacing=none"}, 0, "转换完成"},
        {"files go to an uploads folder", {"--emlog-files=/srv/blog"}, 2, "--wp-uploads"},
        {"without files the report says none were copied", {"--pacing=none"}, 0, "文件：没有复制"},
        {"files that cannot be read are reported, the rows still arrive",
         {"--emlog-files=/nonexistent/blog", "--wp-uploads=" + std::string(::testing::TempDir()) + "/cli-uploads",
          "--empty-first", "--yes", "--pacing=none"},
         1,
         "没有这个文件夹：/nonexistent/blog"},
        // These two last: they take WordPress's links table away.
        {"rows fail", {"--pacing=none"}, 1, "友情链接", "DROP TABLE wp_links"},
        {"emptying deletes nothing without a table", {"--empty-first", "--yes"}, 1, "wp_links 读不到"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before)
            execute(wordpress.admin(), c.before);
        Subprocess cli(cliArguments(emlog.name(), wordpress, c.options));
        EXPECT_EQ(cli.wait(), c.status) << cli.out() << cli.err();
        EXPECT_NE((cli.out() + cli.err()).find(c.said), std::string::npos) << cli.out() << cli.err();
        // Each note of the run is said once.
        for (const std::string note : {"时区：", "文件："}) {
            const std::string out = cli.out();
            std::size_t said = 0;
            for (std::size_t at = out.find(note); at != std::string::npos; at = out.find(note, at + 1))
                ++said;
            EXPECT_LE(said, 1u) << note << "\n" << out;
        }
        if (c.status == 2) { // refused before anything: the installer's posts and comment are still there
            EXPECT_EQ(count("SELECT COUNT(*) FROM wp_posts"), "3");
            EXPECT_EQ(count("SELECT COUNT(*) FROM wp_comments"), "1");
        }
    }
}

TEST_F(CliRunTest, SampleBlogReportInJsonIsWhatWordPressHolds)
{
    TestDatabase sample("cli_sample");
    loadSampleBlog(sample.name());
    // A link at the report's path, as another user could leave in a shared folder: replaced, never followed.
    const std::string victim = jsonPath() + ".victim";
    std::ofstream(victim) << "untouched";
    std::filesystem::remove(jsonPath());
    std::filesystem::create_symlink(victim, jsonPath());
    Subprocess cli(
        cliArguments(sample.name(), wordpress,
                     {"--empty-first", "--yes", "--pacing", "none", "--json", jsonPath(), "--backup-dir", backupDir()},
                     OptionForm::Separate));
    const int status = cli.wait();
    ASSERT_TRUE(status == 0 || status == 1) << cli.out() << cli.err();
    const QJsonObject report = readJsonReport(jsonPath());
    EXPECT_FALSE(std::filesystem::is_symlink(jsonPath()));
    EXPECT_EQ(std::filesystem::status(jsonPath()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::ifstream victimFile(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victimFile), {}), "untouched");
    std::remove(jsonPath().c_str());
    std::remove(victim.c_str());

    EXPECT_TRUE(report.value(QStringLiteral("completed")).toBool());
    // The test server is on this machine and offers no TLS: both sessions say so.
    const QJsonObject sessions = report.value(QStringLiteral("sessions")).toObject();
    for (const QString& blog : {QStringLiteral("emlog"), QStringLiteral("wordpress")}) {
        const QJsonObject session = sessions.value(blog).toObject();
        EXPECT_FALSE(session.value(QStringLiteral("encrypted")).toBool(true)) << blog.toStdString();
        EXPECT_EQ(session.value(QStringLiteral("certificateChecked")).toString(), QStringLiteral("none"));
    }
    EXPECT_NE(cli.out().find("emlog：未加密\nWordPress：未加密\n"), std::string::npos) << cli.out();
    EXPECT_GT(report.value(QStringLiteral("elapsedSeconds")).toDouble(), 0.0);
    const QJsonArray migrations = report.value(QStringLiteral("migrations")).toArray();
    EXPECT_GE(migrations.size(), 6);
    bool anyFailed = !report.value(QStringLiteral("otherFailures")).toArray().isEmpty();
    for (const QJsonValue& migration : migrations)
        anyFailed = anyFailed || migration.toObject().value(QStringLiteral("failed")).toInteger() > 0;
    EXPECT_EQ(status, anyFailed ? 1 : 0);
    expectReportMatchesWordPress(report, wordpress);
    EXPECT_NE(cli.out().find("文章：读取 40 行"), std::string::npos) << cli.out();

    // What emptying took (the installer's post, pages, comment and category), and the backup holding it.
    const QJsonObject emptied = report.value(QStringLiteral("emptiedFirst")).toObject();
    const std::string backup = emptied.value(QStringLiteral("backupFile")).toString().toStdString();
    EXPECT_EQ(std::filesystem::path(backup).parent_path(), std::filesystem::path(backupDir()));
    EXPECT_NE(cli.out().find(backup), std::string::npos) << cli.out();
    const QJsonObject deleted = emptied.value(QStringLiteral("deleted")).toObject();
    EXPECT_EQ(deleted.value(QStringLiteral("page")).toInteger(), 2);
    EXPECT_EQ(deleted.value(QStringLiteral("comment")).toInteger(), 1);
    std::ifstream file(backup);
    const std::string sql((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(sql.find("INSERT IGNORE INTO `wp_posts`"), std::string::npos) << sql.substr(0, 500);
    std::filesystem::remove_all(backupDir());
}

TEST_F(CliRunTest, ProgressOffATerminalIsAtMostOneLineASecond)
{
    createCleanBlog(emlog.admin(), 200); // three seconds at the window's pacing
    Subprocess cli(cliArguments(emlog.name(), wordpress, {"--empty-first", "--yes"}));
    ASSERT_EQ(cli.wait(), 0) << cli.err();
    const auto& lines = cli.errorLineTimes();
    ASSERT_GE(lines.size(), 2u) << cli.err();
    const double seconds = lines.back() - lines.front();
    EXPECT_LE(static_cast<double>(lines.size() - 1), seconds + 0.2) << cli.err();
    EXPECT_EQ(cli.err().find('\r'), std::string::npos);
    EXPECT_NE(cli.err().find("行/秒"), std::string::npos) << cli.err();
}

TEST_F(CliRunTest, CtrlCStopsAfterTheRowInFlightAndReportsWhatArrived)
{
    createCleanBlog(emlog.admin(), 200);
    Subprocess cli(cliArguments(emlog.name(), wordpress, {"--empty-first", "--yes", "--json", jsonPath()}));
    const std::string posts = "SELECT COUNT(*) FROM wp_posts WHERE post_type='post'";
    for (int i = 0; i < 600 && std::stoi(count(posts)) < 20; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(cli.pid(), SIGINT);
    ASSERT_EQ(cli.wait(), 130) << cli.out() << cli.err();

    const int arrived = std::stoi(count(posts));
    EXPECT_GE(arrived, 20);
    EXPECT_LT(arrived, 200);
    EXPECT_NE(cli.out().find("转换已中断"), std::string::npos) << cli.out();
    // Each article is a post and its category link: never one without the other.
    EXPECT_EQ(count("SELECT COUNT(*) FROM wp_posts p WHERE p.post_type='post' AND NOT EXISTS (SELECT 1 FROM "
                    "wp_term_relationships r WHERE r.object_id=p.ID)"),
              "0");
    EXPECT_EQ(count("SELECT COUNT(*) FROM wp_term_relationships r WHERE NOT EXISTS (SELECT 1 FROM wp_posts p WHERE "
                    "p.ID=r.object_id)"),
              "0");
    const QJsonObject report = readJsonReport(jsonPath());
    std::remove(jsonPath().c_str());
    EXPECT_FALSE(report.value(QStringLiteral("completed")).toBool());
    expectReportMatchesWordPress(report, wordpress);
}

TEST_F(CliRunTest, CheckAndRunAgreeOnWhatIsAlreadyThere)
{
    // The sample cut off after its articles: users (the administrator by login), categories, tags
    // and articles arrived, the comments at most in part.
    loadSampleBlog(emlog.name());
    {
        Subprocess cut(cliArguments(emlog.name(), wordpress, {"--empty-first", "--yes"}));
        const std::string articles = "SELECT COUNT(*) FROM wp_postmeta WHERE meta_key='_emlog_gid'";
        const int all = std::stoi(queryValue(emlog.admin(), "SELECT COUNT(*) FROM emlog_blog"));
        for (int i = 0; i < 1500 && std::stoi(count(articles)) < all; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        kill(cut.pid(), SIGINT);
        ASSERT_EQ(cut.wait(), 130) << cut.out() << cut.err();
    }

    // What --check finds already there, by the window's label: "  文章 12 行".
    const auto alreadyThere = [](const std::string& said) {
        std::map<QString, qint64> there;
        const QStringList lines = QString::fromStdString(said).split(QLatin1Char('\n'));
        auto line = std::find_if(lines.begin(), lines.end(), [](const QString& line) {
            return line.startsWith(QStringLiteral("已在 WordPress 中的行"));
        });
        for (line = line == lines.end() ? line : line + 1;
             line != lines.end() && line->startsWith(QStringLiteral("  ")); ++line) {
            const QStringList words = line->trimmed().split(QLatin1Char(' '));
            if (words.size() == 3)
                there[words[0]] = words[1].toLongLong();
        }
        return there;
    };
    Subprocess check(cliArguments(emlog.name(), wordpress, {"--check"}));
    ASSERT_EQ(check.wait(), 0) << check.out() << check.err();
    const std::map<QString, qint64> checked = alreadyThere(check.out());
    ASSERT_FALSE(checked.empty()) << check.out();

    Subprocess rerun(cliArguments(emlog.name(), wordpress, {"--pacing=none", "--json", jsonPath()}));
    rerun.wait();
    const QJsonObject report = readJsonReport(jsonPath());
    std::remove(jsonPath().c_str());
    std::map<QString, qint64> ran;
    for (const QJsonValue& value : report.value(QStringLiteral("migrations")).toArray()) {
        const QJsonObject migration = value.toObject();
        if (const qint64 there = migration.value(QStringLiteral("alreadyThere")).toInteger(); there > 0)
            ran[migration.value(QStringLiteral("label")).toString()] = there;
    }
    EXPECT_EQ(checked, ran) << check.out();
    EXPECT_EQ(ran[QStringLiteral("用户")], 5);
    EXPECT_EQ(std::to_string(ran[QStringLiteral("标签")]), queryValue(emlog.admin(), "SELECT COUNT(*) FROM emlog_tag"));
    EXPECT_EQ(std::to_string(ran[QStringLiteral("文章")]),
              queryValue(emlog.admin(), "SELECT COUNT(*) FROM emlog_blog"));

    // Once the run has gone through, --check finds every link there, whatever its name holds (the
    // sample's hold ', " and <, which WordPress keeps escaped), and no id WordPress holds in its way.
    Subprocess after(cliArguments(emlog.name(), wordpress, {"--check"}));
    ASSERT_EQ(after.wait(), 0) << after.out() << after.err();
    EXPECT_EQ(std::to_string(alreadyThere(after.out())[QStringLiteral("友情链接")]),
              queryValue(emlog.admin(), "SELECT COUNT(*) FROM emlog_link"))
        << after.out();
    EXPECT_NE(after.out().find(
                  "WordPress 已经用了的 id（这些行换用新的 id，它们的评论、附件、分类标签和回复跟着走）：\n  无"),
              std::string::npos)
        << after.out();
    // Once whole, the check finds the faces there too: two photos, two comments' avatar, the logo and the icon.
    EXPECT_NE(after.out().find("  头像与站标 6 行"), std::string::npos) << after.out();
}

// WordPress takes emlog's zone and settings, and says so with its own value before, unless told to
// keep its own; either way every local time is in the zone WordPress then has, the GMT times are
// exact, and comments closed everywhere in emlog are closed on every copied article and page.
TEST_F(CliRunTest, WordPressTakesEmlogsTimeZoneAndSettingsUnlessItKeepsItsOwn)
{
    TestDatabase sample("cli_zone");
    loadSampleBlog(sample.name());
    execute(sample.admin(), "UPDATE emlog_options SET option_value='America/New_York' WHERE option_name='timezone'");
    execute(sample.admin(), "UPDATE emlog_options SET option_value='n' WHERE option_name='iscomment'");
    const std::string settings = "SELECT GROUP_CONCAT(option_name, '=', option_value ORDER BY option_name) FROM "
                                 "wp_options WHERE option_name IN ('blogname', 'blogdescription', 'posts_per_page', "
                                 "'default_comment_status', 'comment_moderation', 'comment_registration', "
                                 "'page_comments', 'comments_per_page', 'comment_order', 'show_avatars', "
                                 "'posts_per_rss', 'rss_use_excerpt', 'users_can_register', 'kestrel_home')";
    struct Case
    {
        std::vector<std::string> options;
        const char* zone;
        std::vector<const char*> said;
        const char* localOfArticle35; // 2022-12-31 15:59:59 UTC
    };
    const Case cases[] = {
        {{},
         "America/New_York",
         {"时区：WordPress 的时区由 UTC+0 改为 emlog 的 America/New_York",
          "设置：WordPress 的 blogname 由“Kestrel”改为 emlog 的“老李的博客”",
          "设置：WordPress 的 default_comment_status 由“open”改为 emlog 的“closed”",
          "设置：WordPress 的 posts_per_page 由“10”改为 emlog 的“8”"},
         "2022-12-31 10:59:59"},
        {{"--keep-wordpress-timezone", "--keep-wordpress-settings"},
         "",
         {"时区：保留 WordPress 的时区 UTC+0", "设置：保留 WordPress 的 blogname“Kestrel”（emlog 的是“老李的博客”）"},
         "2022-12-31 15:59:59"},
    };
    for (const Case& c : cases) {
        WordPressDatabase target("cli_zone_wp");
        const std::string before = queryValue(target.admin(), settings);
        std::vector<std::string> options = {"--empty-first", "--yes", "--pacing", "none", "--json", jsonPath()};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Subprocess cli(cliArguments(sample.name(), target, options));
        const int status = cli.wait();
        ASSERT_TRUE(status == 0 || status == 1) << cli.err();
        for (const char* said : c.said)
            EXPECT_NE(cli.out().find(said), std::string::npos) << said << "\n" << cli.out();
        EXPECT_EQ(queryValue(target.admin(), "SELECT option_value FROM wp_options WHERE option_name='timezone_string'"),
                  c.zone);
        EXPECT_EQ(queryValue(target.admin(), "SELECT CONCAT(post_date, ' ', post_date_gmt) FROM wp_posts p JOIN "
                                             "wp_postmeta m ON m.post_id=p.ID AND m.meta_key='_emlog_gid' AND "
                                             "m.meta_value='35'"),
                  std::string(c.localOfArticle35) + " 2022-12-31 15:59:59");
        EXPECT_EQ(queryValue(target.admin(), "SELECT COUNT(*) FROM wp_posts p JOIN wp_postmeta m ON m.post_id=p.ID "
                                             "AND m.meta_key='_emlog_gid' WHERE p.comment_status<>'closed'"),
                  "0");
        // The JSON report names each setting with WordPress's value and emlog's.
        const QJsonObject report = readJsonReport(jsonPath());
        std::remove(jsonPath().c_str());
        QJsonObject blogname;
        for (const QJsonValue& setting : report.value(QStringLiteral("settings")).toArray()) {
            if (setting[QStringLiteral("option")].toString() == u"blogname")
                blogname = setting.toObject();
        }
        EXPECT_EQ(blogname[QStringLiteral("wordpressBefore")].toString(), QStringLiteral("Kestrel"));
        EXPECT_EQ(blogname[QStringLiteral("emlog")].toString(), QStringLiteral("老李的博客"));
        EXPECT_EQ(blogname[QStringLiteral("changed")].toBool(), c.options.empty());
        if (!c.options.empty()) {
            // Every option as it was.
            EXPECT_EQ(queryValue(target.admin(), settings), before);
            continue;
        }
        const std::string after = queryValue(target.admin(), settings);
        EXPECT_NE(after.find("default_comment_status=closed"), std::string::npos) << after;
        EXPECT_NE(after.find("blogname=老李的博客"), std::string::npos) << after;
        // Run again: nothing changes, and nothing is said to.
        Subprocess again(cliArguments(sample.name(), target, {"--pacing", "none"}));
        ASSERT_TRUE(again.wait() <= 1) << again.err();
        EXPECT_EQ(again.out().find("设置："), std::string::npos) << again.out();
        EXPECT_EQ(queryValue(target.admin(), settings), after);
    }
}

// A re-run that cannot read what WordPress already holds must not take it for nothing: it
// would write the whole blog a second time. Here WordPress's meta tables refuse every select,
// as a server-side fault would; the run writes no row, ends with 1, and names the read.
TEST_F(CliRunTest, ARerunThatCannotReadTheOriginsWritesNoRow)
{
    loadSampleBlog(emlog.name());
    Subprocess first(cliArguments(emlog.name(), wordpress, {"--pacing=none"}));
    const int firstStatus = first.wait();
    ASSERT_TRUE(firstStatus == 0 || firstStatus == 1) << first.out() << first.err();

    const std::string user = "kt_no_origins";
    execute(wordpress.admin(), "DROP USER IF EXISTS " + user);
    execute(wordpress.admin(), "CREATE USER " + user + " IDENTIFIED BY 'origins-unread'");
    const std::vector<std::string> tables = {"posts",    "comments", "terms",   "term_taxonomy", "term_relationships",
                                             "links",    "users",    "options", "postmeta",      "commentmeta",
                                             "termmeta", "usermeta"};
    std::string before;
    for (const std::string& table : tables) {
        const bool meta = table.find("meta") != std::string::npos;
        execute(wordpress.admin(), std::string("GRANT ") + (meta ? "INSERT, UPDATE, DELETE" : "ALL") + " ON " +
                                       wordpress.name() + "." + wordpress.table(table) + " TO " + user);
        before += table + " " + count("SELECT COUNT(*) FROM " + wordpress.table(table)) + "\n";
    }
    const std::string passwordFile = std::string(::testing::TempDir()) + "/no-origins-password";
    std::ofstream(passwordFile) << "origins-unread\n";
    std::filesystem::permissions(passwordFile,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    Subprocess rerun(cliArguments(
        emlog.name(), wordpress,
        {"--pacing=none", "--wp-user=" + user, "--wp-password-file=" + passwordFile, "--json", jsonPath()}));
    EXPECT_EQ(rerun.wait(), 1) << rerun.out() << rerun.err();
    std::string after;
    for (const std::string& table : tables)
        after += table + " " + count("SELECT COUNT(*) FROM " + wordpress.table(table)) + "\n";
    EXPECT_EQ(after, before);

    // Each migration of rows says it could not read WordPress, naming the origin it asked for.
    const QJsonObject report = readJsonReport(jsonPath());
    std::remove(jsonPath().c_str());
    std::map<std::string, std::string> unread;
    for (const QJsonValue& value : report.value(QStringLiteral("migrations")).toArray()) {
        const QJsonObject migration = value.toObject();
        EXPECT_EQ(migration.value(QStringLiteral("written")).toInteger(), 0);
        if (!migration.value(QStringLiteral("unreadable")).toBool())
            continue;
        for (const QJsonValue& failure : migration.value(QStringLiteral("failures")).toArray())
            unread[migration.value(QStringLiteral("kind")).toString().toStdString()] +=
                failure.toObject().value(QStringLiteral("source")).toString().toStdString() + " ";
    }
    const std::map<std::string, std::string> expected = {
        {"users", "_emlog_uid "},          {"categories", "_emlog_sid "},   {"tags", "_emlog_tid "},
        {"posts", "_emlog_gid "},          {"comments", "_emlog_cid "},     {"attachments", "_emlog_aid "},
        {"twitter", "_emlog_twitter_id "}, {"replies", "_emlog_reply_id "}, {"navigation", "_emlog_navi "},
        {"widgets", "_emlog_widget "},     {"faces", "_emlog_photo_uid "},
    };
    EXPECT_EQ(unread, expected) << rerun.out();
    EXPECT_NE(rerun.out().find("SELECT command denied"), std::string::npos) << rerun.out();
    execute(wordpress.admin(), "DROP USER " + user);
}

// WordPress's cron holds every scheduled event of the site: a value the run cannot add to is left
// byte for byte, and the articles it would have scheduled are reported.
TEST_F(CliRunTest, ACronValueThatIsNotSerializationIsLeftAsItIs)
{
    createCleanBlog(emlog.admin());
    execute(emlog.admin(), "INSERT INTO emlog_blog (gid, title, date, content, excerpt, sortid) VALUES "
                           "(50, '明天的文章', 4102444800, '<p>以后</p>', '', 1)");
    const std::string cron = "a:2:{i:1;s:3:\"cut";
    execute(wordpress.admin(), "INSERT INTO wp_options (option_name, option_value) VALUES ('cron', '" + cron +
                                   "') ON DUPLICATE KEY UPDATE option_value=VALUES(option_value)");
    Subprocess cli(cliArguments(emlog.name(), wordpress, {"--pacing=none"}));
    EXPECT_EQ(cli.wait(), 1) << cli.out() << cli.err();
    EXPECT_EQ(count("SELECT option_value FROM wp_options WHERE option_name='cron'"), cron);
    EXPECT_EQ(count("SELECT post_status FROM wp_posts p JOIN wp_postmeta m ON m.post_id=p.ID AND "
                    "m.meta_key='_emlog_gid' AND m.meta_value='50'"),
              "future");
    EXPECT_NE(cli.out().find("wp_options gid=50: WordPress 的选项 cron 不是 Kestrel 能添加的 PHP 序列化数据"),
              std::string::npos)
        << cli.out();
}
