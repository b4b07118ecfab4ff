#pragma once

#include "StatementCarrier.h"

#include <mysql.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The whole result of one query, held in client memory, with a row cursor.
// After it is stored the cursor stands on the first row. A null result set
// has no rows and every read of it fails.
class ResultSet
{
public:
    ResultSet() = default;
    explicit ResultSet(MYSQL_RES* result);
    // Rows that came by a carrier rather than from the library.
    explicit ResultSet(CarriedRows rows);
    ResultSet(ResultSet&&) noexcept = default;
    ResultSet& operator=(ResultSet&&) noexcept = default;

    explicit operator bool() const noexcept { return m_result != nullptr || m_carried != nullptr; }
    // Null for carried rows.
    MYSQL_RES* handle() const noexcept { return m_result.get(); }

    // Index of the first column with exactly this name (case-sensitive), or -1.
    int columnIndex(std::string_view name) const;
    int columnCount() const noexcept { return static_cast<int>(m_columnNames.size()); }
    const std::string& columnName(int column) const { return m_columnNames.at(static_cast<std::size_t>(column)); }

private:
    struct Freer
    {
        void operator()(MYSQL_RES* result) const noexcept { mysql_free_result(result); }
    };
    friend struct CarriedCursor;
    std::unique_ptr<MYSQL_RES, Freer> m_result;
    std::vector<std::string> m_columnNames;
    std::unique_ptr<CarriedRows> m_carried;
    std::uint64_t m_carriedRow = 0; // the row the cursor stands on
};

std::uint64_t rowCount(const ResultSet& result);

// Reads a column of the current row. Past the last row, the last row is read.
// SQL NULL gives 0 or the empty text. An integer is read from the value's
// leading blanks, sign and digits; text stops at a zero byte. A failed read
// (no such column, no rows) leaves the variable as it was.
bool readField(const ResultSet& result, std::string_view column, std::int64_t& value);
bool readField(const ResultSet& result, std::string_view column, std::string& value);
bool readField(const ResultSet& result, int column, std::int64_t& value);
bool readField(const ResultSet& result, int column, std::string& value);

// A column of the current row as its bytes, zero bytes and all: nothing for SQL NULL. False as readField().
bool readRawField(const ResultSet& result, int column, std::optional<std::string_view>& value);

// Moves the cursor one row on; false when it already stood past the end.
bool nextRow(ResultSet& result);
// Puts the cursor back on the first row.
void rewindRows(ResultSet& result);

// Where the cursor stands, to come back to that row later in any order.
struct RowPosition
{
    MYSQL_ROW_OFFSET offset = nullptr;
    std::uint64_t row = 0; // for carried rows
};
RowPosition rowPosition(const ResultSet& result);
void seekRow(ResultSet& result, RowPosition position);
void freeResult(ResultSet& result);

// The integer a value's text begins with: leading blanks, one sign, digits.
// Anything else gives 0; values out of range stop at the nearest limit.
std::int64_t leadingInteger(std::string_view text);

} // namespace kestrel
