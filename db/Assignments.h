#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class BlogConnection;

// The values of one row for an insert, in both forms a statement takes them:
// column='value' pairs joined by "," (after "set"), or a column list with a
// tuple of values (for an insert of many rows at once). Every value, numbers
// included, goes in as a quoted literal of the session that will run the statement.
class Assignments
{
public:
    explicit Assignments(const BlogConnection& connection) : m_connection(&connection) {}

    Assignments& add(std::string_view column, std::string_view text);
    Assignments& add(std::string_view column, std::int64_t number);

    std::string text() const;                                         // "a='x',b='y',c='z'"
    const std::string& columns() const noexcept { return m_columns; } // "a,b,c"
    std::string tuple() const { return "(" + m_values + ")"; }        // "('x','y','z')"
    // What the row adds to a statement, about.
    std::size_t size() const noexcept { return m_columns.size() + m_values.size() + 2; }

private:
    const BlogConnection* m_connection;
    // Each value is held once: a batch of thousands of rows holds them all.
    std::string m_columns;
    std::string m_values;
    std::vector<std::uint32_t> m_valueEnds;
};

} // namespace kestrel
