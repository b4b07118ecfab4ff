// Servers that die, sessions that are killed, rows too big, tables missing and locks held.
#include "FaultFixture.h"

using namespace kestrel;
using namespace kestrel::test;

TEST_F(FaultTest, TheWordPressServerDiesDuringTheArticles)
{
    slowArticles();
    pressGo();
    ASSERT_TRUE(waitUntil([this] { return status().startsWith(QStringLiteral("正在转换博客文章.3")); }));
    wordPressServer.kill();
    const MessageBox::Shown done = waitForCompletion();
    EXPECT_TRUE(done.text.contains(QStringLiteral("文章："))) << done.text.toStdString();
    // The comments cannot even ask what WordPress already holds: they are not taken for new.
    EXPECT_TRUE(done.text.contains(QStringLiteral("评论：无法读取 WordPress 中已有的内容，什么都没有写入")))
        << done.text.toStdString();

    wordPressServer.restart();
    expectLostArticlesLogged(done);
    window->runner()->setPacing(Pacing::none());
    expectAWholeRun(false);
}

TEST_F(FaultTest, TheWordPressSessionIsKilledFromAnotherSession)
{
    slowArticles();
    MysqlSession admin = wordPressServer.admin();
    pressGo();
    ASSERT_TRUE(waitUntil([this] { return status().startsWith(QStringLiteral("正在转换博客文章.2")); }));
    execute(admin, "KILL CONNECTION " + sessionOn(admin, wordPressDatabase));
    const MessageBox::Shown done = waitForCompletion();
    EXPECT_TRUE(done.text.contains(QStringLiteral("失败"))) << done.text.toStdString();
    expectLostArticlesLogged(done);
    window->runner()->setPacing(Pacing::none());
    expectAWholeRun(false);
}

TEST_F(FaultTest, TheEmlogSessionIsKilledFromAnotherSession)
{
    slowArticles();
    MysqlSession admin = adminConnection();
    pressGo();
    ASSERT_TRUE(waitUntil([this] { return status().startsWith(QStringLiteral("正在转换博客文章.2")); }));
    execute(admin, "KILL CONNECTION " + sessionOn(admin, emlog.name()));
    // The articles were already read whole; the session is opened again for the tables after them.
    const MessageBox::Shown done = waitForCompletion();
    EXPECT_EQ(failedRows(done.detail.toStdString()), sampleRowsWithoutOwners()) << done.detail.toStdString();
    EXPECT_TRUE(done.text.contains(QStringLiteral("友情链接：读取 8 行，写入 8 行"))) << done.text.toStdString();
    expectLostArticlesLogged(done);
}

TEST_F(FaultTest, ARowLargerThanTheServerTakesIsLoggedAndTheRestArrive)
{
    execute(emlog.admin(), "INSERT INTO emlog_blog SET gid=500, title='huge', date=0, excerpt='',"
                           " content=REPEAT('大', 700000)"); // 2.1 MB, the WordPress server takes 1 MB
    // A page that WordPress refuses once it has its batch, and a page under it in the next batch.
    execute(emlog.admin(), "INSERT INTO emlog_blog SET gid=501, title='refused', date=0, excerpt='', type='page',"
                           " content=REPEAT('x', 300000)"); // longer than a batch may be
    execute(emlog.admin(), "INSERT INTO emlog_blog SET gid=502, title='child', date=0, excerpt='', type='page',"
                           " content='', parent_id=501");
    MysqlSession wp = wordPress();
    execute(wp, "CREATE TRIGGER refuse BEFORE INSERT ON wp_posts FOR EACH ROW IF NEW.post_title='refused'"
                " THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT='refused'; END IF");
    pressGo();
    const MessageBox::Shown done = waitForCompletion();
    EXPECT_TRUE(
        done.text.contains(QStringLiteral("文章：读取 43 行，写入 40 行（其中 2 行不完整），已存在 0 行，失败 3 行")))
        << done.text.toStdString();
    for (const char* failure :
         {"gid=500: 数据库服务器拒绝了这条语句：1153", "gid=501: 数据库服务器拒绝了这条语句：1644 refused",
          "gid=502: 它的上级页面（gid=501）没有转换过来"})
        EXPECT_TRUE(done.detail.contains(QString::fromUtf8(failure))) << done.detail.toStdString();
    expectLostArticlesLogged(done);
    // Nothing else was lost: the session stayed open.
    EXPECT_EQ(queryValue(wp, "SELECT COUNT(*) FROM wp_comments"), "70"); // 67 comments, 3 replies to 微语
    EXPECT_EQ(queryValue(wp, "SELECT COUNT(*) FROM wp_links"), "8");

    execute(emlog.admin(), "DELETE FROM emlog_blog WHERE gid>=500");
    execute(wp, "DROP TRIGGER refuse");
    expectAWholeRun(true);
}

TEST_F(FaultTest, MissingTablesOnEitherSide)
{
    execute(emlog.admin(), "RENAME TABLE emlog_tag TO emlog_tag_away");
    {
        MysqlSession wp = wordPress();
        execute(wp, "DROP TABLE wp_links");
    }
    // Emptying first refuses, deleting nothing: a missing table may be a mistyped prefix.
    MysqlSession wp = wordPress();
    const std::string postsBefore = queryValue(wp, "SELECT COUNT(*) FROM wp_posts");
    pressGo();
    EXPECT_TRUE(waitUntil([&] { return window->findChild<QPushButton*>(QStringLiteral("btnGo"))->isEnabled(); }));
    QCoreApplication::processEvents();
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_TRUE(MessageBox::shown().last().text.contains(QStringLiteral("emlog_tag")))
        << MessageBox::shown().last().text.toStdString();
    EXPECT_EQ(queryValue(wp, "SELECT COUNT(*) FROM wp_posts"), postsBefore);

    // Without emptying, the run copies what it can and says what it could not.
    window->findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(false);
    pressGo();
    const MessageBox::Shown done = waitForCompletion();
    EXPECT_TRUE(done.text.contains(QStringLiteral("标签：无法读取 emlog 表"))) << done.text.toStdString();
    EXPECT_TRUE(done.text.contains(QStringLiteral("友情链接：无法读取 WordPress 中已有的内容，什么都没有写入")))
        << done.text.toStdString();
    EXPECT_TRUE(done.detail.contains(QStringLiteral("[友情链接] wp_links links: 读不到 WordPress 里已有的内容")))
        << done.detail.toStdString();
    EXPECT_TRUE(
        done.text.contains(QStringLiteral("文章：读取 40 行，写入 40 行（其中 2 行不完整），已存在 0 行，失败 0 行")))
        << done.text.toStdString();
    expectLostArticlesLogged(done);

    // Put the tables back: the next run is whole.
    execute(emlog.admin(), "RENAME TABLE emlog_tag_away TO emlog_tag");
    {
        MysqlSession wp = wordPress();
        execute(wp, "CREATE TABLE wp_links (link_id bigint(20) unsigned NOT NULL AUTO_INCREMENT PRIMARY KEY,"
                    " link_url varchar(255) NOT NULL DEFAULT '', link_name varchar(255) NOT NULL DEFAULT '',"
                    " link_image varchar(255) NOT NULL DEFAULT '', link_target varchar(25) NOT NULL DEFAULT '',"
                    " link_description varchar(255) NOT NULL DEFAULT '', link_visible varchar(20) NOT NULL"
                    " DEFAULT 'Y', link_owner bigint(20) unsigned NOT NULL DEFAULT 1, link_rating int(11) NOT NULL"
                    " DEFAULT 0, link_updated datetime NOT NULL DEFAULT '0000-00-00 00:00:00', link_rel"
                    " varchar(255) NOT NULL DEFAULT '', link_notes mediumtext NOT NULL, link_rss varchar(255) NOT"
                    " NULL DEFAULT '') DEFAULT CHARSET=utf8mb4");
    }
    expectAWholeRun(true);
}

TEST_F(FaultTest, ALockHeldOnAnArticleUntilTheServerGivesUp)
{
    window->findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(false);
    MysqlSession wp = wordPress();
    emptyWordPressTables(wp);
    // Another session is writing article 3 and does not let go.
    MysqlSession holder = wordPress();
    execute(holder, "SET SESSION sql_mode=''");
    execute(holder, "BEGIN");
    execute(holder, "INSERT INTO wp_posts SET ID=3, post_title='held', post_content='', post_excerpt='',"
                    " to_ping='', pinged='', post_content_filtered=''");
    pressGo();
    const MessageBox::Shown done = waitForCompletion();
    EXPECT_TRUE(
        done.text.contains(QStringLiteral("文章：读取 40 行，写入 39 行（其中 2 行不完整），已存在 0 行，失败 1 行")))
        << done.text.toStdString();
    EXPECT_TRUE(done.detail.contains(QStringLiteral("wp_posts gid=3: 数据库服务器拒绝了这条语句：1205")))
        << done.detail.toStdString();
    execute(holder, "ROLLBACK");
    expectLostArticlesLogged(done);

    window->findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(true);
    expectAWholeRun(false);
}
