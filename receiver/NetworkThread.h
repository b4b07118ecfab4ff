#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class QNetworkAccessManager;
class QObject;

namespace kestrel {

// A thread of its own for Qt's network objects, whose event loop always runs: a request started there
// goes on its way, its body and all, while the thread that started it works on. Qt sends nothing of a
// request while the thread its manager lives in is busy; the run's worker thread mostly is.
// Jobs are carried out in the order given, each with the thread's one QNetworkAccessManager. Qt's event
// loops need the program's QCoreApplication.
class NetworkThread
{
public:
    using Job = std::function<void(QNetworkAccessManager&)>;

    NetworkThread();
    ~NetworkThread(); // what is still on its way is dropped
    NetworkThread(const NetworkThread&) = delete;
    NetworkThread& operator=(const NetworkThread&) = delete;

    // From any thread but this one's own.
    void run(Job job);

private:
    void serve();
    void carryOut(QNetworkAccessManager& network);

    std::mutex m_lock;
    std::condition_variable m_started;
    std::deque<Job> m_jobs;
    bool m_closing = false;
    bool m_serving = false;
    QObject* m_home = nullptr; // lives in the thread; set while it serves
    std::thread m_thread;
};

} // namespace kestrel
