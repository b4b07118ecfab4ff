#include "SqlText.h"

#include "Identifier.h"
#include "RowValues.h"

namespace kestrel {

namespace {

// Appends one parameter; false when a text in it cannot be quoted.
bool appendValue(std::int64_t number, const Quote&, std::string& statement)
{
    statement += std::to_string(number);
    return true;
}

bool appendValue(const std::string& text, const Quote& quote, std::string& statement)
{
    return quote(text, statement);
}

bool appendValue(const Name& name, const Quote&, std::string& statement)
{
    statement += quotedIdentifier(name.text);
    return true;
}

template <typename Value> bool appendValue(const std::vector<Value>& list, const Quote& quote, std::string& statement)
{
    if (list.empty())
        statement += "NULL";
    for (std::size_t i = 0; i < list.size(); ++i) {
        statement.append(i ? "," : "");
        if (!appendValue(list[i], quote, statement))
            return false;
    }
    return true;
}

bool appendParameter(const Parameter& parameter, const Quote& quote, std::string& statement)
{
    return std::visit([&](const auto& value) { return appendValue(value, quote, statement); }, parameter);
}

} // namespace

bool appendSql(const Named& named, const Quote& quote, std::string& statement)
{
    const std::string& sql = named.sql();
    std::size_t from = 0;
    for (std::size_t at = sql.find('?'); at != std::string::npos; at = sql.find('?', from)) {
        statement.append(sql, from, at - from);
        std::size_t number = 0;
        std::size_t end = at + 1;
        for (; end < sql.size() && sql[end] >= '0' && sql[end] <= '9'; ++end)
            number = number * 10 + static_cast<std::size_t>(sql[end] - '0');
        // A "?" that stands for no parameter stays as it is, for the server to refuse.
        if (number >= 1 && number <= named.parameters().size()) {
            if (!appendParameter(named.parameters()[number - 1], quote, statement))
                return false;
        } else {
            statement.append(sql, at, end - at);
        }
        from = end;
    }
    statement.append(sql, from, std::string::npos);
    return true;
}

bool appendSql(const Insert& insert, const Quote& quote, std::string& statement)
{
    statement.append("insert into ").append(insert.table).append(" (").append(insert.columns).append(") values ");
    for (std::size_t row = 0; row < insert.rows.size(); ++row) {
        const RowValues& values = *insert.rows[row];
        statement += row ? ",(" : "(";
        for (std::size_t i = 0; i < values.count(); ++i) {
            statement.append(i ? "," : "");
            if (!quote(values.value(i), statement))
                return false;
        }
        statement += ')';
    }
    return true;
}

bool appendSql(const Operation& operation, const Quote& quote, std::string& statement)
{
    return std::visit([&](const auto& each) { return appendSql(each, quote, statement); }, operation);
}

bool quoteForAnyServer(std::string_view value, std::string& statement)
{
    statement += '\'';
    for (const char c : value) {
        switch (c) {
        case '\0':
            statement += "\\0";
            break;
        case '\n':
            statement += "\\n";
            break;
        case '\r':
            statement += "\\r";
            break;
        case '\x1a':
            statement += "\\Z";
            break;
        case '\\':
        case '\'':
        case '"':
            statement += '\\';
            statement += c;
            break;
        default:
            statement += c;
        }
    }
    statement += '\'';
    return true;
}

} // namespace kestrel
