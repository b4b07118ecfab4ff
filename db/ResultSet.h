#pragma once

#include "PlainRows.h"

#include <mysql.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// Where a result's cursor stands, to come back to that row later in any order.
struct RowPosition
{
    MYSQL_ROW_OFFSET offset = nullptr;
    std::uint64_t row = 0; // for plain rows
};

// The whole result of one query, held in client memory, with a row cursor.
// After it is stored the cursor stands on the first row. A null result set
// has no rows and every read of it fails.
class ResultSet
{
public:
    ResultSet() = default;
    explicit ResultSet(MYSQL_RES* result);
    explicit ResultSet(PlainRows rows);
    ResultSet(ResultSet&&) noexcept = default;
    ResultSet& operator=(ResultSet&&) noexcept = default;

    explicit operator bool() const noexcept { return m_result != nullptr || m_plain != nullptr; }
    // Null for plain rows.
    MYSQL_RES* handle() const noexcept { return m_result.get(); }

    // Index of the first column with exactly this name (case-sensitive), or -1.
    int columnIndex(std::string_view name) const;
    int columnCount() const noexcept { return static_cast<int>(m_columnNames.size()); }
    const std::string& columnName(int column) const { return m_columnNames.at(static_cast<std::size_t>(column)); }

    // The cursor (see the functions below, which the rest of the code calls).
    std::uint64_t rowCount() const;
    bool next();
    void rewind();
    RowPosition position() const;
    void seek(RowPosition position);
    // The bytes of a column of the row under the cursor (past the end, the last row), without moving it:
    // null for SQL NULL. False when there is no such column or no row.
    bool value(int column, const char*& data, unsigned long& length) const;

private:
    struct Freer
    {
        void operator()(MYSQL_RES* result) const noexcept { mysql_free_result(result); }
    };
    std::unique_ptr<MYSQL_RES, Freer> m_result;
    std::vector<std::string> m_columnNames;
    std::unique_ptr<PlainRows> m_plain;
    std::uint64_t m_plainRow = 0; // the row the cursor stands on
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

RowPosition rowPosition(const ResultSet& result);
void seekRow(ResultSet& result, RowPosition position);
void freeResult(ResultSet& result);

// The integer a value's text begins with: leading blanks, one sign, digits.
// Anything else gives 0; values out of range stop at the nearest limit.
std::int64_t leadingInteger(std::string_view text);

} // namespace kestrel
