#include "BackupChooser.h"
#include "BackupForms.h"
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "TestServer.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString emptyingText = QStringLiteral("正在先清空wp数据库。");
// In the order emptying deletes from them; the installer's rows are all the blog's kinds.
const char* const emptiedTables[] = {"comments",      "commentmeta", "posts",    "postmeta", "term_relationships",
                                     "term_taxonomy", "terms",       "termmeta", "links"};

class MigrationRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBox::clearShown();
        createEmlogTables(emlog.admin());
        execute(wordpress.admin(), "INSERT INTO " + wordpress.table("links") +
                                       " (link_url, link_name, link_notes) VALUES ('http://x.example', 'x', '')");
        window.show();
        typeInto(window, QStringLiteral("txt_服务器_emlog"), address());
        typeInto(window, QStringLiteral("txt_数据库_emlog"), QString::fromStdString(emlog.name()));
        typeInto(window, QStringLiteral("txt_服务器_Wp"), address());
        for (const QString& field : {QStringLiteral("txt_密码_emlog"), QStringLiteral("txt_密码_Wp")})
            typeInto(window, field, QString::fromStdString(testServer().password));
        typeInto(window, QStringLiteral("txt_数据库_Wp"), QString::fromStdString(wordpress.name()));
        window.runner()->setPacing(Pacing::none());
    }

    void TearDown() override { window.runner()->stop(); }

    static QString address() { return QString::fromStdString(testServer().address()); }

    // Presses Go, answers Yes and waits for the run to end.
    void runAndWait()
    {
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        QTest::mouseClick(go(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([this] { return !window.runner()->isRunning() && go()->isEnabled(); }));
        QCoreApplication::processEvents();
    }

    QPushButton* go() { return window.findChild<QPushButton*>(QStringLiteral("btnGo")); }
    QString status() { return window.findChild<QLabel*>(QStringLiteral("标签_状态"))->text(); }
    int progress() { return window.findChild<QProgressBar*>(QStringLiteral("进度条"))->value(); }
    void tickEmptyFirst() { window.findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(true); }

    std::string count(const std::string& bare)
    {
        return queryValue(wordpress.admin(), "SELECT COUNT(*) FROM " + wordpress.table(bare));
    }

    TestDatabase emlog{"run_emlog"};
    WordPressDatabase wordpress{"run_wp"};
    MigrationWindow window;
    RunSessionIds sessions{window};
};

// Stands in for a server that must not be contacted: it only counts who knocks.
class Listener
{
public:
    Listener() { server.listen(QHostAddress::LocalHost); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }
    bool contacted()
    {
        QCoreApplication::processEvents();
        return server.hasPendingConnections() || server.waitForNewConnection(100);
    }

private:
    QTcpServer server;
};

} // namespace

TEST_F(MigrationRunTest, WrongEmlogPasswordIsReportedAndWordPressIsNotContacted)
{
    Listener wordPressServer;
    typeInto(window, QStringLiteral("txt_密码_emlog"), QStringLiteral("wrong-password"));
    typeInto(window, QStringLiteral("txt_服务器_Wp"), wordPressServer.address());
    runAndWait();

    ASSERT_EQ(MessageBox::shown().size(), 2);
    const auto& box = MessageBox::shown().last();
    EXPECT_EQ(box.text, QStringLiteral("emlog博客数据库连接失败."));
    EXPECT_EQ(box.caption, QStringLiteral("信息："));
    EXPECT_EQ(box.icon, MessageBox::Icon::None);
    EXPECT_FALSE(box.detail.contains(QStringLiteral("wrong-password")));
    EXPECT_FALSE(wordPressServer.contacted());
    EXPECT_EQ(status(), QStringLiteral("欢迎使用《Kestrel1.0》。"));
}

TEST_F(MigrationRunTest, WrongWordPressPasswordIsReported)
{
    typeInto(window, QStringLiteral("txt_密码_Wp"), QStringLiteral("wrong-password"));
    runAndWait();
    ASSERT_EQ(MessageBox::shown().size(), 2);
    EXPECT_EQ(MessageBox::shown().last().text, QStringLiteral("WordPress博客数据库连接失败."));
    EXPECT_EQ(MessageBox::shown().last().caption, QStringLiteral("信息："));
}

TEST_F(MigrationRunTest, EmptyingFirstDeletesTheTablesAndTheirMetaInOrderThenRests)
{
    enableStatementLog();
    std::mutex mutex;
    std::vector<milliseconds> sleeps;
    window.runner()->setPacing(Pacing{});
    window.runner()->setSleeper([&](milliseconds interval, std::stop_token) {
        std::lock_guard lock(mutex);
        sleeps.push_back(interval);
    });
    const std::string options = count("options");
    const std::string users = count("users");
    tickEmptyFirst();
    runAndWait();

    for (const char* bare : emptiedTables)
        EXPECT_EQ(count(bare), "0") << bare;
    // WordPress's settings stay; the run adds one, how the blog wrote its addresses, for the redirect plugin.
    EXPECT_EQ(count("options WHERE option_name<>'kestrel_addresses'"), options);
    EXPECT_EQ(count("users"), users);

    std::vector<std::string> deletedFrom;
    for (const std::string& statement : statementsOf(sessions.wordPressId)) {
        if (statement.rfind("delete from ", 0) == 0)
            deletedFrom.push_back(statement.substr(12, statement.find(' ', 12) - 12));
    }
    std::vector<std::string> expected;
    for (const char* bare : emptiedTables)
        expected.push_back(wordpress.table(bare));
    EXPECT_EQ(deletedFrom, expected);
    // One question, asked once the run knew what would go: it and the report name the backup.
    ASSERT_EQ(MessageBox::shown().size(), 2);
    const QString question = MessageBox::shown().first().text;
    EXPECT_TRUE(question.contains(QStringLiteral("文章 1、页面 2、评论 1、分类 1、链接 1"))) << question.toStdString();
    const qsizetype at = question.lastIndexOf(u'\n') + 1;
    const QString backup = question.mid(at);
    EXPECT_TRUE(backup.endsWith(QStringLiteral(".sql"))) << question.toStdString();
    EXPECT_TRUE(QFile::exists(backup)) << backup.toStdString();
    EXPECT_TRUE(MessageBox::shown().last().text.contains(backup));
    ASSERT_FALSE(sleeps.empty());
    EXPECT_EQ(sleeps.front(), milliseconds(500));
}

TEST_F(MigrationRunTest, WithoutTheTickNothingIsDeleted)
{
    enableStatementLog();
    std::vector<std::string> before;
    for (const char* bare : emptiedTables)
        before.push_back(count(bare));
    std::vector<milliseconds> sleeps;
    window.runner()->setPacing(Pacing{});
    window.runner()->setSleeper([&](milliseconds interval, std::stop_token) { sleeps.push_back(interval); });
    runAndWait();

    for (std::size_t i = 0; i < std::size(emptiedTables); ++i)
        EXPECT_EQ(count(emptiedTables[i]), before[i]) << emptiedTables[i];
    for (const std::string& statement : statementsOf(sessions.wordPressId))
        EXPECT_NE(statement.rfind("delete", 0), 0u) << statement;
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), milliseconds(500)), 0);
}

TEST_F(MigrationRunTest, CompletionMessageGivesTheSecondsTheRunTook)
{
    std::atomic<std::int64_t> now{7000};
    window.runner()->setClock([&now] { return now.fetch_add(2500); });
    runAndWait();
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    const auto& box = MessageBox::shown().last();
    // The test server offers no TLS: both sessions went in clear text, and the message says so.
    // No files were copied, and WordPress took emlog's time zone: the message says both.
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("转换完成，共用时：2.5秒。\nemlog：未加密\nWordPress：未加密\n\n")))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(QStringLiteral("时区：WordPress 的时区由 UTC+0 改为 emlog 的 Asia/Shanghai\n")))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(
        QStringLiteral("文件：没有复制（没有给出 emlog 的文件和 WordPress 的上传文件夹），附件仍指向旧博客")))
        << box.text.toStdString();
    EXPECT_EQ(box.text.count(QStringLiteral("时区：")), 1) << box.text.toStdString(); // each note said once
    EXPECT_EQ(box.text.count(QStringLiteral("文件：")), 1) << box.text.toStdString();
    EXPECT_EQ(box.caption, QStringLiteral("提示"));
    EXPECT_EQ(box.icon, MessageBox::Icon::Information);
    EXPECT_TRUE(box.detail.isEmpty());
}

TEST_F(MigrationRunTest, StatusAndProgressSurviveIntoTheNextRun)
{
    tickEmptyFirst();
    runAndWait();
    const QString statusAfterFirst = status();
    const int progressAfterFirst = progress();
    EXPECT_NE(statusAfterFirst, QStringLiteral("欢迎使用《Kestrel1.0》。"));

    typeInto(window, QStringLiteral("txt_密码_emlog"), QStringLiteral("wrong-password"));
    runAndWait();
    EXPECT_EQ(status(), statusAfterFirst);
    EXPECT_EQ(progress(), progressAfterFirst);
}

TEST_F(MigrationRunTest, EachRunOpensSessionsOfItsOwnAndClosesThem)
{
    runAndWait();
    const unsigned long firstEmlog = sessions.emlogId;
    const unsigned long firstWordPress = sessions.wordPressId;
    ASSERT_NE(firstEmlog, 0u);
    // A run closes its own sessions when it ends.
    EXPECT_TRUE(sessions.closed());
    runAndWait();
    EXPECT_NE(sessions.emlogId, firstEmlog);
    EXPECT_NE(sessions.wordPressId, firstWordPress);
    EXPECT_TRUE(sessions.closed());
    EXPECT_EQ(boxesWithText(QStringLiteral("转换完成")), 2);
}

TEST_F(MigrationRunTest, ClosingTheWindowDuringARunStopsItCleanly)
{
    Pacing slow;
    slow.afterEmptying = milliseconds(60000);
    window.runner()->setPacing(slow);
    tickEmptyFirst();
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    QTest::mouseClick(go(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([this] { return status() == emptyingText; }));
    EXPECT_FALSE(go()->isEnabled()); // one run at a time

    const qint64 closedAfter = closeAndWait(window);
    EXPECT_GE(closedAfter, 0);
    EXPECT_LT(closedAfter, 5000);
    EXPECT_TRUE(sessions.closed());
    QCoreApplication::processEvents();
    EXPECT_EQ(boxesWithText(QStringLiteral("转换完成")), 0);
}

TEST_F(MigrationRunTest, AnUnsafePrefixIsRefusedBeforeAnythingIsOpened)
{
    Listener server;
    typeInto(window, QStringLiteral("txt_服务器_emlog"), server.address());
    typeInto(window, QStringLiteral("txt_服务器_Wp"), server.address());
    typeInto(window, QStringLiteral("txt_前缀_Wp"), QStringLiteral("wp_;drop table x;"));
    QTest::mouseClick(go(), Qt::LeftButton);

    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown().first().icon, MessageBox::Icon::Warning);
    EXPECT_TRUE(MessageBox::shown().first().text.contains(QStringLiteral("WordPress博客信息")));
    EXPECT_TRUE(MessageBox::shown().first().text.contains(QStringLiteral("前缀")));
    EXPECT_FALSE(window.runner()->isRunning());
    EXPECT_FALSE(server.contacted());
}

// The run checks the prefixes itself, whatever front end made its settings: an unsafe one ends it before
// anything is opened, and so before anything is written.
TEST_F(MigrationRunTest, TheRunnerItselfRefusesAnUnsafePrefix)
{
    const std::string before = count("links");
    struct Case
    {
        const char* emlogPrefix;
        const char* wordPressPrefix;
        const char* named; // the prefix the refusal names
    };
    const Case cases[] = {
        {"emlog_", "wp_`; DROP TABLE wp_links; -- ", "wp_`; DROP TABLE wp_links; -- "},
        {"emlog_' OR 1=1", "wp_", "emlog_' OR 1=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        Listener server;
        RunSettings settings;
        settings.emlog = {server.address().toStdString(), "root", testServer().password, emlog.name()};
        // WordPress is the real one, to be emptied first: it keeps its rows all the same.
        settings.wordPress = {testServer().address(), "root", testServer().password, wordpress.name()};
        settings.emlogPrefix = c.emlogPrefix;
        settings.wordPressPrefix = c.wordPressPrefix;
        settings.emptyWordPressFirst = true;
        MigrationRunner runner;
        QString message;
        bool ended = false;
        QObject::connect(&runner, &MigrationRunner::finished, [&message](const QString& text) { message = text; });
        QObject::connect(&runner, &MigrationRunner::ended, [&ended] { ended = true; });
        ASSERT_TRUE(runner.start(settings));
        ASSERT_TRUE(waitUntil([&ended] { return ended; }));
        EXPECT_TRUE(message.contains(QStringLiteral("只能由字母、数字、“_”和“$”组成"))) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.named))) << message.toStdString();
        EXPECT_FALSE(server.contacted());
    }
    EXPECT_EQ(count("links"), before);
}

TEST_F(MigrationRunTest, AWrongPrefixWithEmptyingFirstDeletesNothing)
{
    struct Case
    {
        const char* field;
        const char* missingTable;
    };
    for (const Case& c : {Case{"txt_前缀_emlog", "nope_blog"}, Case{"txt_前缀_Wp", "nope_comments"}}) {
        SCOPED_TRACE(c.field);
        MessageBox::clearShown();
        enableStatementLog();
        std::vector<std::string> before;
        for (const char* bare : emptiedTables)
            before.push_back(count(bare));
        typeInto(window, QString::fromUtf8(c.field), QStringLiteral("nope_"));
        tickEmptyFirst();
        runAndWait();

        for (std::size_t i = 0; i < std::size(emptiedTables); ++i)
            EXPECT_EQ(count(emptiedTables[i]), before[i]) << emptiedTables[i];
        for (const std::string& statement : statementsOf(sessions.wordPressId))
            EXPECT_NE(statement.rfind("delete", 0), 0u) << statement;
        // Not asked: nothing would be deleted. The message says which table was not found.
        ASSERT_EQ(MessageBox::shown().size(), 1);
        const QString text = MessageBox::shown().first().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("没有清空 WordPress，也没有开始转换"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.missingTable))) << text.toStdString();
        typeInto(window, QString::fromUtf8(c.field),
                 QString::fromUtf8(std::string_view(c.field).ends_with("Wp") ? "wp_" : "emlog_"));
    }
}

// A backup file cut short is read only when the user says so; the window asks once it knows.
TEST_F(MigrationRunTest, ACutBackupFileIsReadOnlyWhenTheUserSaysSo)
{
    execute(emlog.admin(),
            "INSERT INTO emlog_blog (gid, title, content, date) VALUES (1, '留下的文章', 'x', 1400000000)");
    execute(emlog.admin(), "INSERT INTO emlog_comment (cid, gid, comment, date) VALUES (1, 1, '没写完', 1400000100)");
    const std::string whole = backupOf(emlog.admin(), emlog.name(), "emlog_", BackupForm::ProColumns);
    const std::string path = writeBackupFile(
        "cut_backup.sql", whole.substr(0, whole.find("INSERT INTO emlog_comment") + 40), Packing::Plain);
    BackupChooser::setNextChoice(QString::fromStdString(path));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnBackup_emlog")), Qt::LeftButton);
    const std::string posts = count("posts");

    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        MessageBox::setNextAnswer(yes ? MessageBox::Answer::Yes : MessageBox::Answer::No);
        QTest::mouseClick(go(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([this] { return !window.runner()->isRunning() && go()->isEnabled(); }));
        QCoreApplication::processEvents();

        ASSERT_GE(MessageBox::shown().size(), 2);
        const QString question = MessageBox::shown()[1].text;
        EXPECT_TRUE(question.contains(QString::fromStdString(path) + QStringLiteral(" 不完整")))
            << question.toStdString();
        if (!yes) {
            EXPECT_EQ(MessageBox::shown().size(), 2); // nothing more to say: nothing was written
            EXPECT_EQ(count("posts"), posts);
            continue;
        }
        EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM wp_posts WHERE post_title='留下的文章'"), "1");
        EXPECT_EQ(count("comments"), "1"); // the installer's; the cut one did not come
        const auto& report = MessageBox::shown().last();
        EXPECT_TRUE(report.detail.contains(QStringLiteral("备份文件不完整"))) << report.text.toStdString() << "\n"
                                                                              << report.detail.toStdString();
    }
    std::remove(path.c_str());
}
