#include "VerifyCommand.h"

#include "CommandLine.h"
#include "Interrupt.h"
#include "Output.h"
#include "ProgressPrinter.h"
#include "ReportFile.h"
#include "ReportJson.h"
#include "ReportOutput.h"
#include "Terminal.h"
#include "VerifyRunner.h"
#include "VerifyTexts.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

namespace kestrel {

int verifyCommand(const CommandLine& line, ReportFile* json, ReportFile* html)
{
    VerifyRunner runner;
    ProgressPrinter progress(terminal::errorIsTerminal());
    QObject::connect(&runner, &VerifyRunner::statusText, &progress, &ProgressPrinter::setStatusText);
    QString failure;
    std::optional<Verification> result;
    QObject::connect(&runner, &VerifyRunner::failed,
                     [&](const QString& message, const QString& detail) { failure = message + '\n' + detail; });
    QObject::connect(&runner, &VerifyRunner::verified,
                     [&](const Verification& verification) { result = verification; });
    QEventLoop loop;
    QObject::connect(&runner, &VerifyRunner::ended, &loop, &QEventLoop::quit);
    bool interrupted = false;
    QTimer interrupts;
    QObject::connect(&interrupts, &QTimer::timeout, [&] {
        if (!interrupt::requested())
            return;
        interrupts.stop();
        interrupted = true;
        runner.stop();
    });
    interrupts.start(50);

    VerifySettings settings;
    settings.site = line.site;
    // Through the plugin the site is the plugin's, and trusted as it is.
    if (!line.settings.wordPressAddress.empty()) {
        settings.trust = {line.settings.wordPress.caFile, line.settings.wordPress.tlsFingerprint};
        if (settings.site.empty())
            settings.site = line.settings.wordPressAddress;
    }
    settings.emlogFiles = line.settings.files.source;
    settings.keepWordPressTimeZone = line.settings.keepWordPressTimeZone;
    settings.keepWordPressSettings = line.settings.keepWordPressSettings;
    runner.start(line.settings, settings);
    loop.exec();
    progress.finish();

    if (!failure.isEmpty()) {
        output::toStderr(failure.trimmed() + '\n');
        return exitStatus::usageOrServer;
    }
    if (!result)
        return interrupted ? exitStatus::interrupted : exitStatus::usageOrServer;
    output::toStdout(texts::verificationText(*result));
    for (const auto& [file, contents, path] : {std::tuple{json, verificationJson(*result), line.jsonFile},
                                               std::tuple{html, texts::verificationPage(*result), line.htmlFile}}) {
        QString error;
        if (file && !file->commit(contents, error))
            output::toStderr(QStringLiteral("写不了 %1：%2\n").arg(path, error));
    }
    if (interrupted)
        return exitStatus::interrupted;
    return result->findings.empty() ? exitStatus::allArrived : exitStatus::rowsFailed;
}

} // namespace kestrel
