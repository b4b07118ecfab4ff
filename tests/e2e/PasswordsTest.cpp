// The passwords typed into the window never show up in what the program says.
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "TestServer.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

const QString emlogPassword = QStringLiteral("Emlog-S3cret'\\\"-7f3a");
const QString wordPressPassword = QStringLiteral("Wp-S3cret%-密码-91c2");

class PasswordsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessageBox::clearShown();
        createEmlogTables(emlog.admin());
        execute(emlog.admin(), "INSERT INTO emlog_blog SET gid=1, title='t', date=0, content='', excerpt=''");
        MysqlSession admin = adminConnection();
        for (const auto& [user, password] :
             {std::pair{emlogUser, emlogPassword}, std::pair{wordPressUser, wordPressPassword}}) {
            execute(admin, "DROP USER IF EXISTS '" + user + "'@'%'");
            execute(admin,
                    "CREATE USER '" + user + "'@'%' IDENTIFIED BY " + quotedLiteral(admin, password.toStdString()));
        }
        execute(admin, "GRANT ALL ON `" + emlog.name() + "`.* TO '" + emlogUser + "'@'%'");
        execute(admin, "GRANT ALL ON `" + wordpress.name() + "`.* TO '" + wordPressUser + "'@'%'");

        window.show();
        const QString address = QString::fromStdString(testServer().address());
        typeInto(window, QStringLiteral("txt_服务器_emlog"), address);
        typeInto(window, QStringLiteral("txt_用户名_emlog"), QString::fromStdString(emlogUser));
        typeInto(window, QStringLiteral("txt_密码_emlog"), emlogPassword);
        typeInto(window, QStringLiteral("txt_数据库_emlog"), QString::fromStdString(emlog.name()));
        typeInto(window, QStringLiteral("txt_服务器_Wp"), address);
        typeInto(window, QStringLiteral("txt_用户名_Wp"), QString::fromStdString(wordPressUser));
        typeInto(window, QStringLiteral("txt_密码_Wp"), wordPressPassword);
        typeInto(window, QStringLiteral("txt_数据库_Wp"), QString::fromStdString(wordpress.name()));
        window.findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(true);
        window.runner()->setPacing(Pacing::none());
        QObject::connect(window.runner(), &MigrationRunner::statusText,
                         [this](const QString& text) { statuses.append(text); });
    }

    void TearDown() override
    {
        window.runner()->stop();
        MysqlSession admin = adminConnection();
        execute(admin, "DROP USER IF EXISTS '" + emlogUser + "'@'%'");
        execute(admin, "DROP USER IF EXISTS '" + wordPressUser + "'@'%'");
    }

    void runAndWait()
    {
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnGo")), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([this] {
            return !window.runner()->isRunning() &&
                   window.findChild<QPushButton*>(QStringLiteral("btnGo"))->isEnabled();
        }));
        QCoreApplication::processEvents();
    }

    // Nothing the user was shown holds either password, or a telling piece of one.
    void expectNoPasswordShown()
    {
        QStringList said = statuses;
        for (const auto& box : MessageBox::shown())
            said << box.caption << box.text << box.detail;
        ASSERT_GT(said.size(), 2);
        for (const QString& text : said) {
            for (const QString& secret : {QStringLiteral("S3cret"), QStringLiteral("7f3a"), QStringLiteral("91c2")})
                EXPECT_FALSE(text.contains(secret)) << text.toStdString();
        }
    }

    // Users are the server's, not a database's: names of this process alone, as tests run side by side.
    const std::string emlogUser = "kestrel_emlog_" + std::to_string(getpid());
    const std::string wordPressUser = "kestrel_wp_" + std::to_string(getpid());
    TestDatabase emlog{"pw_emlog"};
    WordPressDatabase wordpress{"pw_wp"};
    MigrationWindow window;
    QStringList statuses;
};

} // namespace

TEST_F(PasswordsTest, ARunWithFailuresNeverShowsThePasswords)
{
    execute(emlog.admin(), "DROP TABLE emlog_tag");
    execute(wordpress.admin(), "DROP TABLE " + wordpress.table("links"));
    execute(emlog.admin(), "INSERT INTO emlog_link SET id=1, sitename='a', siteurl='http://a.example', description=''");
    // Emptying first would refuse to start without emlog's tags.
    window.findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(false);
    runAndWait();
    ASSERT_EQ(boxesWithText(QStringLiteral("转换完成")), 1);
    EXPECT_FALSE(MessageBox::shown().last().detail.isEmpty()); // there were failures to report
    expectNoPasswordShown();
}

TEST_F(PasswordsTest, RefusedLoginsNeverShowThePasswords)
{
    typeInto(window, QStringLiteral("txt_密码_emlog"), emlogPassword + QStringLiteral("-wrong"));
    runAndWait();
    typeInto(window, QStringLiteral("txt_密码_emlog"), emlogPassword);
    typeInto(window, QStringLiteral("txt_密码_Wp"), wordPressPassword + QStringLiteral("-wrong"));
    runAndWait();
    ASSERT_EQ(boxesWithText(QStringLiteral("emlog博客数据库连接失败.")), 1);
    ASSERT_EQ(boxesWithText(QStringLiteral("WordPress博客数据库连接失败.")), 1);
    expectNoPasswordShown();
}
