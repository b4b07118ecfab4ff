#include "ServerSource.h"

#include "BlogConnection.h"
#include "ParentOrder.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"

#include <mysqld_error.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kestrel {

namespace {

// How many rows a page asks for. Sized from the pages before it, a page holds about
// `targetBytes` whatever its rows hold: thousands of comments or a few hundred long articles.
// Large pages keep the round trips few; one page at a time keeps the memory bounded.
class PageSize
{
public:
    // `first` rows on the first page, before any was measured.
    explicit PageSize(std::size_t fixed, std::size_t most = 20000, std::size_t first = 500)
        : m_fixed(fixed), m_most(most), m_rows(first)
    {
    }

    std::size_t rows() const { return m_fixed ? m_fixed : m_rows; }

    void measured(std::uint64_t rows, std::uint64_t bytes)
    {
        if (m_fixed || rows == 0)
            return;
        const std::uint64_t perRow = std::max<std::uint64_t>(bytes / rows, 1);
        m_rows = static_cast<std::size_t>(std::clamp<std::uint64_t>(targetBytes / perRow, 16, m_most));
    }

private:
    static constexpr std::uint64_t targetBytes = 4 << 20;
    std::size_t m_fixed;
    std::size_t m_most;
    std::size_t m_rows;
};

bool sameNameCaseless(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// The bytes of the row under the cursor, which stays where it is.
std::uint64_t rowBytes(const ResultSet& rows)
{
    MYSQL_RES* result = rows.handle();
    const MYSQL_ROW_OFFSET here = mysql_row_tell(result);
    std::uint64_t bytes = 0;
    if (mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        for (int column = 0; lengths && column < rows.columnCount(); ++column)
            bytes += lengths[column];
    }
    mysql_row_seek(result, here);
    return bytes;
}

// The key emlog's tables are read by, named bare; empty for a table read whole.
std::string_view keyOf(std::string_view bareTable)
{
    for (const KindInfo& kind : kinds) {
        if (kind.emlogTable == bareTable)
            return kind.idColumn;
    }
    if (bareTable == "blog_fields")
        return "id";
    return bareTable == "options" ? "option_id" : "";
}

// What forEachRow() asks of a kind's table read without a parent column: how many rows, then the rows
// (in pages, see pageStatement()). Read ahead as they are asked.
std::string countSelect(const std::string& table)
{
    return "SELECT COUNT(*) FROM " + table;
}

std::string rowsSelect(const std::string& table)
{
    return "SELECT * FROM " + table;
}

// A page of `select`: the rows after `after`, by `key`.
std::string pageStatement(const std::string& select, std::string_view key, std::optional<std::int64_t> after,
                          std::size_t limit)
{
    std::string statement = select;
    if (after)
        statement += " WHERE " + std::string(key) + ">" + std::to_string(*after);
    statement += " ORDER BY " + std::string(key) + " LIMIT " + std::to_string(limit);
    return statement;
}

// The pairs parentsFirst() reads, and how it sizes their pages.
std::string parentPairsSelect(const std::string& table, std::string_view key, std::string_view parentColumn)
{
    return "SELECT " + std::string(key) + ", " + std::string(parentColumn) + " FROM " + table;
}

PageSize parentPairsPageSize()
{
    // Two integers a row: the first page asks for as many as any page may hold, so that a blog of up to
    // that many rows is read in one exchange.
    return PageSize(0, 100000, 100000);
}

PageSize columnsPageSize(std::size_t fixed)
{
    // A column read whole is held whole by its caller anyway: its first page may as well ask for as many
    // rows as any page may hold, and a table of up to that many rows is read in one exchange.
    return PageSize(fixed, 20000, 20000);
}

// Reads `select` (a select without its WHERE, ORDER BY and LIMIT) in pages by its integer `key`:
// each page asks for the rows after the last key taken. A page sent again after a lost session
// so asks for the same rows, and none is skipped or read twice. `each` gets every row with the
// cursor on it; it ends the reading by returning false. False when a page could not be read.
bool readPages(RunContext& run, const std::string& select, std::string_view key, PageSize& size,
               const std::function<bool(const ResultSet&)>& each, const std::function<void()>& waiting = {})
{
    std::optional<std::int64_t> after;
    for (;;) {
        if (waiting)
            waiting();
        const std::size_t limit = size.rows();
        ResultSet rows = selectWithReconnect(run, run.emlog, pageStatement(select, key, after, limit));
        if (!rows)
            return false;
        const std::uint64_t count = rowCount(rows);
        std::uint64_t bytes = 0;
        for (std::uint64_t i = 0; i < count; ++i, nextRow(rows)) {
            bytes += rowBytes(rows);
            std::int64_t id = 0;
            readField(rows, key, id);
            after = id;
            if (!each(rows))
                return true;
        }
        size.measured(count, bytes);
        if (count < limit)
            return true;
    }
}

// The ids of a table in an order where each row comes after the row it names as its parent,
// when that row is in the table; otherwise (and within a family) the order of the ids. Only
// the pairs are read, in pages. Nothing when they cannot be read; `noParent` when the table
// has no such column.
std::optional<PackedIds> parentsFirst(RunContext& run, const std::string& table, std::string_view key,
                                      std::string_view parentColumn, bool& noParent)
{
    std::vector<IdAndParent> pairs;
    PageSize size = parentPairsPageSize();
    const bool read =
        readPages(run, parentPairsSelect(table, key, parentColumn), key, size, [&](const ResultSet& rows) {
            IdAndParent& row = pairs.emplace_back();
            readField(rows, 0, row.id);
            readField(rows, 1, row.parent);
            return true;
        });
    if (!read) {
        noParent = run.emlog.lastErrorNumber() == ER_BAD_FIELD_ERROR;
        return std::nullopt;
    }
    PackedIds order;
    for (const std::size_t at : parentsFirstOrder(pairs))
        order.push_back(pairs[at].id);
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
                            {Why::Code::emlogUnreadable,
                             {},
                             std::to_string(run.emlog.lastErrorNumber()) + " " + run.emlog.lastError()});
        return false;
    };
    PageSize size(m_pageRows);

    std::optional<PackedIds> order;
    if (!reading.parentColumn.empty()) {
        bool noParent = false;
        order = parentsFirst(run, table, kind.idColumn, reading.parentColumn, noParent);
        if (!order && !noParent)
            return failRead();
    }
    std::int64_t count = 0;
    if (order) {
        count = static_cast<std::int64_t>(order->size());
    } else {
        const std::optional<std::int64_t> rows = selectNumber(run, run.emlog, countSelect(table));
        if (!rows)
            return failRead();
        count = *rows;
    }
    run.tell({RunEvent::What::Reading, reading.kind});

    std::int64_t done = 0;
    auto take = [&](const ResultSet& rows) {
        work(ServerRow(rows));
        run.pace(reading.pacing);
        ++done;
        run.tell({RunEvent::What::Row, reading.kind, done, std::max(count, done)});
        return !run.stopRequested();
    };
    if (!order)
        return readPages(run, rowsSelect(table), kind.idColumn, size, take, reading.waiting) || failRead();

    // In the parents' order, a page at a time: each page the next ids of the order, asked for by id.
    const std::string key(kind.idColumn);
    PackedIds::Reader next(*order);
    std::vector<std::int64_t> pageIds;
    for (std::size_t at = 0; at < order->size() && !run.stopRequested();) {
        const std::size_t rowsOfPage = std::min(size.rows(), order->size() - at);
        pageIds.clear();
        std::string ids;
        for (std::size_t i = 0; i < rowsOfPage; ++i) {
            pageIds.push_back(next.next());
            ids.append(ids.empty() ? "" : ",").append(std::to_string(pageIds.back()));
        }
        if (reading.waiting)
            reading.waiting();
        ResultSet rows =
            selectWithReconnect(run, run.emlog, "SELECT * FROM " + table + " WHERE " + key + " IN (" + ids + ")");
        if (!rows)
            return failRead();
        std::unordered_map<std::int64_t, RowPosition> positions;
        std::uint64_t bytes = 0;
        for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
            std::int64_t id = 0;
            readField(rows, key, id);
            bytes += rowBytes(rows);
            positions.emplace(id, rowPosition(rows));
        }
        size.measured(rowCount(rows), bytes);
        for (const std::int64_t id : pageIds) {
            // A row deleted since the order was read is gone.
            const auto found = positions.find(id);
            if (found == positions.end())
                continue;
            seekRow(rows, found->second);
            if (!take(rows))
                return true;
        }
        at += rowsOfPage;
    }
    return true;
}

std::string ServerSource::tableSelect(std::string_view table, const std::vector<std::string>& columns) const
{
    const std::string_view key = keyOf(table);
    std::string list;
    bool hasKey = columns.empty();
    for (const std::string& column : columns) {
        list += (list.empty() ? "" : ", ") + column;
        hasKey = hasKey || column == key;
    }
    // The key too, to page by.
    if (!hasKey && !key.empty())
        list += ", " + std::string(key);
    return "Select " + (list.empty() ? "*" : list) + " From " + tableName(table);
}

std::string ServerSource::columnsSelect(std::string_view table, std::string_view idColumn,
                                        std::string_view column) const
{
    return "SELECT " + std::string(idColumn) + ", " + std::string(column) + " FROM " + tableName(table);
}

std::string ServerSource::optionQuery(std::string_view name) const
{
    return "SELECT option_value FROM " + tableName("options") +
           " WHERE option_name=" + quotedLiteral(m_run.emlog, name);
}

std::string ServerSource::hasTableQuery(std::string_view table) const
{
    return "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME=" +
           quotedLiteral(m_run.emlog, tableName(table));
}

std::string ServerSource::columnNamesQuery(std::string_view table) const
{
    return "SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME=" +
           quotedLiteral(m_run.emlog, tableName(table));
}

void ServerSource::readAhead(const std::vector<EmlogRead>& reads)
{
    std::vector<std::string> selects;
    const std::size_t firstPage = PageSize(m_pageRows).rows();
    for (const EmlogRead& read : reads) {
        switch (read.what) {
        case EmlogRead::What::Columns:
            if (read.names.size() == 2)
                selects.push_back(pageStatement(columnsSelect(read.table, read.names[0], read.names[1]), read.names[0],
                                                std::nullopt, columnsPageSize(m_pageRows).rows()));
            break;
        case EmlogRead::What::Table: {
            const std::string_view key = keyOf(read.table);
            const std::string select = tableSelect(read.table, read.names);
            selects.push_back(key.empty() ? select : pageStatement(select, key, std::nullopt, firstPage));
            break;
        }
        case EmlogRead::What::Option:
            selects.push_back(optionQuery(read.table));
            break;
        case EmlogRead::What::HasTable:
            selects.push_back(hasTableQuery(read.table));
            break;
        case EmlogRead::What::HasColumn:
            if (!m_columnNames.count(read.table))
                selects.push_back(columnNamesQuery(read.table));
            break;
        case EmlogRead::What::FirstRows:
            // What forEachRow() asks first: how many rows, then the first page. Two kinds may read one
            // table (comments and the owner's answers inside them): it is read ahead once.
            for (const KindInfo& kind : kinds) {
                if (kind.emlogTable == read.table) {
                    selects.push_back(countSelect(tableName(read.table)));
                    selects.push_back(
                        pageStatement(rowsSelect(tableName(read.table)), kind.idColumn, std::nullopt, firstPage));
                    break;
                }
            }
            break;
        case EmlogRead::What::ParentOrder:
            for (const KindInfo& kind : kinds) {
                if (kind.emlogTable == read.table && read.names.size() == 1) {
                    selects.push_back(
                        pageStatement(parentPairsSelect(tableName(read.table), kind.idColumn, read.names[0]),
                                      kind.idColumn, std::nullopt, parentPairsPageSize().rows()));
                    break;
                }
            }
            break;
        }
    }
    // Rows are read in the character set they are asked for in later.
    if (!selects.empty() && useUnicode(m_run.emlog))
        kestrel::readAhead(m_run.emlog, selects);
}

bool ServerSource::readTable(std::string_view table, const std::vector<std::string>& columns,
                             const std::function<void(const EmlogRow&)>& work)
{
    useUnicode(m_run.emlog);
    const std::string_view key = keyOf(table);
    const std::string select = tableSelect(table, columns);
    if (!key.empty()) {
        PageSize size(m_pageRows);
        return readPages(m_run, select, key, size, [&](const ResultSet& rows) {
            work(ServerRow(rows));
            return true;
        });
    }
    ResultSet rows = selectWithReconnect(m_run, m_run.emlog, select);
    if (!rows)
        return false;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows))
        work(ServerRow(rows));
    return true;
}

bool ServerSource::rowsById(std::string_view table, std::string_view idColumn, const std::vector<std::int64_t>& ids,
                            const std::vector<std::string>& columns, const std::function<void(const EmlogRow&)>& work)
{
    useUnicode(m_run.emlog);
    std::string list(idColumn);
    for (const std::string& column : columns)
        list += ", " + column;
    // A page of ids at a time, sized as the pages of a table are.
    PageSize size(m_pageRows);
    for (std::size_t at = 0; at < ids.size();) {
        const std::size_t rowsOfPage = std::min(size.rows(), ids.size() - at);
        std::string inList;
        for (std::size_t i = at; i < at + rowsOfPage; ++i)
            inList.append(inList.empty() ? "" : ",").append(std::to_string(ids[i]));
        ResultSet rows = selectWithReconnect(m_run, m_run.emlog,
                                             "SELECT " + list + " FROM " + tableName(table) + " WHERE " +
                                                 std::string(idColumn) + " IN (" + inList + ")");
        if (!rows)
            return false;
        std::uint64_t bytes = 0;
        for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
            bytes += rowBytes(rows);
            work(ServerRow(rows));
        }
        size.measured(rowCount(rows), bytes);
        at += rowsOfPage;
    }
    return true;
}

std::optional<EmlogValues> ServerSource::columns(std::string_view table, std::string_view idColumn,
                                                 std::string_view column)
{
    useUnicode(m_run.emlog);
    EmlogValues values;
    PageSize size = columnsPageSize(m_pageRows);
    const bool read =
        readPages(m_run, columnsSelect(table, idColumn, column), idColumn, size, [&](const ResultSet& rows) {
            std::pair<std::int64_t, std::string> value;
            readField(rows, 0, value.first);
            readField(rows, 1, value.second);
            values.push_back(std::move(value));
            return true;
        });
    if (!read)
        return std::nullopt;
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
    const std::optional<std::int64_t> found = selectNumber(m_run, m_run.emlog, hasTableQuery(table));
    if (!found)
        return std::nullopt;
    return *found > 0;
}

std::optional<bool> ServerSource::hasColumn(std::string_view table, std::string_view column)
{
    auto names = m_columnNames.find(std::string(table));
    if (names == m_columnNames.end()) {
        ResultSet rows = selectWithReconnect(m_run, m_run.emlog, columnNamesQuery(table));
        if (!rows)
            return std::nullopt;
        std::vector<std::string> read(static_cast<std::size_t>(rowCount(rows)));
        for (std::string& name : read) {
            readField(rows, 0, name);
            nextRow(rows);
        }
        names = m_columnNames.emplace(std::string(table), std::move(read)).first;
    }
    // Column names are compared as the server compares them: without regard to case.
    return std::any_of(names->second.begin(), names->second.end(),
                       [&](const std::string& name) { return sameNameCaseless(name, column); });
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
    const ResultSet result = selectWithReconnect(m_run, m_run.emlog, optionQuery(name));
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

bool EmlogSource::rowsById(std::string_view table, std::string_view idColumn, const std::vector<std::int64_t>& ids,
                           const std::vector<std::string>& columns, const std::function<void(const EmlogRow&)>& work)
{
    // None wanted: the table is not read through for nothing.
    if (ids.empty())
        return true;
    const std::unordered_set<std::int64_t> wanted(ids.begin(), ids.end());
    std::vector<std::string> read = columns;
    read.emplace_back(idColumn);
    return readTable(table, read, [&](const EmlogRow& row) {
        std::int64_t id = 0;
        if (readField(row, idColumn, id) && wanted.count(id))
            work(row);
    });
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

bool isEmlogTwo(EmlogSource& source)
{
    return source.hasTable("config") == true && source.hasTable("sort") == false;
}

} // namespace kestrel
