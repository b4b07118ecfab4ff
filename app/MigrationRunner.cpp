#include "MigrationRunner.h"

#include "BackupFile.h"
#include "BackupRows.h"
#include "Encryption.h"
#include "Migrations.h"

#include <chrono>
#include <cstdio>
#include <exception>

namespace kestrel {

namespace {

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Whether a blog's session was encrypted at the end of the run, and with what.
QString encryptionLine(const QString& blog, const BlogConnection& session)
{
    if (!session)
        return blog + QStringLiteral("：连接已断开");
    const std::string cipher = sessionCipher(session);
    if (cipher.empty())
        return blog + QStringLiteral("：未加密");
    QString how = text(sessionTlsVersion(session) + "，" + cipher);
    if (session.verifiesServer())
        how += QStringLiteral("，已验证服务器证书");
    return blog + QStringLiteral("：加密连接（%1）").arg(how);
}

} // namespace

QString formatElapsedSeconds(std::int64_t startMs, std::int64_t endMs)
{
    const double seconds = (static_cast<double>(endMs) - static_cast<double>(startMs)) / 1000.0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", seconds);
    return QString::fromLatin1(buffer);
}

MigrationRunner::MigrationRunner(QObject* parent) : QObject(parent), m_clock(steadyMilliseconds) {}

MigrationRunner::~MigrationRunner()
{
    stop();
}

bool MigrationRunner::start(RunSettings settings)
{
    if (m_running.exchange(true))
        return false;
    if (m_worker.joinable())
        m_worker.join(); // the previous run has ended; its thread is done
    m_worker = std::jthread([this, settings = std::move(settings)](std::stop_token stopToken) {
        try {
            runMigration(settings, stopToken);
        } catch (const std::exception& error) {
            emit finished(QStringLiteral("转换中断：%1").arg(QString::fromUtf8(error.what())), {});
        }
        m_running = false;
        emit ended();
    });
    return true;
}

void MigrationRunner::stop()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void MigrationRunner::runMigration(const RunSettings& settings, std::stop_token stopToken)
{
    const std::int64_t startMs = m_clock();

    // The previous run's sessions are closed before this run opens its own.
    closeSessions();

    MigrationRun run(emlogSession(), wordPressSession());
    run.emlogPrefix = settings.emlogPrefix;
    run.wordPressPrefix = settings.wordPressPrefix;
    run.pacing = m_pacing;
    run.sleep = m_sleeper;
    run.stopToken = stopToken;
    QString lastStatus;
    run.setStatusText = [this, &lastStatus](const std::string& status) {
        // The label shows only the latest text: a text equal to the last one is not sent again.
        const QString next = text(status);
        if (next != lastStatus) {
            lastStatus = next;
            emit statusText(next);
        }
    };
    int lastPercent = -1;
    run.setProgress = [this, &lastPercent, &run](int percent) {
        if (percent != lastPercent) {
            lastPercent = percent;
            emit progress(percent);
            // The migration under way is the one whose tally was made last.
            if (const auto& tallies = run.failures.tallies(); !tallies.empty())
                emit rowProgress(text(tallies.back().migration), tallies.back().read);
        }
    };

    BackupFile backup;
    if (!settings.emlogBackup.empty()) {
        if (!useEmlogBackup(run, backup, settings.emlogBackup, settings.acceptTruncatedBackup)) {
            emit connectionFailed(QStringLiteral("emlog备份文件读取失败."), text(backup.error()));
            return;
        }
    } else if (!connectEmlog(settings.emlog)) {
        emit connectionFailed(QStringLiteral("emlog博客数据库连接失败."), text(emlogSession().lastError()));
        return;
    }
    if (!connectWordPress(settings.wordPress)) {
        emit connectionFailed(QStringLiteral("WordPress博客数据库连接失败."), text(wordPressSession().lastError()));
        return;
    }

    if (settings.emptyWordPressFirst && !run.stopRequested()) {
        run.setStatusText("正在先清空wp数据库。");
        emptyWordPress(run);
        run.pace(run.pacing.afterEmptying);
    }

    for (auto migration : allMigrations) {
        if (run.stopRequested())
            break;
        migration(run);
    }
    const std::int64_t endMs = m_clock();
    emit reported(RunReport{run.failures, static_cast<double>(endMs - startMs) / 1000.0, run.stopRequested()});
    if (run.stopRequested())
        return;

    QString message =
        QStringLiteral("转换完成，共用时：") + formatElapsedSeconds(startMs, endMs) + QStringLiteral("秒。");
    message += "\n" +
               (run.emlogBackup ? QStringLiteral("emlog：备份文件 %1").arg(text(settings.emlogBackup))
                                : encryptionLine(QStringLiteral("emlog"), run.emlog)) +
               "\n" + encryptionLine(QStringLiteral("WordPress"), run.wordPress);
    if (run.failures.worthReporting())
        message += "\n\n" + text(run.failures.summary());
    emit finished(message, text(run.failures.details()));
}

} // namespace kestrel
