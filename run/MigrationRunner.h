#pragma once

#include "RunContext.h"
#include "RunReport.h"
#include "RunSettings.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrel {

class RunSessions;

// Runs one migration at a time on a worker thread of its own, with sessions of its own that it
// opens and closes, and reports through queued signals; it never sees a widget. Destroying it
// stops the run after the statement in flight and waits for the thread.
class MigrationRunner : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<std::int64_t()>; // milliseconds
    using Sleeper = std::function<void(milliseconds, std::stop_token)>;

    explicit MigrationRunner(QObject* parent = nullptr);
    ~MigrationRunner() override;

    void setPacing(const Pacing& pacing) { m_pacing = pacing; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }

    bool isRunning() const { return m_running; }
    // Starts a run; false (and nothing done) while another one is in progress.
    bool start(RunSettings settings);
    // Asks the run to stop after the statement in flight, without waiting: ended() follows.
    void requestStop();
    // Asks the run to stop, and waits for it.
    void stop();
    // From the caller's thread, without waiting: the statement in flight on either session is
    // broken off, for a program that must close while a server no longer answers. What it was
    // writing is undone by the server with its transaction; ended() follows soon.
    void breakOff();
    // The answer to the run's question (emptyingQuestion, truncatedBackupQuestion): yes goes on,
    // no ends the run with nothing changed.
    void answer(bool yes);

signals:
    // Before emptying WordPress first, once the run knows what would go: the question to put to the
    // user. The run waits for answerEmptying(); with nothing connected here it goes ahead, the caller
    // having asked already (a script's --yes).
    void emptyingQuestion(const QString& question);
    // A backup file that stops before its end, when the settings do not already accept one: the
    // question to put; yes reads what is there. With nothing connected here such a file is refused.
    void truncatedBackupQuestion(const QString& question);
    void statusText(const QString& text);
    void progress(int percent);
    // The rows of a kind (its id) through so far, of its total; sent with each new percentage.
    void rowProgress(const QString& kind, qint64 done, qint64 total);
    // Both sessions are open: the server's ids of the two (for a log, or a test).
    void sessionsOpened(quint64 emlogSession, quint64 wordPressSession);
    void connectionFailed(const QString& message, const QString& detail);
    void finished(const QString& message, const QString& detail);
    // When a run completes or stops on request (not when it cannot connect), before ended().
    void reported(const kestrel::RunReport& report);
    // Always the last signal of a run, however it ended.
    void ended();

private:
    void runMigration(const RunSettings& settings, std::stop_token stopToken);
    void tell(const RunEvent& event, QString& lastStatus, int& lastPercent);
    // Puts a question through `signal` and waits for answer(); yes at once when `asks` is false.
    bool ask(void (MigrationRunner::*signal)(const QString&), bool asks, const QString& question,
             std::stop_token stopToken);

    std::mutex m_answerMutex;
    std::condition_variable_any m_answered;
    std::optional<bool> m_answer;
    bool m_asksToEmpty = false;
    bool m_asksAboutCutBackups = false;

    Pacing m_pacing;
    Clock m_clock;
    Sleeper m_sleeper;
    std::atomic<bool> m_running{false};
    std::mutex m_sessionsLock; // guards m_sessions, which the worker owns
    RunSessions* m_sessions = nullptr;
    std::jthread m_worker;
};

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::RunReport)
