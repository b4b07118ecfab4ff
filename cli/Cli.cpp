#include "Cli.h"
#include "Utf8Text.h"

#include "BackupFile.h"
#include "BackupOutput.h"
#include "CheckOutput.h"
#include "CommandLine.h"
#include "Interrupt.h"
#include "MigrationRunner.h"
#include "Output.h"
#include "Passwords.h"
#include "ProgressPrinter.h"
#include "ReportFile.h"
#include "ReportOutput.h"
#include "RunCheck.h"
#include "RunTexts.h"
#include "Terminal.h"
#include "VerifyCommand.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace kestrel {

namespace {

int usageError(const QString& message)
{
    output::toStderr(QStringLiteral("kestrel-cli：%1\n请用 --help 查看用法。\n").arg(message));
    return exitStatus::usageOrServer;
}

// Fills in both passwords; an exit status when that could not be done.
std::optional<int> findPasswords(CommandLine& line, bool interactive)
{
    struct Blog
    {
        ConnectionFields& fields;
        PasswordSource source;
    };
    Blog blogs[] = {
        {line.settings.emlog,
         {line.emlogPasswordFile, "KESTREL_EMLOG_PASSWORD",
          QStringLiteral("emlog 数据库（%1）的密码：").arg(text(line.settings.emlog.user)), interactive}},
        {line.settings.wordPress,
         {line.wordPressPasswordFile, "KESTREL_WP_PASSWORD",
          (line.settings.wordPressAddress.empty() ? QStringLiteral("WordPress 数据库（%1）的密码：")
                                                  : QStringLiteral("WordPress 用户 %1 的应用程序密码："))
              .arg(text(line.settings.wordPress.user)),
          interactive}},
    };
    for (Blog& blog : blogs) {
        if (&blog.fields == &line.settings.emlog && !line.settings.emlogBackup.empty())
            continue; // a backup file needs no password
        Password password = findPassword(blog.source);
        if (password.outcome == Password::Outcome::Interrupted)
            return exitStatus::interrupted;
        if (password.outcome == Password::Outcome::Unreadable)
            return usageError(password.error);
        if (!password.warning.isEmpty())
            output::toStderr(password.warning + QLatin1Char('\n'));
        blog.fields.password = std::move(password.text);
    }
    return std::nullopt;
}

// Whether emptying WordPress first may go ahead: --yes, or a yes from the person at the terminal.
std::optional<int> confirmEmptying(const CommandLine& line, bool interactive)
{
    if (!line.settings.emptyWordPressFirst || line.yes)
        return std::nullopt;
    if (!interactive)
        return usageError(QStringLiteral("--empty-first 会先删除 WordPress 的文章、评论、分类、标签和链接，"
                                         "不在终端上运行时要再加 --yes 确认。什么都没有删除。"));
    return std::nullopt; // the run asks, once it knows what would go
}

// The window's question before emptying, with what would go and where its backup is written.
bool askToEmpty(const QString& question, bool& interrupted)
{
    const auto answer = terminal::ask((question + QStringLiteral(" [y/N] ")).toStdString(), true);
    if (!answer) {
        interrupted = interrupt::requested();
        return false;
    }
    const QString reply = text(*answer).trimmed().toLower();
    if (reply == QStringLiteral("y") || reply == QStringLiteral("yes") || reply == QStringLiteral("是"))
        return true;
    output::toStderr(QStringLiteral("没有开始转换，什么都没有改动。\n"));
    return false;
}

// Said before connecting, as the window says it before a run.
void announceSessions(const RunSettings& settings)
{
    output::toStderr(texts::plannedRoute(settings) + QLatin1Char('\n'));
}

int check(const CommandLine& line)
{
    announceSessions(line.settings);
    QString failure;
    BackupFile backup;
    const std::optional<BlogCheckReport> report = checkBeforeRun(line.settings, failure, &backup);
    if (!report) {
        output::toStderr(failure + QLatin1Char('\n'));
        return exitStatus::usageOrServer;
    }
    if (interrupt::requested())
        return exitStatus::interrupted;
    const bool fromBackup = !line.settings.emlogBackup.empty();
    const CheckSettings settings = checkSettingsOf(line.settings, fromBackup ? &backup : nullptr);
    if (fromBackup)
        output::toStdout(backupText(backup));
    output::toStdout(checkText(*report, settings));
    return report->runCanGoAhead() ? exitStatus::allArrived : exitStatus::rowsFailed;
}

int run(const CommandLine& line, ReportFile* json)
{
    MigrationRunner runner;
    if (line.noPacing)
        runner.setPacing(Pacing::none());
    ProgressPrinter progress(terminal::errorIsTerminal());
    QObject::connect(&runner, &MigrationRunner::statusText, &progress, &ProgressPrinter::setStatusText);
    QObject::connect(&runner, &MigrationRunner::progress, &progress, &ProgressPrinter::setProgress);
    QObject::connect(&runner, &MigrationRunner::rowProgress, &progress, &ProgressPrinter::setRowProgress);

    QString connectionFailure;
    QString finishedMessage;
    std::optional<RunReport> report;
    QObject::connect(&runner, &MigrationRunner::connectionFailed, [&](const QString& message, const QString& detail) {
        connectionFailure = message + '\n' + detail;
    });
    QObject::connect(&runner, &MigrationRunner::finished,
                     [&](const QString& message, const QString&) { finishedMessage = message; });
    QObject::connect(&runner, &MigrationRunner::reported, [&](const RunReport& result) { report = result; });
    QEventLoop loop;
    QObject::connect(&runner, &MigrationRunner::ended, &loop, &QEventLoop::quit);
    bool declined = false;
    bool interruptedWhileAsked = false;
    if (line.settings.emptyWordPressFirst && !line.yes) {
        QObject::connect(&runner, &MigrationRunner::emptyingQuestion, [&](const QString& question) {
            progress.finish();
            const bool yes = askToEmpty(question, interruptedWhileAsked);
            declined = !yes;
            runner.answer(yes);
        });
    }

    QTimer interrupts;
    QObject::connect(&interrupts, &QTimer::timeout, [&] {
        if (!interrupt::requested())
            return;
        interrupts.stop();
        progress.finish();
        output::toStderr(QStringLiteral("正在停止：等进行中的语句结束（再按一次 Ctrl-C 立即退出）……\n"));
        runner.stop(); // returns once the run has ended; its last signals are then delivered
    });
    interrupts.start(50);

    // A script learns it from the report; its standard error keeps to the progress lines.
    if (terminal::errorIsTerminal())
        announceSessions(line.settings);
    runner.start(line.settings);
    loop.exec();
    progress.finish();

    // A script reading the JSON learns how the run ended, however it ended.
    auto writeJson = [json, &line](const QByteArray& contents) {
        QString error;
        if (json && !json->commit(contents, error))
            output::toStderr(QStringLiteral("写不了 %1：%2\n").arg(line.jsonFile, error));
    };
    if (!connectionFailure.isEmpty()) {
        output::toStderr(connectionFailure + '\n');
        writeJson(failureJson(connectionFailure));
        return exitStatus::usageOrServer;
    }
    if (declined) {
        writeJson(failureJson(QStringLiteral("没有开始转换，什么都没有改动。")));
        return interruptedWhileAsked ? exitStatus::interrupted : exitStatus::rowsFailed;
    }
    if (!report) { // the run broke off without a report of its own
        output::toStdout(finishedMessage + '\n');
        writeJson(failureJson(finishedMessage));
        return exitStatus::rowsFailed;
    }
    output::toStdout(reportText(*report));
    writeJson(reportJson(*report));
    return exitStatusOf(*report);
}

} // namespace

int runCommandLine(const QStringList& arguments)
{
    CommandLine line = parseCommandLine(arguments);
    if (line.outcome == CommandLine::Outcome::Answered)
        return exitStatus::allArrived;
    if (line.outcome == CommandLine::Outcome::UsageError)
        return usageError(line.error);

    interrupt::watch();
    const bool interactive = terminal::inputIsTerminal();
    if (const auto status = findPasswords(line, interactive))
        return *status;
    if (line.check)
        return check(line);
    if (const auto status = line.verify ? std::nullopt : confirmEmptying(line, interactive))
        return *status;

    // Opened before the run, so that a file that cannot be written stops it before anything changes.
    std::optional<ReportFile> json, html;
    for (auto [file, path] : {std::pair{&json, &line.jsonFile}, std::pair{&html, &line.htmlFile}}) {
        if (path->isEmpty())
            continue;
        file->emplace();
        QString error;
        if (!(*file)->open(*path, error))
            return usageError(QStringLiteral("写不了 %1：%2").arg(*path, error));
    }
    if (line.verify)
        return verifyCommand(line, json ? &*json : nullptr, html ? &*html : nullptr);
    return run(line, json ? &*json : nullptr);
}

} // namespace kestrel
