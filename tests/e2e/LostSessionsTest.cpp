// Sessions lost in the middle of a run (a server restarted, wait_timeout, a KILL): the run opens
// them again and ends with every emlog row in WordPress exactly once and nothing in the failure
// log but the sample blog's rows whose owners are missing.
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "Origins.h"
#include "TestServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// The sample blog's rows that point at an owner it lacks (article 14, categories 99 and 7).
const std::set<std::string> knownFailures = {"gid=21", "gid=22", "cid=28", "aid=7", "tid=6"};

class LostSessionTest : public ::testing::Test
{
protected:
    void SetUp() override { MessageBox::clearShown(); }

    void TearDown() override { window.reset(); }

    // Fills in the window for two blogs, with WordPress emptied first, and runs it to the end.
    void start(const std::string& emlogServer, const std::string& emlogDatabase, const std::string& wordPressServer,
               const std::string& wordPressDatabase, const Pacing& pacing)
    {
        window = std::make_unique<MigrationWindow>();
        window->show();
        typeInto(*window, QStringLiteral("txt_服务器_emlog"), QString::fromStdString(emlogServer));
        typeInto(*window, QStringLiteral("txt_数据库_emlog"), QString::fromStdString(emlogDatabase));
        typeInto(*window, QStringLiteral("txt_服务器_Wp"), QString::fromStdString(wordPressServer));
        typeInto(*window, QStringLiteral("txt_密码_emlog"), QString::fromStdString(rootPassword(emlogServer)));
        typeInto(*window, QStringLiteral("txt_密码_Wp"), QString::fromStdString(rootPassword(wordPressServer)));
        typeInto(*window, QStringLiteral("txt_数据库_Wp"), QString::fromStdString(wordPressDatabase));
        window->findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(true);
        window->runner()->setPacing(pacing);
        QObject::connect(window->runner(), &MigrationRunner::statusText, window.get(),
                         [this](const QString& text) { statuses.append(text); });
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnGo")), Qt::LeftButton);
    }

    bool statusStartsWith(const char* text)
    {
        return waitUntil([&] {
            return window->findChild<QLabel*>(QStringLiteral("标签_状态"))->text().startsWith(QString::fromUtf8(text));
        });
    }

    MessageBox::Shown completion()
    {
        EXPECT_TRUE(waitUntil([] { return boxesWithText(QStringLiteral("转换完成")) == 1; }, 300000));
        EXPECT_TRUE(waitUntil([&] { return !window->runner()->isRunning(); }));
        return MessageBox::shown().isEmpty() ? MessageBox::Shown{} : MessageBox::shown().last();
    }

    bool saidReconnecting(const char* blog) const
    {
        return statuses.filter(QStringLiteral("正在重新连接%1博客数据库").arg(QString::fromUtf8(blog))).size() > 0;
    }

    // Each emlog row is found in WordPress by its origin exactly once, and the failure log names
    // only the rows known to fail.
    static void expectEveryRowOnce(MysqlSession& emlog, MysqlSession& wordPress, const MessageBox::Shown& done)
    {
        struct Source
        {
            const char* table;
            const char* id;
            OriginKey origin;
        };
        const Source sources[] = {{"emlog_blog", "gid", origin::article},
                                  {"emlog_comment", "cid", origin::comment},
                                  {"emlog_attachment", "aid", origin::attachment},
                                  {"emlog_sort", "sid", origin::category},
                                  {"emlog_tag", "tid", origin::tag}};
        std::string notOnce; // "gid=5 ×0 " for each row found other than once
        for (const Source& source : sources) {
            std::map<std::string, int> copies;
            for (const Row& row : queryRows(wordPress, "SELECT meta_value, COUNT(*) FROM wp_" +
                                                           std::string(source.origin.metaTable) + " WHERE meta_key='" +
                                                           std::string(source.origin.key) + "' GROUP BY meta_value"))
                copies[row[0].value_or("")] = std::stoi(row[1].value_or("0"));
            for (const Row& row : queryRows(emlog, "SELECT " + std::string(source.id) + " FROM " + source.table)) {
                const std::string id = std::string(source.id) + "=" + row[0].value_or("");
                const int found = copies[row[0].value_or("")];
                if (found != 1 && !(found == 0 && knownFailures.count(id)))
                    notOnce += id + " ×" + std::to_string(found) + " ";
            }
        }
        EXPECT_EQ(notOnce, "");
        EXPECT_EQ(queryValue(wordPress, "SELECT COUNT(*) FROM wp_links"),
                  queryValue(emlog, "SELECT COUNT(*) FROM emlog_link"));

        EXPECT_FALSE(done.text.contains(QStringLiteral("无法读取"))) << done.text.toStdString();
        static const QRegularExpression entry(QStringLiteral("^\\[[^\\]]*\\] \\S+ (\\S+): "));
        QString unexpected;
        for (const QString& line : done.detail.split(u'\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch match = entry.match(line);
            if (!match.hasMatch() || !knownFailures.count(match.captured(1).toStdString()))
                unexpected += line + u'\n';
        }
        EXPECT_TRUE(unexpected.isEmpty()) << unexpected.toStdString();
    }

    std::unique_ptr<MigrationWindow> window;
    QStringList statuses;
};

} // namespace

TEST_F(LostSessionTest, TheEmlogServerRestartsDuringTheArticles)
{
    PrivateServer emlogServer(testCertificates().serverOptions());
    loadSampleBlog("restart_emlog", "emlog_", EmlogVersion::Pro, emlogServer.address());
    WordPressDatabase wordPress("restart_wp");
    Pacing pacing = Pacing::none();
    pacing.posts = milliseconds(40);
    start(emlogServer.address(), "restart_emlog", testServer().address(), wordPress.name(), pacing);
    ASSERT_TRUE(statusStartsWith("正在转换博客文章.3"));
    emlogServer.kill();
    emlogServer.restart();

    const MessageBox::Shown done = completion();
    MysqlSession emlog = emlogServer.admin("restart_emlog");
    expectEveryRowOnce(emlog, wordPress.admin(), done);
    EXPECT_TRUE(saidReconnecting("emlog")) << statuses.join(u'\n').toStdString();
    EXPECT_TRUE(done.text.contains(QStringLiteral("\nemlog：加密连接（TLSv1."))) << done.text.toStdString();
}

TEST_F(LostSessionTest, BothServersCloseIdleSessionsAfterTwoSeconds)
{
    PrivateServer server("--wait-timeout=2");
    loadSampleBlog("idle_emlog", "emlog_", EmlogVersion::Pro, server.address());
    server.createDatabase("idle_wp");
    installWordPress("idle_wp", "wp_", server.address());
    Pacing pacing;                             // the pacing as shipped, but with rests that outlast wait_timeout:
    pacing.afterEmptying = milliseconds(3000); // both sessions idle before the first row
    pacing.posts = milliseconds(100);          // the emlog session idles while the articles are written
    start(server.address(), "idle_emlog", server.address(), "idle_wp", pacing);

    const MessageBox::Shown done = completion();
    MysqlSession emlog = server.admin("idle_emlog");
    MysqlSession wordPress = server.admin("idle_wp");
    expectEveryRowOnce(emlog, wordPress, done);
    EXPECT_TRUE(saidReconnecting("emlog")) << statuses.join(u'\n').toStdString();
    EXPECT_TRUE(saidReconnecting("WordPress")) << statuses.join(u'\n').toStdString();
}

TEST_F(LostSessionTest, TheWordPressSessionIsKilledDuringTheComments)
{
    TestDatabase emlogDatabase("kill_emlog");
    loadSampleBlog(emlogDatabase.name());
    PrivateServer wordPressServer(testCertificates().serverOptions());
    wordPressServer.createDatabase("kill_wp");
    installWordPress("kill_wp", "wp_", wordPressServer.address());
    Pacing pacing = Pacing::none();
    pacing.comments = milliseconds(40);
    start(testServer().address(), emlogDatabase.name(), wordPressServer.address(), "kill_wp", pacing);
    ASSERT_TRUE(statusStartsWith("正在转换评论.3"));
    MysqlSession admin = wordPressServer.admin();
    const std::string session = queryValue(
        admin, "SELECT ID FROM information_schema.PROCESSLIST WHERE DB='kill_wp' AND ID<>CONNECTION_ID() LIMIT 1");
    ASSERT_FALSE(session.empty());
    execute(admin, "KILL CONNECTION " + session);

    const MessageBox::Shown done = completion();
    MysqlSession wordPress = wordPressServer.admin("kill_wp");
    expectEveryRowOnce(emlogDatabase.admin(), wordPress, done);
    EXPECT_TRUE(saidReconnecting("WordPress")) << statuses.join(u'\n').toStdString();
    EXPECT_TRUE(done.text.contains(QStringLiteral("\nWordPress：加密连接（TLSv1."))) << done.text.toStdString();
}
