#include "Assignments.h"

#include "BlogConnection.h"

namespace kestrel {

Assignments& Assignments::add(std::string_view column, std::string_view text)
{
    const std::string literal = quotedLiteral(*m_connection, text);
    if (!m_text.empty()) {
        m_text += ',';
        m_columns += ',';
        m_values += ',';
    }
    m_text.append(column).append("=").append(literal);
    m_columns.append(column);
    m_values.append(literal);
    return *this;
}

Assignments& Assignments::add(std::string_view column, std::int64_t number)
{
    return add(column, std::string_view(std::to_string(number)));
}

} // namespace kestrel
