#include "EmlogRow.h"

#include "ResultSet.h"

namespace kestrel {

bool readField(const EmlogRow& row, std::string_view column, std::int64_t& value)
{
    return row.read(column, value);
}

bool readField(const EmlogRow& row, std::string_view column, std::string& value)
{
    return row.read(column, value);
}

bool ServerRow::read(std::string_view column, std::int64_t& value) const
{
    return readField(m_rows, column, value);
}

bool ServerRow::read(std::string_view column, std::string& value) const
{
    return readField(m_rows, column, value);
}

bool hasColumn(const EmlogRow& row, std::string_view column)
{
    std::int64_t unused = 0;
    return row.read(column, unused);
}

} // namespace kestrel
