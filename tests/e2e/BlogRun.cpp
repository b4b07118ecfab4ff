#include "BlogRun.h"

#include "BackupChooser.h"

#include "GuiTesting.h"
#include "MigrationRunner.h"
#include "TestServer.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <thread>

namespace kestrel::test {

RunSettings testServerSettings(const std::string& emlogDatabase, const std::string& wordPressDatabase,
                               const std::string& wordPressPrefix)
{
    RunSettings settings;
    settings.emlog = {testServer().address(), "root", testServer().password, emlogDatabase};
    settings.wordPress = {testServer().address(), "root", testServer().password, wordPressDatabase};
    settings.emlogPrefix = "emlog_";
    settings.wordPressPrefix = wordPressPrefix;
    return settings;
}

std::optional<RunReport> runToEnd(MigrationRunner& runner, const RunSettings& settings)
{
    std::optional<RunReport> report;
    bool ended = false;
    QObject::connect(&runner, &MigrationRunner::reported, [&](const RunReport& got) { report = got; });
    QObject::connect(&runner, &MigrationRunner::ended, [&ended] { ended = true; });
    EXPECT_TRUE(runner.start(settings));
    EXPECT_TRUE(waitUntil([&ended] { return ended; }, 120000));
    return report;
}

MessageBox::Shown migrateThroughWindow(const BlogPair& blogs, bool emptyFirst,
                                       const std::function<void(MigrationWindow&)>& afterwards)
{
    MigrationWindow window;
    window.show();
    const QString address = QString::fromStdString(testServer().address());
    typeInto(window, QStringLiteral("txt_服务器_emlog"), address);
    typeInto(window, QStringLiteral("txt_数据库_emlog"), QString::fromStdString(blogs.emlogDatabase));
    typeInto(window, QStringLiteral("txt_前缀_emlog"), QString::fromStdString(blogs.emlogPrefix));
    typeInto(window, QStringLiteral("txt_服务器_Wp"), address);
    for (const QString& field : {QStringLiteral("txt_密码_emlog"), QStringLiteral("txt_密码_Wp")})
        typeInto(window, field, QString::fromStdString(testServer().password));
    typeInto(window, QStringLiteral("txt_数据库_Wp"), QString::fromStdString(blogs.wordPressDatabase));
    typeInto(window, QStringLiteral("txt_前缀_Wp"), QString::fromStdString(blogs.wordPressPrefix));
    if (!blogs.emlogBackup.empty()) {
        BackupChooser::setNextChoice(QString::fromStdString(blogs.emlogBackup));
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnBackup_emlog")), Qt::LeftButton);
    }
    if (blogs.files.wanted()) {
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnFiles")), Qt::LeftButton);
        QDialog* dialog = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (dialog = window.findChild<QDialog*>(QStringLiteral("FilesDialog"))); }));
        dialog->findChild<QLineEdit*>(QStringLiteral("txt_文件_emlog"))
            ->setText(QString::fromStdString(blogs.files.source));
        dialog->findChild<QLineEdit*>(QStringLiteral("txt_上传_Wp"))
            ->setText(QString::fromStdString(blogs.files.uploadsFolder));
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        EXPECT_TRUE(waitUntil([&] { return !window.findChild<QDialog*>(QStringLiteral("FilesDialog")); }));
    }
    window.findChild<QCheckBox*>(QStringLiteral("选择框_清空"))->setChecked(emptyFirst);
    window.runner()->setPacing(Pacing::none());
    const int before = boxesWithText(QStringLiteral("转换完成"));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    if (blogs.verify) {
        MessageBox::setNextAnswer(MessageBox::Answer::Action);
        // The run's thread ends a moment after its message, as on a busy machine: 核对 still starts.
        QObject::connect(
            window.runner(), &MigrationRunner::finished, window.runner(),
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); }, Qt::DirectConnection);
    }
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("btnGo")), Qt::LeftButton);
    if (!waitUntil([before] { return boxesWithText(QStringLiteral("转换完成")) > before; }, 120000)) {
        ADD_FAILURE() << "the run did not end";
        return {};
    }
    MessageBox::Shown done;
    for (const MessageBox::Shown& box : MessageBox::shown()) {
        if (box.text.startsWith(QStringLiteral("转换完成")))
            done = box;
    }
    if (afterwards)
        afterwards(window);
    return done;
}

QJsonObject wordPressView(const std::string& database, const std::string& prefix)
{
    const std::string json = runWordPressScript(sourceDir() + "/scripts/wordpress/view.php", database, prefix);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

} // namespace kestrel::test
