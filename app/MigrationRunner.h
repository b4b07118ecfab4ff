#pragma once

#include "MigrationRun.h"
#include "RunSettings.h"
#include "SessionSecurity.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

namespace kestrel {

// What a run did, for a caller that wants more than the window's message: each
// migration's tallies and failed rows, and how long it took.
struct RunReport
{
    FailureLog log;
    double elapsedSeconds = 0;
    bool stopped = false; // ended early on request: the tallies say what arrived
    SessionSecurity emlogSession;
    SessionSecurity wordPressSession;
};

// Runs one migration at a time on a worker thread of its own and reports
// through queued signals; it never sees a widget. Destroying it stops the
// run after the statement in flight and waits for the thread.
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
    // Asks the run to stop after the statement in flight, and waits for it.
    void stop();

signals:
    void statusText(const QString& text);
    void progress(int percent);
    void connectionFailed(const QString& message, const QString& detail);
    void finished(const QString& message, const QString& detail);
    // The rows of the current migration read so far; sent with each new percentage.
    void rowProgress(const QString& migration, qint64 rowsRead);
    // When a run completes or stops on request (not when it cannot connect), before ended().
    void reported(const kestrel::RunReport& report);
    // Always the last signal of a run, however it ended.
    void ended();

private:
    void runMigration(const RunSettings& settings, std::stop_token stopToken);

    Pacing m_pacing;
    Clock m_clock;
    Sleeper m_sleeper;
    std::atomic<bool> m_running{false};
    std::jthread m_worker;
};

// "%.13g" of the seconds between two clock readings in milliseconds.
QString formatElapsedSeconds(std::int64_t startMs, std::int64_t endMs);

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::RunReport)
