#include "Assignments.h"

#include "BlogConnection.h"

#include <algorithm>

namespace kestrel {

Assignments& Assignments::add(std::string_view column, std::string_view text)
{
    const std::string literal = quotedLiteral(*m_connection, text);
    if (!m_columns.empty()) {
        m_columns += ',';
        m_values += ',';
    }
    m_columns.append(column);
    m_values.append(literal);
    m_valueEnds.push_back(static_cast<std::uint32_t>(m_values.size()));
    return *this;
}

std::string Assignments::text() const
{
    std::string text;
    std::size_t column = 0;
    std::size_t value = 0;
    for (const std::uint32_t end : m_valueEnds) {
        const std::size_t comma = std::min(m_columns.find(',', column), m_columns.size());
        if (!text.empty())
            text += ',';
        text.append(m_columns, column, comma - column).append("=").append(m_values, value, end - value);
        column = comma + 1;
        value = end + 1;
    }
    return text;
}

Assignments& Assignments::add(std::string_view column, std::int64_t number)
{
    return add(column, std::string_view(std::to_string(number)));
}

} // namespace kestrel
