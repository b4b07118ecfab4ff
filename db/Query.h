#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kestrel {

// The name of a table or a column, as a parameter: whoever carries it out checks it is one it may touch.
struct Name
{
    std::string text;
    auto operator<=>(const Name&) const = default;
};

// A value a read or a change is asked with: a number, a text (its bytes as they are), a name, or a list
// of numbers, texts or names, for " IN (...)" and the like.
using Parameter = std::variant<std::int64_t, std::string, Name, std::vector<std::int64_t>, std::vector<std::string>,
                               std::vector<Name>>;

// What a read or a change asks, by name, and the values it asks with. `sql` is how MySQL reads it: "?1"
// stands for the first parameter, "?2" for the second, and so on (a parameter may stand more than once,
// or not at all where MySQL needs it not). A session through MySQL sends that, each value quoted as the
// session quotes; the receiver plugin gets the name and the parameters, and makes its own SQL. Two are
// the same when all three are: the read-ahead cache takes a read made ahead for the read that follows
// only then.
class Named
{
public:
    const std::string& name() const noexcept { return m_name; }
    const std::string& sql() const noexcept { return m_sql; }
    const std::vector<Parameter>& parameters() const noexcept { return m_parameters; }
    bool operator==(const Named&) const = default;

protected:
    Named(std::string name, std::string sql, std::vector<Parameter> parameters)
        : m_name(std::move(name)), m_sql(std::move(sql)), m_parameters(std::move(parameters))
    {
    }

private:
    std::string m_name;
    std::string m_sql;
    std::vector<Parameter> m_parameters;
};

// A read: it changes nothing, and gives rows.
class Query : public Named
{
public:
    Query(std::string name, std::string sql, std::vector<Parameter> parameters = {})
        : Named(std::move(name), std::move(sql), std::move(parameters))
    {
    }
    bool operator==(const Query&) const = default;
};

// One of the few updates and deletes by name a run makes (rows it adds go as an Insert).
class Change : public Named
{
public:
    Change(std::string name, std::string sql, std::vector<Parameter> parameters = {})
        : Named(std::move(name), std::move(sql), std::move(parameters))
    {
    }
    bool operator==(const Change&) const = default;
};

} // namespace kestrel
