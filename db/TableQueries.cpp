#include "TableQueries.h"

#include "RowValues.h"

namespace kestrel {

Query rowsAlike(const std::string& table, const RowValues& row)
{
    std::vector<Name> columns;
    std::vector<std::string> values;
    std::string_view list = row.columns();
    for (std::size_t i = 0; i < row.count(); ++i) {
        const std::size_t comma = std::min(list.find(','), list.size());
        columns.push_back({std::string(list.substr(0, comma))});
        list.remove_prefix(std::min(comma + 1, list.size()));
        values.emplace_back(row.value(i));
    }
    return Query("rows_alike", "SELECT COUNT(*) FROM ?1 WHERE (?2)=(?3)", {Name{table}, columns, values});
}

Query countRows(const std::string& table)
{
    return Query("count_rows", "SELECT COUNT(*) FROM ?1", {Name{table}});
}

Query tableExists(const std::string& table)
{
    return Query("table_exists",
                 "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME=?1",
                 {table});
}

Query largestValue(const std::string& table, std::string_view column)
{
    return Query("largest_value", "SELECT MAX(?2) FROM ?1", {Name{table}, Name{std::string(column)}});
}

Query tableCharsets()
{
    // Every collation's name starts with its character set's, up to the first '_'.
    return Query("table_charsets", "SELECT TABLE_NAME, SUBSTRING_INDEX(TABLE_COLLATION, '_', 1) FROM "
                                   "information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE()");
}

Query tableColumns()
{
    return Query("table_columns", "SELECT TABLE_NAME, COLUMN_NAME FROM information_schema.COLUMNS WHERE "
                                  "TABLE_SCHEMA=DATABASE() ORDER BY TABLE_NAME, ORDINAL_POSITION");
}

} // namespace kestrel
