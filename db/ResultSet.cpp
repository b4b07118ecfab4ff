#include "ResultSet.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kestrel {

namespace {

struct FieldValue
{
    const char* data = nullptr; // null for SQL NULL
    unsigned long length = 0;
};

// The value of a column in the current row, found without moving the cursor.
// A cursor past the end reads the last row.
bool currentCarriedValue(const ResultSet& result, int column, FieldValue& value);

bool currentValue(const ResultSet& result, int column, FieldValue& value)
{
    if (!result.handle() && result)
        return currentCarriedValue(result, column, value);
    MYSQL_RES* res = result.handle();
    if (!res || column < 0 || column >= result.columnCount())
        return false;
    const MYSQL_ROW_OFFSET here = mysql_row_tell(res);
    MYSQL_ROW row = mysql_fetch_row(res);
    if (!row) {
        const std::uint64_t rows = mysql_num_rows(res);
        if (rows > 0) {
            mysql_data_seek(res, rows - 1);
            row = mysql_fetch_row(res);
        }
    }
    if (row) {
        const unsigned long* lengths = mysql_fetch_lengths(res);
        value.data = row[column];
        value.length = lengths ? lengths[column] : 0;
    }
    mysql_row_seek(res, here);
    return row != nullptr;
}

} // namespace

struct CarriedCursor
{
    static const CarriedRows* rows(const ResultSet& result) { return result.m_carried.get(); }
    static std::uint64_t& row(ResultSet& result) { return result.m_carriedRow; }
    static std::uint64_t row(const ResultSet& result) { return result.m_carriedRow; }
};

namespace {

bool currentCarriedValue(const ResultSet& result, int column, FieldValue& value)
{
    const CarriedRows& rows = *CarriedCursor::rows(result);
    if (column < 0 || column >= result.columnCount() || rows.rows.empty())
        return false;
    const auto& row = rows.rows[std::min<std::uint64_t>(CarriedCursor::row(result), rows.rows.size() - 1)];
    if (static_cast<std::size_t>(column) < row.size() && row[column]) {
        value.data = row[column]->c_str();
        value.length = static_cast<unsigned long>(row[column]->size());
    }
    return true;
}

} // namespace

ResultSet::ResultSet(CarriedRows rows)
    : m_columnNames(rows.columns), m_carried(std::make_unique<CarriedRows>(std::move(rows)))
{
}

ResultSet::ResultSet(MYSQL_RES* result) : m_result(result)
{
    if (!result)
        return;
    const unsigned count = mysql_num_fields(result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(result);
    m_columnNames.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        m_columnNames.emplace_back(fields[i].name, fields[i].name_length);
}

int ResultSet::columnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columnNames.size(); ++i) {
        if (m_columnNames[i] == name)
            return static_cast<int>(i);
    }
    return -1;
}

std::uint64_t rowCount(const ResultSet& result)
{
    if (const CarriedRows* rows = CarriedCursor::rows(result))
        return rows->rows.size();
    return result ? mysql_num_rows(result.handle()) : 0;
}

std::int64_t leadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulate towards the sign so that the most negative value is reachable.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative) {
            if (value < (lowest + digit) / 10)
                return lowest;
            value = value * 10 - digit;
        } else {
            if (value > (highest - digit) / 10)
                return highest;
            value = value * 10 + digit;
        }
    }
    return value;
}

bool readField(const ResultSet& result, int column, std::int64_t& value)
{
    FieldValue field;
    if (!currentValue(result, column, field))
        return false;
    value = field.data ? leadingInteger(std::string_view(field.data, field.length)) : 0;
    return true;
}

bool readField(const ResultSet& result, int column, std::string& value)
{
    FieldValue field;
    if (!currentValue(result, column, field))
        return false;
    if (field.data)
        value.assign(field.data, strnlen(field.data, field.length));
    else
        value.clear();
    return true;
}

bool readField(const ResultSet& result, std::string_view column, std::int64_t& value)
{
    return readField(result, result.columnIndex(column), value);
}

bool readField(const ResultSet& result, std::string_view column, std::string& value)
{
    return readField(result, result.columnIndex(column), value);
}

bool readRawField(const ResultSet& result, int column, std::optional<std::string_view>& value)
{
    FieldValue field;
    if (!currentValue(result, column, field))
        return false;
    if (field.data)
        value.emplace(field.data, field.length);
    else
        value.reset();
    return true;
}

void rewindRows(ResultSet& result)
{
    if (CarriedCursor::rows(result))
        CarriedCursor::row(result) = 0;
    else if (result)
        mysql_data_seek(result.handle(), 0);
}

bool nextRow(ResultSet& result)
{
    if (const CarriedRows* rows = CarriedCursor::rows(result)) {
        std::uint64_t& row = CarriedCursor::row(result);
        return row < rows->rows.size() && ++row > 0;
    }
    return result && mysql_fetch_row(result.handle()) != nullptr;
}

RowPosition rowPosition(const ResultSet& result)
{
    if (CarriedCursor::rows(result))
        return {nullptr, CarriedCursor::row(result)};
    return {result ? mysql_row_tell(result.handle()) : nullptr, 0};
}

void seekRow(ResultSet& result, RowPosition position)
{
    if (CarriedCursor::rows(result))
        CarriedCursor::row(result) = position.row;
    else if (result && position.offset)
        mysql_row_seek(result.handle(), position.offset);
}

void freeResult(ResultSet& result)
{
    result = ResultSet();
}

} // namespace kestrel
