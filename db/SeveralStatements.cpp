#include "SeveralStatements.h"

namespace kestrel {

bool SeveralStatements::offFor(MYSQL* mysql, std::string_view text)
{
    if (!m_on || text.find(';') == std::string_view::npos)
        return true;
    m_on = false;
    if (mysql_set_server_option(mysql, MYSQL_OPTION_MULTI_STATEMENTS_OFF) == 0)
        return true;
    m_stuck = true;
    return false;
}

bool SeveralStatements::onForExchange(MYSQL* mysql)
{
    // Left on by the exchange before, they stay on.
    if (!m_on && mysql_set_server_option(mysql, MYSQL_OPTION_MULTI_STATEMENTS_ON) != 0)
        return false;
    m_on = true;
    return true;
}

void SeveralStatements::offAfterFailure(MYSQL* mysql)
{
    m_on = false;
    m_stuck = mysql_set_server_option(mysql, MYSQL_OPTION_MULTI_STATEMENTS_OFF) != 0;
}

} // namespace kestrel
