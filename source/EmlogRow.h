#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

class ResultSet;

// A row of an emlog table, wherever it was read: a select on emlog's server or
// a backup file. Its columns are read by name, as a select's row would be.
class EmlogRow
{
public:
    virtual ~EmlogRow() = default;
    // As readField: NULL gives 0 or the empty text; false when the row has no such column.
    virtual bool read(std::string_view column, std::int64_t& value) const = 0;
    virtual bool read(std::string_view column, std::string& value) const = 0;
};

bool readField(const EmlogRow& row, std::string_view column, std::int64_t& value);
bool readField(const EmlogRow& row, std::string_view column, std::string& value);
// Whether the row's table has the column.
bool hasColumn(const EmlogRow& row, std::string_view column);

// The current row of a select on emlog's server.
class ServerRow : public EmlogRow
{
public:
    explicit ServerRow(const ResultSet& rows) : m_rows(rows) {}
    bool read(std::string_view column, std::int64_t& value) const override;
    bool read(std::string_view column, std::string& value) const override;

private:
    const ResultSet& m_rows;
};

} // namespace kestrel
