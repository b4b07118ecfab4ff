#pragma once

#include "Findings.h"
#include "RunSettings.h"
#include "VerifyContext.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

namespace kestrel {

// Verifies a copy on a worker thread of its own, with sessions of its own as a run opens them, and
// reports through queued signals; it never sees a widget, and the thread that started it never waits
// on the network. Destroying it stops the verification and waits for the thread.
class VerifyRunner : public QObject
{
    Q_OBJECT

public:
    explicit VerifyRunner(QObject* parent = nullptr);
    ~VerifyRunner() override;

    bool isRunning() const { return m_running; }
    // Starts a verification of what a run with these settings copied; false while one is under way.
    bool start(RunSettings settings, VerifySettings verify);
    // Asks it to stop, and waits.
    void stop();

signals:
    void statusText(const QString& text);
    // It could not be made: a session that would not open, or something it could not read.
    void failed(const QString& message, const QString& detail);
    void verified(const kestrel::Verification& verification);
    // Always the last signal, however it ended.
    void ended();

private:
    void verify(const RunSettings& settings, const VerifySettings& verify, std::stop_token stopToken);

    std::atomic<bool> m_running{false};
    std::jthread m_worker;
};

} // namespace kestrel

Q_DECLARE_METATYPE(kestrel::Verification)
