#include "Assignments.h"

#include "BlogConnection.h"

namespace kestrel {

Assignments& Assignments::add(std::string_view column, std::string_view text)
{
    if (!m_text.empty())
        m_text += ',';
    m_text.append(column).append("=").append(quotedLiteral(m_connection, text));
    return *this;
}

Assignments& Assignments::add(std::string_view column, std::int64_t number)
{
    return add(column, std::string_view(std::to_string(number)));
}

} // namespace kestrel
