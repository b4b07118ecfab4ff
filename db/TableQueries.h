#pragma once

#include "Query.h"

#include <string>
#include <string_view>

namespace kestrel {

class RowValues;

// Reads of any table, by its whole name and its columns' (each a parameter, so that whoever carries them
// out can check that it may touch them).

// How many rows of the table have exactly these values in these columns.
Query rowsAlike(const std::string& table, const RowValues& row);
// How many rows the table has.
Query countRows(const std::string& table);
// Whether the session's database has a table of this name: 1 or 0.
Query tableExists(const std::string& table);
// The largest value of a column (NULL, read as 0, for an empty table). On an indexed column the server
// answers from the index without reading the table.
Query largestValue(const std::string& table, std::string_view column);

// Every table of the session's database with its character set.
Query tableCharsets();
// Every column of every table of the session's database: the table's name and the column's, in order.
Query tableColumns();

} // namespace kestrel
