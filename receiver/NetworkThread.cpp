#include "NetworkThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QNetworkAccessManager>

namespace kestrel {

namespace {

// Told of new jobs by an event of Qt's own: what the jobs carry goes across under the thread's lock.
class Home : public QObject
{
public:
    explicit Home(std::function<void()> wake) : m_wake(std::move(wake)) {}

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        m_wake();
        return true;
    }

private:
    std::function<void()> m_wake;
};

} // namespace

NetworkThread::NetworkThread() : m_thread([this] { serve(); })
{
    std::unique_lock lock(m_lock);
    m_started.wait(lock, [this] { return m_serving; });
}

NetworkThread::~NetworkThread()
{
    QObject* home = nullptr;
    {
        std::lock_guard lock(m_lock);
        m_closing = true;
        home = m_home;
    }
    if (home)
        QCoreApplication::postEvent(home, new QEvent(QEvent::User));
    m_thread.join();
}

void NetworkThread::run(Job job)
{
    QObject* home = nullptr;
    {
        std::lock_guard lock(m_lock);
        m_jobs.push_back(std::move(job));
        home = m_home;
    }
    if (home)
        QCoreApplication::postEvent(home, new QEvent(QEvent::User));
}

void NetworkThread::serve()
{
    QEventLoop loop;
    QNetworkAccessManager network;
    Home home([&] {
        carryOut(network);
        std::lock_guard lock(m_lock);
        if (m_closing && m_jobs.empty())
            loop.quit();
    });
    {
        std::lock_guard lock(m_lock);
        m_home = &home;
        m_serving = true;
    }
    m_started.notify_all();
    loop.exec();
    std::lock_guard lock(m_lock);
    m_home = nullptr;
}

void NetworkThread::carryOut(QNetworkAccessManager& network)
{
    for (;;) {
        Job job;
        {
            std::lock_guard lock(m_lock);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job(network);
    }
}

} // namespace kestrel
