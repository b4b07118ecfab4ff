#include "ServerSource.h"

#include "BlogConnection.h"
#include "ParentOrder.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"

namespace kestrel {

namespace {

// The rows in an order where each comes after the row it names as its parent,
// when that row is in the table; otherwise (and within a family) the table's order.
std::vector<RowPosition> parentsFirst(ResultSet& rows, std::string_view idColumn, std::string_view parentColumn)
{
    std::vector<RowPosition> positions;
    std::vector<IdAndParent> table;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        positions.push_back(rowPosition(rows));
        IdAndParent& row = table.emplace_back();
        readField(rows, idColumn, row.id);
        readField(rows, parentColumn, row.parent);
    }
    std::vector<RowPosition> order;
    order.reserve(table.size());
    for (const std::size_t at : parentsFirstOrder(table))
        order.push_back(positions[at]);
    return order;
}

} // namespace

bool ServerSource::forEachRow(const TableReading& reading, const std::function<void(const EmlogRow&)>& work)
{
    RunContext& run = m_run;
    useUnicode(run.emlog);

    const KindInfo& kind = infoOf(reading.kind);
    const std::string table = run.emlogTable(kind.emlogTable);
    FailureLog::Tally& tally = run.failures.tally(kind.id);
    auto failRead = [&] {
        tally.unreadable = true;
        run.failures.record(kind.id, table, "",
                            std::to_string(run.emlog.lastErrorNumber()) + " " + run.emlog.lastError());
        return false;
    };
    ResultSet rows = selectWithReconnect(run, run.emlog, "Select * From " + table);
    if (!rows)
        return failRead();
    run.tell({RunEvent::What::Reading, reading.kind});

    std::vector<RowPosition> order;
    if (!reading.parentColumn.empty() && rows.columnIndex(reading.parentColumn) >= 0)
        order = parentsFirst(rows, kind.idColumn, reading.parentColumn);
    const auto count = static_cast<std::int64_t>(rowCount(rows));
    for (std::int64_t i = 1; i <= count && !run.stopRequested(); ++i) {
        if (!order.empty())
            seekRow(rows, order[static_cast<std::size_t>(i - 1)]);
        work(ServerRow(rows));
        run.pace(reading.pacing);
        run.tell({RunEvent::What::Row, reading.kind, i, count});
        if (order.empty())
            nextRow(rows);
    }
    return true;
}

bool ServerSource::readTable(std::string_view table, const std::vector<std::string>& columns,
                             const std::function<void(const EmlogRow&)>& work)
{
    useUnicode(m_run.emlog);
    std::string list;
    for (const std::string& column : columns)
        list += (list.empty() ? "" : ", ") + column;
    ResultSet rows = selectWithReconnect(m_run, m_run.emlog,
                                         "Select " + (list.empty() ? "*" : list) + " From " + tableName(table));
    if (!rows)
        return false;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows))
        work(ServerRow(rows));
    return true;
}

std::optional<EmlogValues> ServerSource::columns(std::string_view table, std::string_view idColumn,
                                                 std::string_view column)
{
    useUnicode(m_run.emlog);
    ResultSet rows = selectWithReconnect(m_run, m_run.emlog,
                                         "SELECT " + std::string(idColumn) + ", " + std::string(column) + " FROM " +
                                             tableName(table));
    if (!rows)
        return std::nullopt;
    EmlogValues values;
    values.reserve(rowCount(rows));
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::pair<std::int64_t, std::string> value;
        readField(rows, 0, value.first);
        readField(rows, 1, value.second);
        values.push_back(std::move(value));
    }
    return values;
}

std::optional<std::int64_t> ServerSource::largestId(std::string_view table, std::string_view idColumn)
{
    const ResultSet rows =
        selectWithReconnect(m_run, m_run.emlog, "Select max(" + std::string(idColumn) + ") From " + tableName(table));
    std::int64_t largest = 0;
    if (rowCount(rows) == 0)
        return std::nullopt;
    readField(rows, 0, largest); // NULL, for an empty table, reads as 0
    return largest;
}

std::optional<bool> ServerSource::hasTable(std::string_view table)
{
    const std::optional<std::int64_t> found = selectNumber(
        m_run, m_run.emlog,
        "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME=" +
            quotedLiteral(m_run.emlog, tableName(table)));
    if (!found)
        return std::nullopt;
    return *found > 0;
}

bool ServerSource::readable(std::string_view table, std::string& why)
{
    useUnicode(m_run.emlog);
    if (executeSql(m_run.emlog, "SELECT * FROM " + tableName(table) + " LIMIT 1") && storeResult(m_run.emlog))
        return true;
    why = m_run.emlog.lastError();
    return false;
}

bool ServerSource::option(std::string_view name, std::optional<std::string>& value)
{
    useUnicode(m_run.emlog);
    const ResultSet result = selectWithReconnect(m_run, m_run.emlog,
                                                 "SELECT option_value FROM " + tableName("options") +
                                                     " WHERE option_name=" + quotedLiteral(m_run.emlog, name));
    if (!result)
        return false;
    value.reset();
    if (rowCount(result) > 0 && !readField(result, 0, value.emplace()))
        return false;
    return true;
}

std::string ServerSource::tableName(std::string_view table) const
{
    return m_run.emlogTable(table);
}

std::string ServerSource::lastError() const
{
    return std::to_string(m_run.emlog.lastErrorNumber()) + " " + m_run.emlog.lastError();
}

std::string emlogBlogUrl(EmlogSource& source)
{
    std::optional<std::string> address;
    if (!source.option("blogurl", address) || !address)
        return {};
    while (!address->empty() && (address->back() == '/' || address->back() == ' '))
        address->pop_back();
    return *address;
}

} // namespace kestrel
