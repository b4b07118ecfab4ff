#include "VerifyRunner.h"

#include "BackupFile.h"
#include "BackupSource.h"
#include "MigrationRun.h"
#include "RunSessions.h"
#include "RunTexts.h"
#include "Verifier.h"
#include "VerifyTexts.h"

#include <chrono>
#include <exception>

namespace kestrel {

VerifyRunner::VerifyRunner(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<kestrel::Verification>();
}

VerifyRunner::~VerifyRunner()
{
    stop();
}

bool VerifyRunner::start(RunSettings settings, VerifySettings verifySettings)
{
    if (m_running.exchange(true))
        return false;
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::jthread(
        [this, settings = std::move(settings), verifySettings = std::move(verifySettings)](std::stop_token stopToken) {
            try {
                verify(settings, verifySettings, stopToken);
            } catch (const std::exception& error) {
                emit failed(QStringLiteral("核对中断：%1").arg(QString::fromUtf8(error.what())), {});
            }
            m_running = false;
            emit ended();
        });
    return true;
}

void VerifyRunner::stop()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void VerifyRunner::verify(const RunSettings& settings, const VerifySettings& verifySettings, std::stop_token stopToken)
{
    if (const std::optional<QString> refusal = prefixRefusal(settings)) {
        emit failed(*refusal, {});
        return;
    }
    RunSessions sessions;
    QString failure, detail;
    if (!sessions.open(settings, failure, detail)) {
        emit failed(failure, detail);
        return;
    }
    MigrationRun run(sessions.emlog(), sessions.wordPress());
    run.emlogPrefix = settings.emlogPrefix;
    run.wordPressPrefix = sessions.wordPressPrefix();
    run.keepWordPressTimeZone = settings.keepWordPressTimeZone;
    run.stopToken = stopToken;
    BackupFile backup;
    if (!settings.emlogBackup.empty()) {
        auto source = std::make_unique<BackupSource>(run, backup);
        source->problemText = [](const BackupProblem& problem) { return texts::backupProblem(problem).toStdString(); };
        source->cutText = [](const BackupCut& cut) { return texts::backupCut(cut).toStdString(); };
        const bool opened = source->open(settings.emlogBackup, settings.acceptTruncatedBackup);
        run.source = std::move(source);
        if (!opened) {
            emit failed(QStringLiteral("emlog备份文件读取失败."), texts::backupProblem(backup.problem()));
            return;
        }
    }
    // A status line every tenth of a second at most, and each part's last.
    auto lastSent = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    Verification result;
    const std::optional<VerifyFailure> unread =
        verifyCopy(run, verifySettings, result, [&](const VerifyProgress& progress) {
            const auto now = std::chrono::steady_clock::now();
            if (now - lastSent < std::chrono::milliseconds(100) && progress.done != progress.total)
                return;
            lastSent = now;
            emit statusText(texts::verifyStatus(progress));
        });
    if (unread) {
        emit failed(texts::verifyFailure(*unread), {});
        return;
    }
    emit verified(result);
}

} // namespace kestrel
