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

bool currentValue(const ResultSet& result, int column, FieldValue& value)
{
    return result.value(column, value.data, value.length);
}

} // namespace

ResultSet::ResultSet(PlainRows rows)
    : m_columnNames(rows.columns), m_plain(std::make_unique<PlainRows>(std::move(rows)))
{
}

bool ResultSet::value(int column, const char*& data, unsigned long& length) const
{
    data = nullptr;
    length = 0;
    if (column < 0 || column >= columnCount())
        return false;
    if (m_plain) {
        if (m_plain->rows.empty())
            return false;
        const auto& row = m_plain->rows[std::min<std::uint64_t>(m_plainRow, m_plain->rows.size() - 1)];
        if (static_cast<std::size_t>(column) < row.size() && row[column]) {
            data = row[column]->c_str();
            length = static_cast<unsigned long>(row[column]->size());
        }
        return true;
    }
    MYSQL_RES* res = m_result.get();
    if (!res)
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
        data = row[column];
        length = lengths ? lengths[column] : 0;
    }
    mysql_row_seek(res, here);
    return row != nullptr;
}

std::uint64_t ResultSet::rowCount() const
{
    if (m_plain)
        return m_plain->rows.size();
    return m_result ? mysql_num_rows(m_result.get()) : 0;
}

bool ResultSet::next()
{
    if (m_plain)
        return m_plainRow < m_plain->rows.size() && ++m_plainRow > 0;
    return m_result && mysql_fetch_row(m_result.get()) != nullptr;
}

void ResultSet::rewind()
{
    if (m_plain)
        m_plainRow = 0;
    else if (m_result)
        mysql_data_seek(m_result.get(), 0);
}

RowPosition ResultSet::position() const
{
    if (m_plain)
        return {nullptr, m_plainRow};
    return {m_result ? mysql_row_tell(m_result.get()) : nullptr, 0};
}

void ResultSet::seek(RowPosition position)
{
    if (m_plain)
        m_plainRow = position.row;
    else if (m_result && position.offset)
        mysql_row_seek(m_result.get(), position.offset);
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
    return result.rowCount();
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
    result.rewind();
}

bool nextRow(ResultSet& result)
{
    return result.next();
}

RowPosition rowPosition(const ResultSet& result)
{
    return result.position();
}

void seekRow(ResultSet& result, RowPosition position)
{
    result.seek(position);
}

void freeResult(ResultSet& result)
{
    result = ResultSet();
}

} // namespace kestrel
