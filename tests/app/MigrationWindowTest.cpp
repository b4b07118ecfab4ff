#include "BackupChooser.h"
#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "Origins.h"
#include "SiteChooser.h"
#include "TestServer.h"
#include "WrappingCheckBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <string_view>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Expected
{
    const char* name;
    const char* parent;
    QRect geometry;
    const char* text; // caption or initial text
};

// The window's whole layout: names, parents, positions, sizes and texts.
const Expected layout[] = {
    {"分组框1", "MigrationWindow", {8, 8, 240, 176}, "emlog博客信息"},
    {"分组框2", "MigrationWindow", {256, 8, 240, 176}, "WordPress博客信息"},
    {"分组框3", "MigrationWindow", {8, 189, 489, 83}, "操作"},
    {"btnBackup_emlog", "分组框1", {184, 0, 48, 16}, "备份…"},
    {"btnSite_Wp", "分组框2", {132, 0, 48, 16}, "网站…"},
    {"标签1", "分组框1", {8, 19, 48, 16}, "服务器："},
    {"标签2", "分组框1", {8, 49, 53, 16}, "用户名："},
    {"标签3", "分组框1", {8, 81, 53, 16}, "密码："},
    {"标签4", "分组框1", {8, 113, 55, 16}, "数据库："},
    {"标签5", "分组框1", {8, 145, 56, 20}, "前缀："},
    {"标签10", "分组框2", {8, 19, 48, 16}, "服务器："},
    {"标签9", "分组框2", {8, 49, 53, 16}, "用户名："},
    {"标签8", "分组框2", {8, 81, 53, 16}, "密码："},
    {"标签7", "分组框2", {8, 113, 55, 16}, "数据库："},
    {"标签6", "分组框2", {8, 145, 56, 20}, "前缀："},
    {"txt_服务器_emlog", "分组框1", {64, 16, 168, 20}, "127.0.0.1"},
    {"txt_用户名_emlog", "分组框1", {64, 48, 168, 20}, "root"},
    {"txt_密码_emlog", "分组框1", {64, 80, 168, 20}, ""},
    {"txt_数据库_emlog", "分组框1", {64, 112, 168, 20}, "emlog"},
    {"txt_前缀_emlog", "分组框1", {64, 144, 168, 20}, "emlog_"},
    {"txt_服务器_Wp", "分组框2", {64, 16, 168, 20}, "127.0.0.1"},
    {"txt_用户名_Wp", "分组框2", {64, 48, 168, 20}, "root"},
    {"txt_密码_Wp", "分组框2", {64, 80, 168, 20}, ""},
    {"txt_数据库_Wp", "分组框2", {64, 112, 168, 20}, "wordpress"},
    {"txt_前缀_Wp", "分组框2", {64, 144, 168, 20}, "wp_"},
    {"选择框_清空", "分组框3", {16, 19, 72, 24}, "先清空wp数据库"},
    {"btnGo", "分组框3", {91, 18, 88, 24}, "开始转换"},
    {"btnPause", "分组框3", {183, 18, 96, 24}, "暂停转换"},
    {"btFinish", "分组框3", {283, 18, 96, 24}, "结束转换"},
    {"btnAbout", "分组框3", {383, 18, 96, 24}, "作者博客"},
    {"进度条", "分组框3", {8, 49, 471, 13}, ""},
    {"标签_状态", "分组框3", {40, 63, 350, 16}, "欢迎使用《Kestrel1.0》。"},
    {"btnVerify", "分组框3", {392, 63, 42, 17}, "核对"},
    {"btnOptions", "分组框3", {436, 63, 44, 17}, "选项…"},
    {"btnSecurity", "分组框3", {8, 63, 30, 17}, "安全"},
    {"btnFiles", "分组框2", {184, 0, 48, 16}, "文件…"},
};

QString shownText(QWidget* widget)
{
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    return {};
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

TEST(MigrationWindow, FreshStartShowsTheLayout)
{
    MigrationWindow window;
    window.show();
    for (const Expected& expected : layout) {
        auto* widget = window.findChild<QWidget*>(QString::fromUtf8(expected.name));
        ASSERT_NE(widget, nullptr) << expected.name;
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromUtf8(expected.parent)) << expected.name;
        EXPECT_EQ(widget->geometry(), expected.geometry) << expected.name;
        EXPECT_EQ(shownText(widget), QString::fromUtf8(expected.text)) << expected.name;
        EXPECT_TRUE(widget->isVisible()) << expected.name;
    }
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Kestrel1.0 |作者博客: ") + MigrationWindow::authorAddress);
    EXPECT_FALSE(window.findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->isChecked());
    auto* progress = window.findChild<QProgressBar*>(QStringLiteral("进度条"));
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_EQ(progress->value(), 0);
}

// The most dangerous box is read whole at the layout's size: its caption in lines that fit its box, one em
// apart, as many as its height holds.
TEST(MigrationWindow, TheEmptyFirstCaptionIsReadWhole)
{
    MigrationWindow window;
    window.show();
    auto* box = window.findChild<WrappingCheckBox*>(QStringLiteral("选择框_清空"));
    ASSERT_NE(box, nullptr);
    const QStringList lines = box->shownLines();
    EXPECT_EQ(lines.join(QString()), QStringLiteral("先清空wp数据库"));
    const QFontMetrics metrics(box->font());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), box->captionArea().width()) << line.toStdString();
    EXPECT_LE(box->lineHeight() * lines.size(), box->height());
    // The box is still a box: a click on the caption ticks it.
    QTest::mouseClick(box, Qt::LeftButton, {}, box->captionArea().center());
    EXPECT_TRUE(box->isChecked());
}

TEST(MigrationWindow, ABackupFileStandsInForEmlogsServer)
{
    MigrationWindow window;
    window.show();
    auto* button = window.findChild<QPushButton*>(QStringLiteral("btnBackup_emlog"));
    auto* server = window.findChild<QLineEdit*>(QStringLiteral("txt_服务器_emlog"));
    const QStringList others = {QStringLiteral("txt_用户名_emlog"), QStringLiteral("txt_密码_emlog"),
                                QStringLiteral("txt_数据库_emlog")};
    BackupChooser::setNextChoice(QStringLiteral("/backups/emlog_20240506.zip"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(server->text(), QStringLiteral("备份：emlog_20240506.zip"));
    EXPECT_TRUE(server->isReadOnly());
    for (const QString& name : others)
        EXPECT_FALSE(window.findChild<QLineEdit*>(name)->isEnabled()) << name.toStdString();
    EXPECT_TRUE(window.findChild<QLineEdit*>(QStringLiteral("txt_前缀_emlog"))->isEnabled());

    // Pressed again, it goes back to the server as it was typed.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(server->text(), QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(server->isReadOnly());
    for (const QString& name : others)
        EXPECT_TRUE(window.findChild<QLineEdit*>(name)->isEnabled()) << name.toStdString();
}

// A WordPress whose database nobody outside may reach is written through its web address: the user and
// password fields then take an administrator's login and application password.
TEST(MigrationWindow, ASiteAddressStandsInForWordPresssDatabase)
{
    MigrationWindow window;
    window.show();
    auto* button = window.findChild<QPushButton*>(QStringLiteral("btnSite_Wp"));
    auto* server = window.findChild<QLineEdit*>(QStringLiteral("txt_服务器_Wp"));
    const QStringList resting = {QStringLiteral("txt_数据库_Wp"), QStringLiteral("txt_前缀_Wp")};
    const QStringList login = {QStringLiteral("txt_用户名_Wp"), QStringLiteral("txt_密码_Wp")};
    SiteChooser::setNextAnswer(QStringLiteral(" https://blog.example.com/ "));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(server->text(), QStringLiteral("https://blog.example.com/"));
    EXPECT_TRUE(server->isReadOnly());
    for (const QString& name : resting)
        EXPECT_FALSE(window.findChild<QLineEdit*>(name)->isEnabled()) << name.toStdString();
    for (const QString& name : login)
        EXPECT_TRUE(window.findChild<QLineEdit*>(name)->isEnabled()) << name.toStdString();

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(server->text(), QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(server->isReadOnly());
    for (const QString& name : resting)
        EXPECT_TRUE(window.findChild<QLineEdit*>(name)->isEnabled()) << name.toStdString();
}

// The less common choices wait in a small dialog, and hold from one opening to the next.
TEST(MigrationWindow, OptionsKeepWordPresssTimeZoneOnRequest)
{
    MigrationWindow window;
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnOptions")), Qt::LeftButton);
    auto* dialog = window.findChild<QDialog*>(QStringLiteral("选项"));
    ASSERT_NE(dialog, nullptr);
    QTRY_VERIFY(dialog->isVisible());
    auto* keep = dialog->findChild<QCheckBox*>(QStringLiteral("选择框_保留时区"));
    ASSERT_NE(keep, nullptr);
    EXPECT_FALSE(keep->isChecked());
    keep->click();
    dialog->accept();
    EXPECT_FALSE(dialog->isVisible());
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnOptions")), Qt::LeftButton);
    EXPECT_TRUE(keep->isChecked());
}

// 选项… offers the command line's choice of pacing: the default rests after every row, none
// runs the sample blog through without a rest. It also keeps WordPress's own settings, there ticked
// with no rests, which the report then names.
TEST(MigrationWindow, OptionsChooseBetweenTheDefaultPacingAndNoneAndKeepWordPresssSettings)
{
    struct PacingCase
    {
        int choice; // in the dialog's list
        bool rests;
    };
    for (const PacingCase test : {PacingCase{1, false}, PacingCase{0, true}}) {
        SCOPED_TRACE(test.choice);
        MessageBox::clearShown();
        TestDatabase emlog("pace_emlog");
        WordPressDatabase wordpress("pace_wp");
        loadSampleBlog(emlog.name());
        MigrationWindow window;
        window.show();
        const QString address = QString::fromStdString(testServer().address());
        typeInto(window, QStringLiteral("txt_服务器_emlog"), address);
        typeInto(window, QStringLiteral("txt_数据库_emlog"), QString::fromStdString(emlog.name()));
        typeInto(window, QStringLiteral("txt_服务器_Wp"), address);
        for (const QString& field : {QStringLiteral("txt_密码_emlog"), QStringLiteral("txt_密码_Wp")})
            typeInto(window, field, QString::fromStdString(testServer().password));
        typeInto(window, QStringLiteral("txt_数据库_Wp"), QString::fromStdString(wordpress.name()));
        std::mutex mutex;
        std::vector<milliseconds> rests;
        window.runner()->setSleeper([&](milliseconds interval, std::stop_token) {
            std::lock_guard lock(mutex);
            rests.push_back(interval);
        });

        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnOptions")), Qt::LeftButton);
        auto* dialog = window.findChild<QDialog*>(QStringLiteral("选项"));
        ASSERT_NE(dialog, nullptr);
        auto* pacing = dialog->findChild<QComboBox*>(QStringLiteral("下拉框_节奏"));
        ASSERT_NE(pacing, nullptr);
        EXPECT_EQ(pacing->currentIndex(), 0); // the default as shipped
        pacing->setCurrentIndex(test.choice);
        auto* keepSettings = dialog->findChild<QCheckBox*>(QStringLiteral("选择框_保留设置"));
        ASSERT_NE(keepSettings, nullptr);
        EXPECT_FALSE(keepSettings->isChecked());
        keepSettings->setChecked(!test.rests);
        dialog->accept();

        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        // Once, the message's offer to open the new site is taken: WordPress's home opens in the browser.
        UrlCatcher catcher;
        if (!test.rests) {
            MessageBox::setNextAnswer(MessageBox::Answer::SecondAction);
            QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        }
        auto* go = window.findChild<QPushButton*>(QStringLiteral("btnGo"));
        QTest::mouseClick(go, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return !window.runner()->isRunning() && go->isEnabled(); }));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        ASSERT_FALSE(MessageBox::shown().isEmpty());
        EXPECT_TRUE(MessageBox::shown().last().text.startsWith(QStringLiteral("转换完成")))
            << MessageBox::shown().last().text.toStdString();
        EXPECT_EQ(MessageBox::shown().last().action, QStringLiteral("核对"));
        EXPECT_EQ(MessageBox::shown().last().secondAction, QStringLiteral("打开新网站"));
        EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("标签_状态"))->text(), QStringLiteral("转换完成"));
        const QString home = QString::fromStdString(queryValue(
            wordpress.admin(), "SELECT option_value FROM " + wordpress.table("options") + " WHERE option_name='home'"));
        EXPECT_EQ(catcher.opened, test.rests ? QList<QUrl>{} : QList<QUrl>{QUrl(home)});
        EXPECT_TRUE(MessageBox::shown().last().text.contains(
            test.rests ? QStringLiteral("设置：WordPress 的 blogname 由“Kestrel”改为 emlog 的“老李的博客”")
                       : QStringLiteral("设置：保留 WordPress 的 blogname“Kestrel”（emlog 的是“老李的博客”）")))
            << MessageBox::shown().last().text.toStdString();
        EXPECT_EQ(queryValue(wordpress.admin(), "SELECT option_value FROM " + wordpress.table("options") +
                                                    " WHERE option_name='blogname'"),
                  test.rests ? "老李的博客" : "Kestrel");
        EXPECT_NE(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM " + wordpress.table("postmeta") +
                                                    " WHERE meta_key='" + std::string(origin::article.key) + "'"),
                  "0");
        std::lock_guard lock(mutex);
        // The articles' rest as shipped is 15 ms a row.
        EXPECT_EQ(std::count(rests.begin(), rests.end(), milliseconds(15)) > 0, test.rests);
        if (!test.rests) {
            EXPECT_TRUE(rests.empty()) << rests.size();
        }
    }
}

TEST(MigrationWindow, PasswordsAreHiddenAndTheRestShown)
{
    MigrationWindow window;
    for (auto* edit : window.findChildren<QLineEdit*>()) {
        const bool password = edit->objectName().startsWith(QStringLiteral("txt_密码_"));
        EXPECT_EQ(edit->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal)
            << edit->objectName().toStdString();
        EXPECT_TRUE(edit->isEnabled());
        EXPECT_TRUE(edit->focusPolicy() & Qt::TabFocus);
    }
    typeInto(window, QStringLiteral("txt_密码_emlog"), QStringLiteral("s3cret"));
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("txt_密码_emlog"))->text(), QStringLiteral("s3cret"));
}

TEST(MigrationWindow, PasswordFieldsStartWithTheSampleServersPassword)
{
    // scripts/run.sh names the local sample server's password file; only its first line counts.
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    // As long as scripts/mariadb-server.sh makes it: shown whole, one "*" a character, in each box.
    file.write("Wq9-xZ_3kLp0aB7c\nsecond line\n");
    file.close();
    qputenv("KESTREL_SAMPLE_PASSWORD_FILE", file.fileName().toLocal8Bit());
    MigrationWindow window;
    window.show();
    qunsetenv("KESTREL_SAMPLE_PASSWORD_FILE");
    for (const char* name : {"txt_密码_emlog", "txt_密码_Wp"}) {
        auto* edit = window.findChild<QLineEdit*>(QString::fromUtf8(name));
        EXPECT_EQ(edit->text(), QStringLiteral("Wq9-xZ_3kLp0aB7c")) << name;
        EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');
        const int shown = QFontMetrics(edit->font()).horizontalAdvance(QString(edit->text().size(), QLatin1Char('*')));
        EXPECT_LT(shown, edit->width() - 8) << name;
        EXPECT_EQ(edit->cursorPosition(), 0) << name;
    }
}

TEST(MigrationWindow, FixedSizeWithMinimiseButNoMaximise)
{
    MigrationWindow window;
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    // Every group box fits inside the window.
    for (auto* group : window.findChildren<QGroupBox*>())
        EXPECT_TRUE(window.rect().contains(group->geometry())) << group->objectName().toStdString();
}

TEST(MigrationWindow, TheFilesDialogSetsWhereTheBlogsFilesComeFromAndGo)
{
    MigrationWindow window;
    window.show();
    struct Step
    {
        const char* source;
        const char* uploads;
        QDialogButtonBox::StandardButton button;
        const char* keptSource; // what the window holds afterwards
        const char* keptUploads;
    } steps[] = {
        {"http://blog.example.com/emlog/", "/var/www/wp-content/uploads", QDialogButtonBox::Ok,
         "http://blog.example.com/emlog/", "/var/www/wp-content/uploads"},
        {"/srv/emlog", "/tmp/elsewhere", QDialogButtonBox::Cancel, "http://blog.example.com/emlog/",
         "/var/www/wp-content/uploads"},
        {"", "", QDialogButtonBox::Ok, "", ""},
    };
    for (const Step& step : steps) {
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnFiles")), Qt::LeftButton);
        QDialog* dialog = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (dialog = window.findChild<QDialog*>(QStringLiteral("FilesDialog"))); }));
        for (const auto& [name, text] : {std::pair{"txt_文件_emlog", step.source}, {"txt_上传_Wp", step.uploads}}) {
            auto* edit = dialog->findChild<QLineEdit*>(QString::fromUtf8(name));
            ASSERT_NE(edit, nullptr) << name;
            edit->setText(QString::fromUtf8(text));
        }
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(step.button), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return !window.findChild<QDialog*>(QStringLiteral("FilesDialog")); }));
        EXPECT_EQ(window.fileSettings().source, step.keptSource);
        EXPECT_EQ(window.fileSettings().uploadsFolder, step.keptUploads);
    }
}

TEST(MigrationWindow, PauseAndFinishCannotBePressed)
{
    MigrationWindow window;
    window.show();
    for (const char* name : {"btnPause", "btFinish"}) {
        auto* button = window.findChild<QPushButton*>(QString::fromUtf8(name));
        ASSERT_NE(button, nullptr);
        int clicks = 0;
        QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(button->isEnabled());
        EXPECT_EQ(clicks, 0) << name;
    }
}

TEST(MigrationWindow, EscapeClosesTheWindowFromAnyField)
{
    for (auto* name : {"txt_服务器_emlog", "txt_密码_Wp", "txt_前缀_Wp", "选择框_清空", "btnGo"}) {
        MigrationWindow window;
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        auto* widget = window.findChild<QWidget*>(QString::fromUtf8(name));
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible()) << name;
    }
}

TEST(MigrationWindow, AnsweringNoOpensNothingAndChangesNothing)
{
    MessageBox::clearShown();
    MigrationWindow window;
    window.show();
    MessageBox::setNextAnswer(MessageBox::Answer::No);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnGo")), Qt::LeftButton);

    ASSERT_EQ(MessageBox::shown().size(), 1);
    const auto& question = MessageBox::shown().first();
    EXPECT_EQ(question.icon, MessageBox::Icon::Question);
    EXPECT_EQ(question.caption, QStringLiteral("信息："));
    EXPECT_EQ(
        question.text,
        QStringLiteral("emlog 的数据库在这台电脑上（127.0.0.1）：数据不经过网络，服务器支持时也加密。\n"
                       "WordPress 的数据库在这台电脑上（127.0.0.1）：数据不经过网络，服务器支持时也加密。\n\n"
                       "转换数据库可能会有意想不到的情况出现，请先备份或者用本地数据测试，然后：你确认要开始转换吗？"));
    EXPECT_FALSE(window.runner()->isRunning());
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("btnGo"))->isEnabled());
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("标签_状态"))->text(),
              QStringLiteral("欢迎使用《Kestrel1.0》。"));
    for (const Expected& expected : layout) {
        if (auto* edit = window.findChild<QLineEdit*>(QString::fromUtf8(expected.name))) {
            EXPECT_EQ(edit->text(), QString::fromUtf8(expected.text));
        }
    }
}

TEST(MigrationWindow, TheRealConfirmationBoxAsksYesOrNo)
{
    MessageBox::clearShown();
    MessageBox::setRecordOnly(false);
    MigrationWindow window;
    window.show();
    QString seenText;
    QTimer::singleShot(0, [&seenText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seenText = box->text();
        EXPECT_EQ(box->windowTitle(), QStringLiteral("信息："));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
        QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    });
    window.startRun();
    MessageBox::setRecordOnly(true);
    EXPECT_TRUE(seenText.endsWith(QStringLiteral("你确认要开始转换吗？")));
    EXPECT_FALSE(window.runner()->isRunning());
}

// Before anything connects, the question says how each session will travel; the 安全 button's dialog is the
// window's --allow-unencrypted.
TEST(MigrationWindow, TheQuestionSaysWhetherEachSessionWillBeEncrypted)
{
    MigrationWindow window;
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("txt_服务器_emlog"))->setText(QStringLiteral("db.example.org:3307"));
    struct Case
    {
        const char* what;
        std::optional<bool> tick; // what the dialog's box is set to before OK, or Cancel pressed
        const char* emlog;
    };
    const Case cases[] = {
        {"by default", std::nullopt,
         "emlog 的数据库在 db.example.org:3307：经网络连接，一定加密，并确认对方就是 db.example.org"
         "（它的证书须由本机信任的机构签发）。"},
        {"clear text allowed", true,
         "emlog 的数据库在 "
         "db.example.org:3307：经网络连接。你允许了不加密的连接：服务器支持时加密（但不确认对方的身份），"
         "不支持时明文传送，路上的人能读到博客的内容。"},
        {"cancelled: the choice stays", std::nullopt,
         "emlog 的数据库在 db.example.org:3307：经网络连接。你允许了不加密"},
        {"allowed no more", false, "emlog 的数据库在 db.example.org:3307：经网络连接，一定加密"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.tick || std::string_view(c.what).starts_with("cancelled")) {
            QTimer::singleShot(0, [&c] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                if (!c.tick) {
                    dialog->findChild<QCheckBox*>(QStringLiteral("选择框_允许不加密"))->setChecked(false);
                    dialog->reject();
                    return;
                }
                dialog->findChild<QCheckBox*>(QStringLiteral("选择框_允许不加密"))->setChecked(*c.tick);
                dialog->accept();
            });
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnSecurity")), Qt::LeftButton);
        }
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        window.startRun();
        ASSERT_EQ(MessageBox::shown().size(), 1);
        const QString question = MessageBox::shown().first().text;
        EXPECT_TRUE(question.startsWith(QString::fromUtf8(c.emlog))) << question.toStdString();
        EXPECT_TRUE(question.contains(QStringLiteral("\nWordPress 的数据库在这台电脑上"))) << question.toStdString();
        EXPECT_FALSE(window.runner()->isRunning());
    }
}

TEST(MigrationWindow, AboutOpensTheAuthorsPage)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    MigrationWindow window;
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnAbout")), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.first(), QUrl(MigrationWindow::authorAddress));
}

TEST(MigrationWindow, TablePrefixesMayHoldOnlyIdentifierCharacters)
{
    for (const char* good : {"", "wp_", "emlog_", "blog$1_", "博客_"})
        EXPECT_TRUE(isValidTablePrefix(QString::fromUtf8(good))) << good;
    for (const char* bad : {"wp-", "wp_ ", "wp_;drop", "a.b", "wp`", "x'", "😀"})
        EXPECT_FALSE(isValidTablePrefix(QString::fromUtf8(bad))) << bad;
}

#include "MigrationWindowTest.moc"
