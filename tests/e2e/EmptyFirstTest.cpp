// Emptying WordPress first takes only what a copy of a blog owns, and keeps every row it
// takes in a backup that the mariadb client puts back as it was.
#include "BlogRun.h"
#include "DatabaseCopies.h"
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "RunTexts.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

class EmptyFirstTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(backupDir);
        loadSampleBlog(emlog.name());
        runWordPressScript(sourceDir() + "/scripts/wordpress/not-the-blog.php", wordpress.name(), "wp_");
        // The blog's own kinds, beyond what the installer made: a revision, a tag, a link,
        // and values that only survive a backup written byte for byte.
        MysqlSession& wp = wordpress.admin();
        execute(wp, "INSERT INTO wp_posts (post_author, post_title, post_content, post_excerpt, to_ping, pinged, "
                    "post_content_filtered, post_type, post_status, post_parent, post_name) VALUES (1, 'Hello', "
                    "'old text', '', '', '', '', 'revision', 'inherit', 1, '1-revision-v1')");
        execute(wp, "INSERT INTO wp_postmeta (post_id, meta_key, meta_value) VALUES (1, 'odd', "
                    "CONCAT('a', CHAR(0), 'b''\\\\\\n', _utf8mb4 X'F09F9880', CHAR(255 USING latin1)))");
        execute(wp, "INSERT INTO wp_terms (name, slug) VALUES ('笔记', 'notes')");
        execute(wp, "INSERT INTO wp_term_taxonomy (term_id, taxonomy, description) SELECT term_id, 'post_tag', "
                    "'' FROM wp_terms WHERE slug='notes'");
        execute(wp, "INSERT INTO wp_links (link_url, link_name, link_notes) VALUES ('http://x.example', 'x', '')");
    }

    void TearDown() override { std::filesystem::remove_all(backupDir); }

    // The rows of one table that are not the blog's: menus, templates, styles, blocks, books, genres.
    std::string notTheBlogs(const std::string& database, const std::string& bare)
    {
        const std::string notBlogPosts = "SELECT ID FROM `" + database +
                                         "`.wp_posts WHERE post_type NOT IN ('post', 'page', 'attachment', "
                                         "'revision') OR post_parent IN (SELECT ID FROM `" +
                                         database + "`.wp_posts WHERE post_type IN ('kestrel_book'))";
        const std::string notBlogTaxonomies = "SELECT term_taxonomy_id FROM `" + database +
                                              "`.wp_term_taxonomy WHERE taxonomy NOT IN ('category', 'post_tag', "
                                              "'link_category', 'post_format')";
        const std::string notBlogTerms = "SELECT term_id FROM `" + database +
                                         "`.wp_term_taxonomy WHERE term_taxonomy_id IN (" + notBlogTaxonomies + ")";
        const std::map<std::string, std::string> conditions = {
            {"posts", "ID IN (" + notBlogPosts + ")"},
            {"postmeta", "post_id IN (" + notBlogPosts + ")"},
            {"term_taxonomy", "term_taxonomy_id IN (" + notBlogTaxonomies + ")"},
            {"term_relationships", "term_taxonomy_id IN (" + notBlogTaxonomies + ")"},
            {"terms", "term_id IN (" + notBlogTerms + ")"},
            {"termmeta", "term_id IN (" + notBlogTerms + ")"},
        };
        const auto condition = conditions.find(bare);
        return condition == conditions.end() ? std::string() : condition->second;
    }

    std::string checksum(const std::string& database, const std::string& bare, const std::string& condition = {})
    {
        return tableChecksum(database, bare, condition);
    }

    // The whole sample through the run, WordPress emptied first after the question was answered yes.
    // `afterEmptying` runs while the run rests once WordPress is emptied.
    RunReport migrate(const std::function<void()>& afterEmptying)
    {
        MigrationRunner runner;
        Pacing pacing = Pacing::none();
        pacing.afterEmptying = milliseconds(1);
        runner.setPacing(pacing);
        runner.setSleeper([&](milliseconds interval, std::stop_token) {
            if (interval == pacing.afterEmptying)
                afterEmptying();
        });
        QObject::connect(&runner, &MigrationRunner::finished,
                         [&](const QString& message, const QString&) { finishedMessage = message; });
        QObject::connect(&runner, &MigrationRunner::emptyingQuestion, [&](const QString& text) {
            question = text;
            runner.answer(true);
        });
        RunSettings settings = testServerSettings(emlog.name(), wordpress.name());
        settings.emptyWordPressFirst = true;
        settings.backupDir = backupDir;
        return runToEnd(runner, settings).value_or(RunReport{});
    }

    TestDatabase emlog{"empty_emlog"};
    WordPressDatabase wordpress{"empty_wp"};
    std::string backupDir =
        (std::filesystem::temp_directory_path() / ("kestrel-backups-" + std::to_string(getpid()))).string();
    void restore(const std::string& file, const std::string& database) { restoreBackupFile(file, database); }

    QString question;
    QString finishedMessage;
};

} // namespace

TEST_F(EmptyFirstTest, KeepsWhatIsNotTheBlogsAndBacksUpExactlyWhatItTakes)
{
    const std::string before = wordpress.name() + "_before";
    const std::string emptied = wordpress.name() + "_emptied";
    copyDatabase(wordpress.name(), before);
    const RunReport report = migrate([&] { copyDatabase(wordpress.name(), emptied); });

    // Menus, templates, styles, blocks, books and genres are as they were, after emptying and a whole run.
    EXPECT_EQ(checksum(before, "posts", notTheBlogs(before, "posts")).rfind("9 rows", 0), 0u);
    EXPECT_EQ(checksum(before, "term_relationships", notTheBlogs(before, "term_relationships")).rfind("6 rows", 0), 0u);
    for (const char* bare : emptiedTables) {
        const std::string condition = notTheBlogs(before, bare);
        if (!condition.empty()) {
            EXPECT_EQ(checksum(wordpress.name(), bare, condition), checksum(before, bare, condition)) << bare;
        }
    }
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM wp_posts WHERE post_type='kestrel_book'"), "2");
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM wp_posts WHERE post_title='Hello world!'"), "0");

    // The question and the report named the backup and what went.
    ASSERT_TRUE(report.emptied);
    const std::string file = report.emptied->backupFile;
    EXPECT_TRUE(question.contains(QString::fromStdString(file))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("修订版本 1"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("链接 1"))) << question.toStdString();
    EXPECT_FALSE(question.contains(QStringLiteral("不支持事务"))) << question.toStdString(); // InnoDB rolls back
    EXPECT_TRUE(texts::emptyingLine(*report.emptied).contains(QString::fromStdString(file)));
    EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(backupDir));
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Put back into WordPress as emptying left it, the backup gives back every table as it was.
    restore(file, emptied);
    for (const char* bare : emptiedTables)
        EXPECT_EQ(checksum(emptied, bare), checksum(before, bare)) << bare;

    MysqlSession admin = adminConnection();
    execute(admin, "DROP DATABASE `" + before + "`");
    execute(admin, "DROP DATABASE `" + emptied + "`");
}

TEST_F(EmptyFirstTest, OnTablesThatCannotRollBackAFailurePartWaySaysWhatWasDeleted)
{
    MysqlSession& wp = wordpress.admin();
    for (const char* bare : emptiedTables)
        execute(wp, std::string("ALTER TABLE wp_") + bare + " ENGINE=MyISAM");
    // The links go last: every other table has had its delete when theirs is refused.
    execute(wp, "CREATE TRIGGER links_stay BEFORE DELETE ON wp_links FOR EACH ROW "
                "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT='links stay'");
    const std::string before = wordpress.name() + "_before";
    copyDatabase(wordpress.name(), before);

    const RunReport report = migrate([] {});
    EXPECT_FALSE(report.emptied);

    // Warned before the answer.
    for (const char* warned : {"不支持事务", "不能撤销", "wp_posts（MyISAM）", "wp_links（MyISAM）"})
        EXPECT_TRUE(question.contains(QString::fromUtf8(warned))) << warned << "\n" << question.toStdString();

    // The message names each table that lost rows and how many; what the server holds agrees.
    const std::string message = finishedMessage.toStdString();
    EXPECT_EQ(message.find("什么都没有删除"), std::string::npos) << message;
    EXPECT_NE(message.find("wp_links 出错：1644 links stay"), std::string::npos) << message;
    struct Deleted
    {
        const char* bare;
        std::int64_t rows; // 0: not named
    };
    // The rows of the blog's kinds this WordPress holds before its links' delete is refused.
    const Deleted deleted[] = {{"comments", 1}, {"commentmeta", 0},        {"posts", 4},
                               {"postmeta", 3}, {"term_relationships", 1}, {"term_taxonomy", 2},
                               {"terms", 2},    {"termmeta", 0},           {"links", 0}};
    const std::size_t listed = message.find("没有撤销：");
    ASSERT_NE(listed, std::string::npos) << message;
    const std::string list = message.substr(listed, message.find("。", listed) - listed);
    for (const Deleted& table : deleted) {
        const std::string name = std::string("wp_") + table.bare;
        const std::int64_t gone = std::stoll(queryValue(wp, "SELECT COUNT(*) FROM `" + before + "`." + name)) -
                                  std::stoll(queryValue(wp, "SELECT COUNT(*) FROM " + name));
        EXPECT_EQ(gone, table.rows) << name;
        const bool named = list.find(name + " ") != std::string::npos;
        EXPECT_EQ(named, table.rows > 0) << name << "\n" << message;
        if (table.rows > 0) {
            EXPECT_NE(list.find(name + " " + std::to_string(table.rows) + " 行"), std::string::npos) << name << "\n"
                                                                                                     << message;
        }
    }

    // The backup the message names puts them back, beside the links that stayed.
    const std::string file = std::filesystem::directory_iterator(backupDir)->path().string();
    EXPECT_NE(message.find(file), std::string::npos) << message;
    restore(file, wordpress.name());
    for (const char* bare : emptiedTables)
        EXPECT_EQ(checksum(wordpress.name(), bare), checksum(before, bare)) << bare;

    MysqlSession admin = adminConnection();
    execute(admin, "DROP DATABASE `" + before + "`");
}

// Tables larger than a page of the backup (whose first page is 500 rows): each is read in pages by
// its key, one of two columns among them, and the file still puts back every row it took.
TEST_F(EmptyFirstTest, TablesOfManyPagesAreBackedUpWhole)
{
    MysqlSession& wp = wordpress.admin();
    // 1,300 meta rows of the first post, and 1,300 links of it to taxonomies that are not there: the same
    // object_id all through, so that the pages of term_relationships turn on its second column.
    execute(wp, "INSERT INTO wp_postmeta (post_id, meta_key, meta_value) SELECT 1, CONCAT('k', seq), "
                "CONCAT(REPEAT('值', seq MOD 7), CHAR(seq MOD 256 USING latin1)) FROM seq_1_to_1300");
    execute(wp, "INSERT INTO wp_term_relationships (object_id, term_taxonomy_id, term_order) "
                "SELECT 1, 100000 + seq, seq MOD 3 FROM seq_1_to_1300");
    const std::string before = wordpress.name() + "_before";
    const std::string emptied = wordpress.name() + "_emptied";
    copyDatabase(wordpress.name(), before);
    const RunReport report = migrate([&] { copyDatabase(wordpress.name(), emptied); });
    ASSERT_TRUE(report.emptied);
    EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM `" + emptied + "`.wp_postmeta WHERE post_id=1"), "0");

    restore(report.emptied->backupFile, emptied);
    for (const char* bare : emptiedTables)
        EXPECT_EQ(checksum(emptied, bare), checksum(before, bare)) << bare;

    MysqlSession admin = adminConnection();
    execute(admin, "DROP DATABASE `" + before + "`");
    execute(admin, "DROP DATABASE `" + emptied + "`");
}
