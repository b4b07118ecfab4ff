#pragma once

#include <functional>
#include <mutex>

namespace kestrel {

// Breaks off what a session is doing, from any thread: what is in flight fails at once as a lost
// session, and the session is never opened again. For a program that must close while a server no
// longer answers, rather than wait out the read timeout.
class SessionBreaker
{
public:
    void breakOff();
    bool broken() const;

    // How to break off what the session's connection `owner` is doing: set by the session when that
    // connection is in place (called at once when broken already), cleared by it before the connection
    // goes. Called under the lock, so never on a connection gone.
    void attach(const void* owner, std::function<void()> cancel);
    void detach(const void* owner);

private:
    mutable std::mutex m_lock;
    const void* m_owner = nullptr;
    std::function<void()> m_cancel;
    bool m_broken = false;
};

} // namespace kestrel
