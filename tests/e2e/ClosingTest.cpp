// Closing the window mid-run: the run stops, the window never waits on a server, and the
// next run completes the blog.
#include "FaultFixture.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>

using namespace kestrel;
using namespace kestrel::test;

TEST_F(FaultTest, ClosingTheWindowDuringEachMigration)
{
    struct Step
    {
        const char* runningText;
        milliseconds Pacing::*interval;
    };
    const Step steps[] = {
        {"正在转换博客文章.", &Pacing::posts},   {"正在转换评论.", &Pacing::comments},
        {"正在转换附件.", &Pacing::attachments}, {"正在转换分类.", &Pacing::categories},
        {"正在转换标签.", &Pacing::tags},        {"正在转换友情链接.", &Pacing::links},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.runningText);
        Pacing pacing = Pacing::none();
        pacing.*step.interval = milliseconds(300);
        window->runner()->setPacing(pacing);
        pressGo();
        ASSERT_TRUE(waitUntil([&] { return status().startsWith(QString::fromUtf8(step.runningText)); }));
        const qint64 closedAfter = closeAndWait(*window);
        EXPECT_GE(closedAfter, 0);
        EXPECT_LT(closedAfter, 5000);
        QCoreApplication::processEvents();
        EXPECT_EQ(boxesWithText(completed), 0);

        window->show();
        // The window opens again and a run without emptying WordPress completes the blog.
        window->runner()->setPacing(Pacing::none());
        expectAWholeRun(false);
        MessageBox::clearShown();
    }
}

TEST_F(FaultTest, ClosingTheWindowWhileWordPressAnswersNothing)
{
    slowArticles();
    pressGo();
    ASSERT_TRUE(waitUntil([&] { return status().startsWith(QStringLiteral("正在转换博客文章.")); }));
    // A batch goes out at least once a second: the run is soon waiting on a server that never answers.
    wordPressServer.pause();
    QTest::qWait(1500);

    const qint64 closedAfter = closeAndWait(*window, 30000);
    wordPressServer.resume();
    // The server finishes what it had taken before it stopped (a whole batch, or nothing of it), then
    // lets the broken-off session go.
    MysqlSession admin = wordPress();
    EXPECT_TRUE(waitUntil([&] {
        return queryValue(admin, "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE DB='" + wordPressDatabase +
                                     "' AND ID<>CONNECTION_ID()") == "0";
    }));
    EXPECT_GE(closedAfter, 0);
    EXPECT_LT(closedAfter, 2000);
    EXPECT_EQ(boxesWithText(completed), 0);

    // No row half written: each copied article has its origin, and each origin its article.
    MysqlSession wp = wordPress();
    EXPECT_EQ(queryValue(wp, "SELECT COUNT(*) FROM wp_posts p WHERE p.post_type IN ('post','page') AND NOT EXISTS "
                             "(SELECT 1 FROM wp_postmeta m WHERE m.post_id=p.ID AND m.meta_key='_emlog_gid')"),
              "0");
    EXPECT_EQ(queryValue(wp, "SELECT COUNT(*) FROM wp_postmeta m WHERE m.meta_key='_emlog_gid' AND NOT EXISTS "
                             "(SELECT 1 FROM wp_posts p WHERE p.ID=m.post_id)"),
              "0");

    window->show();
    window->runner()->setPacing(Pacing::none());
    expectAWholeRun(false);
}

// The window destroyed mid-run, without closing it first, no more waits on a server than closing does.
TEST_F(FaultTest, DestroyingTheWindowWhileWordPressAnswersNothing)
{
    slowArticles();
    pressGo();
    ASSERT_TRUE(waitUntil([&] { return status().startsWith(QStringLiteral("正在转换博客文章.")); }));
    wordPressServer.pause();
    QTest::qWait(1500);

    QElapsedTimer destroying;
    destroying.start();
    window.reset();
    const qint64 destroyedAfter = destroying.elapsed();
    wordPressServer.resume();
    EXPECT_LT(destroyedAfter, 3000);
    EXPECT_EQ(boxesWithText(completed), 0);
}
