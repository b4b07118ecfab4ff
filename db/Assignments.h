#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

class BlogConnection;

// The text after "set" in an insert: column='value' pairs joined by ",".
// Every value, numbers included, goes in as a quoted literal of the session
// that will run the statement.
class Assignments
{
public:
    explicit Assignments(const BlogConnection& connection) : m_connection(connection) {}

    Assignments& add(std::string_view column, std::string_view text);
    Assignments& add(std::string_view column, std::int64_t number);

    const std::string& text() const noexcept { return m_text; }

private:
    const BlogConnection& m_connection;
    std::string m_text;
};

} // namespace kestrel
