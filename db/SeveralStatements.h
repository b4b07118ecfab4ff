#pragma once

#include <mysql.h>

#include <string_view>

namespace kestrel {

// Whether a MySQL session takes several statements to a query, separated by ";". On from the opening
// where the session takes them, and for exchanges; off again before any other statement that holds a
// ";", so that a value that ends its quote early elsewhere can never add a statement of its own (without
// a ";" there is no second statement to add). An exchange that follows finds them on still: switching
// them costs it no round trip. Where they could not be switched off again, the session is stuck: it sends
// nothing, as if lost, until it is opened again.
class SeveralStatements
{
public:
    // As a session just opened has them.
    void opened(bool on)
    {
        m_on = on;
        m_stuck = false;
    }
    bool stuck() const noexcept { return m_stuck; }

    // Before a statement of this text. False when they could not be switched off (the library's error
    // then says why): the session is stuck.
    bool offFor(MYSQL* mysql, std::string_view text);
    // Before an exchange. False when they could not be switched on.
    bool onForExchange(MYSQL* mysql);
    // An exchange could not be sent: off again, or stuck.
    void offAfterFailure(MYSQL* mysql);

private:
    bool m_on = false;
    bool m_stuck = false;
};

} // namespace kestrel
