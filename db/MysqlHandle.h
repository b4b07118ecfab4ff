#pragma once

#include "SessionBreaker.h"

#include <mysql.h>

#include <memory>

namespace kestrel {

// The library's connection object of one session, closed when it goes. While it is in place, the
// session's breaker (when it has one) cancels what it is doing; it lets go of it before it closes.
class MysqlHandle
{
public:
    MysqlHandle() = default;
    // A new connection object, not connected yet; null when the library could not make one.
    static MysqlHandle make();

    MYSQL* get() const noexcept { return m_mysql.get(); }
    explicit operator bool() const noexcept { return m_mysql != nullptr; }
    // From now on `breaker` breaks off what this connection does, until it closes.
    void attach(const std::shared_ptr<SessionBreaker>& breaker);

private:
    struct Closer
    {
        std::shared_ptr<SessionBreaker> breaker;
        void operator()(MYSQL* mysql) const noexcept;
    };
    std::unique_ptr<MYSQL, Closer> m_mysql;
};

} // namespace kestrel
