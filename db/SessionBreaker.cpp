#include "SessionBreaker.h"

namespace kestrel {

void SessionBreaker::breakOff()
{
    std::lock_guard lock(m_lock);
    m_broken = true;
    if (m_cancel)
        m_cancel();
}

bool SessionBreaker::broken() const
{
    std::lock_guard lock(m_lock);
    return m_broken;
}

void SessionBreaker::attach(const void* owner, std::function<void()> cancel)
{
    std::lock_guard lock(m_lock);
    m_owner = owner;
    m_cancel = std::move(cancel);
    // Broken while no connection was in place (during a reconnect): this one goes the same way.
    if (m_broken && m_cancel)
        m_cancel();
}

void SessionBreaker::detach(const void* owner)
{
    std::lock_guard lock(m_lock);
    if (m_owner != owner)
        return;
    m_owner = nullptr;
    m_cancel = nullptr;
}

} // namespace kestrel
