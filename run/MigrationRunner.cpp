#include "MigrationRunner.h"
#include "Utf8Text.h"

#include "BackupFile.h"
#include "BackupSource.h"
#include "BlogFiles.h"
#include "Emptying.h"
#include "FaceSources.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "RunSessions.h"
#include "RunTexts.h"
#include "UploadsStore.h"

#include <QMetaMethod>

#include <chrono>
#include <exception>

namespace kestrel {

namespace {

std::int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Where the moved blog is read: WordPress's home, as the run read it, or the site it was written through.
std::string siteAddressOf(const MigrationRun& run, const RunSettings& settings)
{
    return run.handoffs.wordPressHome.empty() ? settings.wordPressAddress : run.handoffs.wordPressHome;
}

// The files the blog's faces and pro's link icons name, copied with the others.
std::vector<NamedFile> facesAndIcons(EmlogSource& source)
{
    std::vector<NamedFile> named;
    for (const Face& face : readFaces(source))
        named.push_back({face.reference, std::string(faceTable(*face.origin)), faceSourceId(face)});
    for (const auto& [id, icon] : source.columns("link", "id", "icon").value_or(EmlogValues{})) {
        if (!icon.empty())
            named.push_back({icon, "link", "id=" + std::to_string(id)});
    }
    return named;
}

} // namespace

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
    // Read here, on the thread that makes the connections, before the run's thread starts.
    m_asksToEmpty = isSignalConnected(QMetaMethod::fromSignal(&MigrationRunner::emptyingQuestion));
    m_asksAboutCutBackups = isSignalConnected(QMetaMethod::fromSignal(&MigrationRunner::truncatedBackupQuestion));
    m_worker = std::jthread([this, settings = std::move(settings)](std::stop_token stopToken) {
        try {
            runMigration(settings, stopToken);
        } catch (const std::exception& error) {
            emit finished(texts::interrupted(QString::fromUtf8(error.what())), {});
        }
        m_running = false;
        emit ended();
    });
    return true;
}

void MigrationRunner::requestStop()
{
    m_worker.request_stop();
}

void MigrationRunner::stop()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void MigrationRunner::breakOff()
{
    m_worker.request_stop();
    std::lock_guard lock(m_sessionsLock);
    if (m_sessions)
        m_sessions->breakOff();
}

void MigrationRunner::tell(const RunEvent& event, QString& lastStatus, int& lastPercent)
{
    // The label shows only the latest text: a text equal to the last one is not sent again.
    const QString next = texts::status(event);
    if (next != lastStatus) {
        lastStatus = next;
        emit statusText(next);
    }
    const bool counted = event.what == RunEvent::What::Row || event.what == RunEvent::What::Files;
    if (!counted && !(event.what == RunEvent::What::ReadingBackup && event.total > 0))
        return;
    const int percent = percentDone(event.done, event.total);
    if (percent != lastPercent) {
        lastPercent = percent;
        emit progress(percent);
        // The file's bytes are not rows: the bar and the status line show them, a row count does not.
        if (!counted)
            return;
        const std::string_view kind = event.what == RunEvent::What::Files ? step::files : idOf(event.kind);
        emit rowProgress(QString::fromLatin1(kind.data(), static_cast<qsizetype>(kind.size())), event.done,
                         event.total);
    }
}

void MigrationRunner::answer(bool yes)
{
    {
        std::lock_guard lock(m_answerMutex);
        m_answer = yes;
    }
    m_answered.notify_all();
}

bool MigrationRunner::ask(void (MigrationRunner::*signal)(const QString&), bool asks, const QString& question,
                          std::stop_token stopToken)
{
    if (!asks)
        return true;
    std::unique_lock lock(m_answerMutex);
    m_answer.reset();
    lock.unlock();
    emit(this->*signal)(question);
    lock.lock();
    // A window closed meanwhile stops the run: no answer then.
    return m_answered.wait(lock, stopToken, [this] { return m_answer.has_value(); }) && *m_answer;
}

void MigrationRunner::runMigration(const RunSettings& settings, std::stop_token stopToken)
{
    const std::int64_t startMs = m_clock();

    // This run's own sessions, closed when it ends; breakOff() reaches them meanwhile.
    RunSessions sessions;
    {
        std::lock_guard lock(m_sessionsLock);
        m_sessions = &sessions;
    }
    struct Unregister
    {
        MigrationRunner* runner;
        ~Unregister()
        {
            std::lock_guard lock(runner->m_sessionsLock);
            runner->m_sessions = nullptr;
        }
    } unregister{this};

    // Prefixes go into statements as they are: whatever front end made the settings, an unsafe one
    // stops the run before anything is opened.
    if (const std::optional<QString> refusal = prefixRefusal(settings)) {
        emit finished(*refusal, {});
        return;
    }
    if (const std::optional<QString> refusal = throughPluginRefusal(settings)) {
        emit connectionFailed(*refusal, {});
        return;
    }
    QString failure;
    QString detail;
    if (!sessions.open(settings, failure, detail)) {
        emit connectionFailed(failure, detail);
        return;
    }
    const bool fromBackup = !settings.emlogBackup.empty();
    emit sessionsOpened(fromBackup ? 0 : sessions.emlog().serverSessionId(), sessions.wordPress().serverSessionId());

    MigrationRun run(sessions.emlog(), sessions.wordPress());
    run.emlogPrefix = settings.emlogPrefix;
    run.wordPressPrefix = sessions.wordPressPrefix();
    run.pacing = m_pacing;
    run.keepWordPressTimeZone = settings.keepWordPressTimeZone;
    run.keepWordPressSettings = settings.keepWordPressSettings;
    run.menuName = texts::menuName().toStdString();
    run.homeLabel = texts::homeLabel().toStdString();
    run.sleep = m_sleeper;
    run.stopToken = stopToken;
    QString lastStatus;
    int lastPercent = -1;
    run.tell = [&](const RunEvent& event) { tell(event, lastStatus, lastPercent); };

    // A file cut short is read as far as it goes when the settings accept that, or the user does.
    BackupFile backup;
    const bool mayAsk = m_asksAboutCutBackups && !settings.acceptTruncatedBackup;
    if (fromBackup) {
        auto source = std::make_unique<BackupSource>(run, backup);
        source->problemText = [](const BackupProblem& problem) { return texts::backupProblem(problem).toStdString(); };
        source->cutText = [](const BackupCut& cut) { return texts::backupCut(cut).toStdString(); };
        source->passedOverText = [](const PassedOver& statement) {
            return texts::passedOverStatement(statement).toStdString();
        };
        // A statement larger than WordPress takes is not held: no row of it could be written.
        backup.largestStatement = sessions.wordPress().maxStatementBytes();
        const bool opened = source->open(settings.emlogBackup, settings.acceptTruncatedBackup || mayAsk);
        run.source = std::move(source);
        if (!opened && !run.stopRequested()) {
            emit connectionFailed(texts::backupUnreadable(), texts::backupProblem(backup.problem()));
            return;
        }
    }
    if (fromBackup && mayAsk && (backup.cut().cut || !backup.passedOver().empty()) &&
        !ask(&MigrationRunner::truncatedBackupQuestion, true,
             texts::truncatedBackupQuestion(text(settings.emlogBackup), backup.cut(), backup.passedOver()), stopToken))
        return;

    // Before anything is written: an emlog 2.x database must first be upgraded by emlog itself.
    if (!run.stopRequested() && isEmlogTwo(*run.source)) {
        emit connectionFailed(texts::emlogTwoRefusal(), {});
        return;
    }

    // What a reader refuses, it refuses before the first write.
    if (const std::optional<RefusedValue> refused = run.stopRequested() ? std::nullopt : valuePastBounds(run)) {
        emit connectionFailed(QStringLiteral("emlog 的数据读不下去，没有开始转换."), texts::refusedValue(*refused));
        return;
    }

    std::optional<EmptyingPlan> emptied;
    if (settings.emptyWordPressFirst && !run.stopRequested()) {
        EmptyingPlan plan = planEmptying(run, *run.source, backupFilePath(settings));
        if (plan.refused()) {
            emit finished(texts::emptyingRefusal(plan), {});
            return;
        }
        if (!ask(&MigrationRunner::emptyingQuestion, m_asksToEmpty, texts::runConfirmationQuestion(plan), stopToken))
            return;
        lastStatus = texts::emptyingStatus();
        emit statusText(lastStatus);
        if (const std::optional<EmptyingFailure> failure = emptyWordPress(run, plan)) {
            emit finished(texts::emptyingFailure(*failure, text(plan.backupFile)), texts::details(run.failures));
            return;
        }
        emptied = std::move(plan);
        run.pace(run.pacing.afterEmptying);
    }

    // Before the rows that name them, so that the articles show the files where they now are.
    // Through the plugin, into the site's uploads folder by its file route.
    const std::unique_ptr<BlogFiles> files =
        run.stopRequested()
            ? nullptr
            : BlogFiles::copy(run, *run.source, settings.files, settings.emptyWordPressFirst,
                              settings.files.wanted() ? sessions.pluginUploads() : nullptr,
                              settings.files.wanted() ? facesAndIcons(*run.source) : std::vector<NamedFile>{});
    run.files = files.get();
    for (auto migration : allMigrations) {
        if (run.stopRequested())
            break;
        migration(run);
    }
    const std::int64_t endMs = m_clock();
    const bool stopped = run.stopRequested();
    const RunReport report{run.failures,
                           static_cast<double>(endMs - startMs) / 1000.0,
                           stopped,
                           emptied,
                           fromBackup ? SessionSecurity{} : sessionSecurity(run.emlog),
                           sessionSecurity(run.wordPress),
                           settings.emlogBackup,
                           stopped ? std::string() : siteAddressOf(run, settings),
                           readsBundledSample(settings)};
    emit reported(report);
    if (stopped)
        return;
    emit statusText(texts::finishedStatus());
    emit finished(texts::completion(report), texts::details(run.failures));
}

} // namespace kestrel
