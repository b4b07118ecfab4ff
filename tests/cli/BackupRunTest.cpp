// kestrel-cli --emlog-backup: a blog read from the files its owner has gives WordPress
// exactly what reading its server gives, and a broken file is refused before anything changes.
#include <unistd.h>

#include "BackupForms.h"
#include "CliTesting.h"
#include "RepeatedText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

using namespace kestrel;
using namespace kestrel::test;

// Under AddressSanitizer the program's peak is the sanitizer's: GCC says so with __SANITIZE_ADDRESS__,
// clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define KESTREL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTREL_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef KESTREL_ADDRESS_SANITIZER
#define KESTREL_ADDRESS_SANITIZER 0
#endif

namespace {

class BackupRunTest : public ::testing::Test
{
protected:
    // A run into the emptied WordPress; what WordPress then shows, and the report's migrations.
    // A run into the emptied WordPress, or merged into `into` as it is.
    std::pair<std::string, std::string> run(const std::vector<std::string>& options, bool fromServer,
                                            WordPressDatabase* into = nullptr)
    {
        WordPressDatabase& target = into ? *into : wordpress;
        // Emptying leaves users alone: those of the last run go, so that each run makes them anew.
        execute(target.admin(), "DELETE FROM wp_usermeta WHERE user_id > 1");
        execute(target.admin(), "DELETE FROM wp_users WHERE ID > 1");
        std::vector<std::string> more = {"--yes", "--pacing=none", "--json=" + jsonPath()};
        if (!into)
            more.push_back("--empty-first");
        more.insert(more.end(), options.begin(), options.end());
        Subprocess cli(cliArguments(fromServer ? emlog.name() : "kt_no_such_database", target, more));
        const int status = cli.wait();
        EXPECT_TRUE(status == 0 || status == 1) << cli.out() << cli.err();
        QJsonObject report = readJsonReport(jsonPath());
        std::remove(jsonPath().c_str());
        // A run from a file opens no emlog session, and its report never speaks of one.
        const QJsonObject emlogSession =
            report.value(QStringLiteral("sessions")).toObject().value(QStringLiteral("emlog")).toObject();
        if (!fromServer) {
            EXPECT_EQ(cli.out().find("连接已断开"), std::string::npos) << cli.out();
            EXPECT_NE(cli.out().find("emlog：备份文件 "), std::string::npos) << cli.out();
            EXPECT_TRUE(emlogSession.value(QStringLiteral("backupFile")).isString());
            EXPECT_FALSE(emlogSession.contains(QStringLiteral("open")));
        } else {
            EXPECT_TRUE(emlogSession.value(QStringLiteral("open")).toBool());
        }
        const QJsonArray migrations = report.value(QStringLiteral("migrations")).toArray();
        return {runWordPressScript(sourceDir() + "/scripts/wordpress/view.php", target.name(), target.prefix()),
                QJsonDocument(migrations).toJson().toStdString()};
    }
    std::string jsonPath() const { return std::string(::testing::TempDir()) + "/" + wordpress.name() + ".json"; }

    TestDatabase emlog{"cli_backup_emlog"};
    WordPressDatabase wordpress{"cli_backup_wp"};
};

// A user made by the run is registered "now" unless emlog pro tells when.
std::string withoutRunTimes(const std::string& view)
{
    static const std::regex registered(R"("registered": "[^"]*")");
    return std::regex_replace(view, registered, "\"registered\": \"\"");
}

} // namespace

TEST_F(BackupRunTest, EveryFormGivesWhatTheServerGives)
{
    struct Form
    {
        const char* what;
        BackupForm form;
        Packing packing;
        const char* header = "emlog pro 2.6.9";
    };
    struct Version
    {
        EmlogVersion version;
        std::vector<Form> forms;
    };
    const Version versions[] = {
        {EmlogVersion::Pro,
         {{"pro's column list", BackupForm::ProColumns, Packing::Plain},
          {"pro's column list, zipped", BackupForm::ProColumns, Packing::Zip},
          {"pro before 2.5.19: positional", BackupForm::EmlogValues, Packing::Plain},
          {"mariadb-dump", BackupForm::MariadbDump, Packing::Plain},
          {"phpMyAdmin, gzipped", BackupForm::PhpMyAdmin, Packing::Gzip}}},
        {EmlogVersion::Six,
         {{"6.x positional", BackupForm::EmlogValues, Packing::Plain, "emlog 6.1.0"},
          {"6.x positional, zipped", BackupForm::EmlogValues, Packing::Zip, "emlog 6.1.0"},
          {"mariadb-dump, gzipped", BackupForm::MariadbDump, Packing::Gzip}}},
        {EmlogVersion::Five,
         {{"5.x positional", BackupForm::EmlogValues, Packing::Plain, "emlog 5.3.1"},
          {"phpMyAdmin", BackupForm::PhpMyAdmin, Packing::Plain}}},
    };
    for (const Version& version : versions) {
        SCOPED_TRACE(sample::versionName(version.version));
        execute(emlog.admin(), "DROP DATABASE `" + emlog.name() + "`");
        loadSampleBlog(emlog.name(), "emlog_", version.version);
        MysqlSession admin = adminConnection(emlog.name());
        // Other programs' tables, and an older copy of the blog under another prefix, are in the files too.
        execute(admin, "CREATE TABLE forum_posts (id INT PRIMARY KEY, body TEXT) DEFAULT CHARSET=latin1");
        execute(admin, "INSERT INTO forum_posts VALUES (1, 'not the blog; \\'quoted\\'')");
        // A dump writes a trigger between DELIMITER lines; its body holds ';'.
        execute(admin, "CREATE TRIGGER forum_seen BEFORE INSERT ON forum_posts FOR EACH ROW BEGIN "
                       "SET NEW.body = CONCAT(NEW.body, '; seen'); SET NEW.id = NEW.id + 1; END");
        execute(admin, "CREATE TABLE old_blog LIKE emlog_blog");
        execute(admin, "INSERT INTO old_blog SELECT * FROM emlog_blog LIMIT 3");
        const bool pro = version.version == EmlogVersion::Pro;

        const auto [serverView, serverReport] = run({}, true);
        ASSERT_NE(serverView.find("\"posts\""), std::string::npos);
        for (const Form& form : version.forms) {
            SCOPED_TRACE(form.what);
            const std::string path = writeBackupFile(
                "sample_backup", backupOf(admin, emlog.name(), "emlog_", form.form, form.header), form.packing);
            const auto [view, report] = run({"--emlog-backup=" + path}, false);
            EXPECT_EQ(pro ? view : withoutRunTimes(view), pro ? serverView : withoutRunTimes(serverView));
            EXPECT_EQ(report, serverReport);
            std::remove(path.c_str());
        }
    }
}

// Merged into a WordPress whose own posts hold emlog's first numbers: the articles take new ones, and
// finding them reads the file again in the middle of its rows.
TEST_F(BackupRunTest, MergedIntoAWordPressWithPostsOfItsOwn)
{
    loadSampleBlog(emlog.name());
    MysqlSession admin = adminConnection(emlog.name());
    std::string views[2];
    for (const bool fromServer : {true, false}) {
        WordPressDatabase target("cli_backup_merge");
        ASSERT_EQ(queryValue(target.admin(), "SELECT COUNT(*) FROM wp_posts WHERE ID=1"), "1");
        // The two WordPresses differ only in when they were installed, and in the salt of their admin's hash.
        const std::string installed = "'2024-05-06 12:00:00'";
        execute(target.admin(), "UPDATE wp_posts SET post_date=" + installed + ", post_date_gmt=" + installed +
                                    ", post_modified=" + installed + ", post_modified_gmt=" + installed);
        execute(target.admin(), "UPDATE wp_comments SET comment_date=" + installed + ", comment_date_gmt=" + installed);
        execute(target.admin(), "UPDATE wp_users SET user_registered=" + installed + ", user_pass='x' WHERE ID=1");
        const std::string path = writeBackupFile(
            "merge_backup.sql", backupOf(admin, emlog.name(), "emlog_", BackupForm::MariadbDump), Packing::Plain);
        views[fromServer] =
            run(fromServer ? std::vector<std::string>{} : std::vector<std::string>{"--emlog-backup=" + path},
                fromServer, &target)
                .first;
        std::remove(path.c_str());
    }
    EXPECT_NE(views[true].find("\"posts\""), std::string::npos);
    EXPECT_EQ(views[false], views[true]);
}

TEST_F(BackupRunTest, BrokenAndCutFilesAreRefusedOrReadAsAsked)
{
    loadSampleBlog(emlog.name());
    const std::string whole = backupOf(emlog.admin(), emlog.name(), "emlog_", BackupForm::ProColumns);
    const std::size_t cutAt = whole.find("INSERT INTO emlog_comment");
    std::string brokenQuote = whole;
    const std::size_t quote = whole.find("VALUES ('", whole.find("INSERT INTO emlog_link")) + 8;
    brokenQuote.erase(quote, 1);
    const std::size_t brokenLine = static_cast<std::size_t>(std::count(whole.begin(), whole.begin() + quote, '\n')) + 1;
    struct Case
    {
        const char* what;
        std::string sql;
        std::vector<std::string> options;
        int status;
        std::string said;
    };
    const Case cases[] = {
        {"a broken quote names its line", brokenQuote, {}, 2, "第 " + std::to_string(brokenLine) + " 行"},
        {"a cut file is refused", whole.substr(0, cutAt + 40), {}, 2, "--accept-truncated-backup"},
        {"no emlog tables",
         "#version:emlog 6.1.0\n#tableprefix:emlog_\n#the end of backup\n",
         {},
         2,
         "没有表前缀为“emlog_”的 emlog 表"},
        {"a cut file read as asked", whole.substr(0, cutAt + 40), {"--accept-truncated-backup"}, 1, "备份文件不完整"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = writeBackupFile("broken_backup.sql", c.sql, Packing::Plain);
        std::vector<std::string> more = {"--empty-first", "--yes", "--pacing=none", "--emlog-backup=" + path};
        more.insert(more.end(), c.options.begin(), c.options.end());
        Subprocess cli(cliArguments("kt_no_such_database", wordpress, more));
        EXPECT_EQ(cli.wait(), c.status) << cli.out() << cli.err();
        EXPECT_NE((cli.out() + cli.err()).find(c.said), std::string::npos) << cli.out() << cli.err();
        const std::string posts = queryValue(wordpress.admin(), "SELECT COUNT(*) FROM wp_posts WHERE post_type='post'");
        if (c.status == 2) // refused before anything: the installer's post is still there
            EXPECT_EQ(posts, "1");
        else // what came before the cut arrived; the comments did not
            EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM wp_comments"), "0");
        std::remove(path.c_str());
    }
}

// Files past the bounds are refused before anything is written, naming the place, in little memory (the
// program's own peak, which the sanitizers multiply); a statement too large is passed over when asked.
// Their text is made as it is read, never held.
TEST_F(BackupRunTest, FilesPastTheBoundsAreRefusedInLittleMemory)
{
    loadSampleBlog(emlog.name());
    const std::string whole = backupOf(emlog.admin(), emlog.name(), "emlog_", BackupForm::ProColumns);
    const std::size_t blog = whole.find("INSERT INTO emlog_blog");
    const std::string head = whole.substr(0, blog);
    const std::string rest = whole.substr(blog);
    const std::string line = std::to_string(std::count(head.begin(), head.end(), '\n') + 1);
    const std::string mib(1 << 20, 'a');
    const std::string zeros(1 << 20, '\0');
    const std::string large = "INSERT INTO emlog_blog VALUES('9999','";
    std::string nested;
    for (int i = 0; i < 100000; ++i)
        nested += "a:1:{i:0;";
    nested += "i:1;" + std::string(100000, '}');
    execute(emlog.admin(), "UPDATE emlog_options SET option_value='" + nested + "' WHERE option_name='custom_widget'");
    std::string manyValues = "INSERT INTO emlog_blog VALUES('9999'";
    for (int i = 0; i < 1000000; ++i)
        manyValues += ",1";
    manyValues += ");\n";
    // Past the test server's max_allowed_packet (64 MiB), plain: written out, as it expands too little to stop.
    const std::string plainPath = std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "-large.sql";
    {
        std::ofstream plain(plainPath, std::ios::binary | std::ios::trunc);
        plain << head << large;
        for (int i = 0; i < 70; ++i)
            plain << mib;
        plain << "','n');\n" << rest;
    }
    struct Case
    {
        const char* what;
        std::string path;
        std::vector<std::string> said;
        std::vector<std::string> options = {};
        int status = 2;
    };
    const std::string place = "第 " + line + " 行第 ";
    const Case cases[] = {
        {"a 1 MB gzip holding a 1 GiB statement",
         writeRepeatedGzip("statement.sql.gz", {head + large, mib, 1024, "','n');\n" + rest}),
         {place, "：表 emlog_blog 的语句里，", "（也许是“压缩炸弹”）"}},
        {"a gzip bomb: 2 GiB of zero bytes after a valid beginning",
         writeRepeatedGzip("zeros.sql.gz", {head, zeros, 2048, ""}),
         {place, "（也许是“压缩炸弹”）"}},
        {"a zip bomb", writeRepeatedZip("zeros.zip", {head, zeros, 2048, rest}), {"超过 SQL 文本能有的 200 倍"}},
        {"a line of 1 GiB",
         writeRepeatedGzip("line.sql.gz", {head + "-- ", mib, 1024, "\n" + rest}),
         {place, "（也许是“压缩炸弹”）"}},
        {"a serialized value nested 100,000 deep",
         writeBackupFile("nested.sql", backupOf(emlog.admin(), emlog.name(), "emlog_", BackupForm::ProColumns),
                         Packing::Plain),
         {"emlog 的表 emlog_options 里 option_name 为 custom_widget 的值（PHP 序列化）嵌套超过了 256 层"}},
        {"a million values in one row",
         writeBackupFile("values.sql", head + manyValues + rest, Packing::Plain),
         {"表 emlog_blog 的第 1 行有 1000001 个值"}},
        {"a statement of 70 MiB",
         plainPath,
         {place + "1 列：表 emlog_blog 的这条语句超过了一条语句的上限 67108864 字节"}},
        {"the same passed over as asked",
         plainPath,
         {"备份文件里的语句太大", place + "1 列起的语句有 "},
         {"--accept-truncated-backup"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> more = {"--empty-first", "--yes", "--pacing=none", "--emlog-backup=" + c.path};
        more.insert(more.end(), c.options.begin(), c.options.end());
        Subprocess cli(cliArguments("kt_no_such_database", wordpress, more));
        EXPECT_EQ(cli.wait(), c.status) << cli.out() << cli.err();
        const std::string said = cli.out() + cli.err();
        for (const std::string& piece : c.said)
            EXPECT_NE(said.find(piece), std::string::npos) << piece << " in " << said;
        const std::string posts = queryValue(wordpress.admin(), "SELECT COUNT(*) FROM wp_posts WHERE post_type='post'");
        if (c.status == 2) { // refused before anything: the installer's post is still there
            if (c.said[0].find("option_name") == std::string::npos) { // a value names its row instead
                EXPECT_NE(said.find(c.path), std::string::npos) << said;
            }
            EXPECT_EQ(posts, "1");
        } else { // the rest of the file arrived
            EXPECT_GT(std::stoi(posts), 1);
        }
        std::fprintf(stderr, "%s: %ju bytes, peak %ld KiB\n", c.what,
                     static_cast<std::uintmax_t>(std::filesystem::file_size(c.path)), cli.peakKib());
#if !KESTREL_ADDRESS_SANITIZER
        EXPECT_LT(cli.peakKib(), 100 * 1024);
#endif
        if (c.path != plainPath)
            std::remove(c.path.c_str());
    }
    std::remove(plainPath.c_str());
}

TEST_F(BackupRunTest, CheckListsTheFilesTablesVersionAndCounts)
{
    loadSampleBlog(emlog.name(), "emlog_", EmlogVersion::Six);
    const std::string path = writeBackupFile(
        "check_backup.zip", backupOf(emlog.admin(), emlog.name(), "emlog_", BackupForm::EmlogValues, "emlog 6.1.0"),
        Packing::Zip);
    Subprocess cli(cliArguments("kt_no_such_database", wordpress, {"--check", "--emlog-backup=" + path}));
    EXPECT_EQ(cli.wait(), 0) << cli.out() << cli.err();
    const std::string said = cli.out();
    EXPECT_NE(said.find("emlog 备份文件：" + path + "（文件头 emlog 6.1.0，表前缀 “emlog_”）"), std::string::npos)
        << said;
    EXPECT_NE(said.find("emlog：emlog 6.x"), std::string::npos) << said;
    for (const char* table : {"emlog_blog", "emlog_comment", "emlog_tag", "emlog_link", "emlog_user"}) {
        const std::string rows = queryValue(emlog.admin(), std::string("SELECT COUNT(*) FROM ") + table);
        EXPECT_TRUE(std::regex_search(said, std::regex(std::string(table) + " +" + rows + " 行  utf8mb4"))) << said;
    }
    EXPECT_NE(said.find("max_allowed_packet：WordPress 服务器 "), std::string::npos) << said;
    EXPECT_EQ(said.find("emlog 服务器"), std::string::npos) << said; // there is none
    EXPECT_NE(said.find("可以开始转换"), std::string::npos) << said;
    std::remove(path.c_str());
}
