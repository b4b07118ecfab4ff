#include "MysqlHandle.h"

#include <mutex>

namespace kestrel {

namespace {

// The client library sets itself up on the first mysql_init(), which is not safe on two threads at
// once: that call is serialised process-wide, and so is closing. Sessions then open side by side.
std::mutex openLock;
std::mutex closeLock;

} // namespace

MysqlHandle MysqlHandle::make()
{
    MysqlHandle handle;
    std::lock_guard lock(openLock);
    handle.m_mysql.reset(mysql_init(nullptr));
    return handle;
}

void MysqlHandle::attach(const std::shared_ptr<SessionBreaker>& breaker)
{
    MYSQL* mysql = m_mysql.get();
    if (!mysql || !breaker)
        return;
    m_mysql.get_deleter().breaker = breaker;
    breaker->attach(mysql, [mysql] { mariadb_cancel(mysql); });
}

void MysqlHandle::Closer::operator()(MYSQL* mysql) const noexcept
{
    if (breaker)
        breaker->detach(mysql);
    std::lock_guard lock(closeLock);
    mysql_close(mysql);
}

} // namespace kestrel
