#include "RowValues.h"

namespace kestrel {

RowValues& RowValues::add(std::string_view column, std::string_view text)
{
    if (!m_columns.empty())
        m_columns += ',';
    m_columns.append(column);
    m_values.append(text);
    m_ends.push_back(static_cast<std::uint32_t>(m_values.size()));
    return *this;
}

RowValues& RowValues::add(std::string_view column, std::int64_t number)
{
    return add(column, std::string_view(std::to_string(number)));
}

std::string_view RowValues::value(std::size_t index) const
{
    const std::size_t start = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_values).substr(start, m_ends[index] - start);
}

} // namespace kestrel
