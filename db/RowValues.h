#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The values of one row by column, as they are: texts (their bytes) and numbers. Whichever session writes
// the row quotes them its own way, as it writes them.
class RowValues
{
public:
    RowValues& add(std::string_view column, std::string_view text);
    RowValues& add(std::string_view column, std::int64_t number);

    const std::string& columns() const noexcept { return m_columns; } // "a,b,c"
    std::size_t count() const noexcept { return m_ends.size(); }
    std::string_view value(std::size_t index) const;
    // What the row adds to an exchange, about.
    std::size_t size() const noexcept { return m_columns.size() + m_values.size() + 3 * m_ends.size() + 2; }

private:
    // Each value is held once: a batch of thousands of rows holds them all.
    std::string m_columns;
    std::string m_values;
    std::vector<std::uint32_t> m_ends;
};

} // namespace kestrel
