#include "ServerSource.h"

#include "ParentOrder.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "Session.h"
#include "TableQueries.h"

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
    if (!result) {
        std::uint64_t bytes = 0;
        for (int column = 0; column < rows.columnCount(); ++column) {
            std::optional<std::string_view> value;
            if (readRawField(rows, column, value) && value)
                bytes += value->size();
        }
        return bytes;
    }
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

// What a read of a table in pages asks: these columns of the table (every column when none are named),
// by its key.
struct PagedRead
{
    std::string table;
    std::vector<std::string> columns;
    std::string_view key;
    std::string_view name; // what the read is, for the reads made ahead to tell it from another
};

// A page of a read: the rows after `after`, by the key.
Query pageQuery(const PagedRead& read, std::optional<std::int64_t> after, std::size_t limit)
{
    std::vector<Name> columns;
    for (const std::string& column : read.columns)
        columns.push_back({column});
    const std::string list = columns.empty() ? "*" : "?5";
    return Query(std::string(read.name),
                 "SELECT " + list + " FROM ?1" + (after ? " WHERE ?2>?3" : "") + " ORDER BY ?2 LIMIT ?4",
                 {Name{read.table}, Name{std::string(read.key)}, after.value_or(0), static_cast<std::int64_t>(limit),
                  std::move(columns)});
}

// Columns of every row of a table read whole (all columns when none are named).
Query wholeTable(const std::string& table, const std::vector<std::string>& columns)
{
    std::vector<Name> names;
    for (const std::string& column : columns)
        names.push_back({column});
    return Query("emlog_whole_table", std::string("SELECT ") + (names.empty() ? "*" : "?2") + " FROM ?1",
                 {Name{table}, std::move(names)});
}

// Columns of the rows whose key is one of `ids` (all columns when none are named).
Query rowsAt(const std::string& table, std::string_view key, const std::vector<std::string>& columns,
             std::vector<std::int64_t> ids)
{
    std::vector<Name> names;
    for (const std::string& column : columns)
        names.push_back({column});
    return Query("emlog_rows_at", std::string("SELECT ") + (names.empty() ? "*" : "?4") + " FROM ?1 WHERE ?2 IN (?3)",
                 {Name{table}, Name{std::string(key)}, std::move(ids), std::move(names)});
}

// What forEachRow() reads of a kind's table read without a parent column, after how many rows it has.
PagedRead rowsRead(const std::string& table, std::string_view key)
{
    return {table, {}, key, "emlog_rows"};
}

// The pairs parentsFirst() reads, and how it sizes their pages.
PagedRead parentPairsRead(const std::string& table, std::string_view key, std::string_view parentColumn)
{
    return {table, {std::string(key), std::string(parentColumn)}, key, "emlog_parents"};
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

// Reads a table in pages by its integer key: each page asks for the rows after the last key taken. A
// page sent again after a lost session so asks for the same rows, and none is skipped or read twice.
// `each` gets every row with the cursor on it; it ends the reading by returning false. False when a
// page could not be read.
bool readPages(RunContext& run, const PagedRead& read, PageSize& size,
               const std::function<bool(const ResultSet&)>& each, const std::function<void()>& waiting = {})
{
    const std::string_view key = read.key;
    std::optional<std::int64_t> after;
    for (;;) {
        if (waiting)
            waiting();
        const std::size_t limit = size.rows();
        ResultSet rows = readWithReconnect(run, run.emlog, pageQuery(read, after, limit));
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
    const bool read = readPages(run, parentPairsRead(table, key, parentColumn), size, [&](const ResultSet& rows) {
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
    run.emlog.useUnicode();

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
        const std::optional<std::int64_t> rows = readNumber(run, run.emlog, countRows(table));
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
        return readPages(run, rowsRead(table, kind.idColumn), size, take, reading.waiting) || failRead();

    // In the parents' order, a page at a time: each page the next ids of the order, asked for by id.
    const std::string key(kind.idColumn);
    PackedIds::Reader next(*order);
    std::vector<std::int64_t> pageIds;
    for (std::size_t at = 0; at < order->size() && !run.stopRequested();) {
        const std::size_t rowsOfPage = std::min(size.rows(), order->size() - at);
        pageIds.clear();
        for (std::size_t i = 0; i < rowsOfPage; ++i)
            pageIds.push_back(next.next());
        if (reading.waiting)
            reading.waiting();
        ResultSet rows = readWithReconnect(run, run.emlog, rowsAt(table, key, {}, pageIds));
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

namespace {

// What readTable() reads: the columns named (all when none are), and the key too, to page by.
PagedRead tableRead(const std::string& table, std::string_view key, const std::vector<std::string>& columns)
{
    std::vector<std::string> list = columns;
    if (!list.empty() && !key.empty() && std::find(list.begin(), list.end(), key) == list.end())
        list.emplace_back(key);
    return {table, std::move(list), key, "emlog_table"};
}

PagedRead columnsRead(const std::string& table, std::string_view idColumn, std::string_view column)
{
    return {table, {std::string(idColumn), std::string(column)}, idColumn, "emlog_columns"};
}

Query optionQuery(const std::string& table, std::string_view name)
{
    return Query("emlog_option", "SELECT option_value FROM ?1 WHERE option_name=?2", {Name{table}, std::string(name)});
}

// The names of a table's columns, as the server has them.
Query columnNames(const std::string& table)
{
    return Query("emlog_column_names",
                 "SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME=?1",
                 {table});
}

} // namespace

void ServerSource::readAhead(const std::vector<EmlogRead>& reads)
{
    std::vector<Query> queries;
    const std::size_t firstPage = PageSize(m_pageRows).rows();
    for (const EmlogRead& read : reads) {
        const std::string table = tableName(read.table);
        switch (read.what) {
        case EmlogRead::What::Columns:
            if (read.names.size() == 2)
                queries.push_back(pageQuery(columnsRead(table, read.names[0], read.names[1]), std::nullopt,
                                            columnsPageSize(m_pageRows).rows()));
            break;
        case EmlogRead::What::Table: {
            const std::string_view key = keyOf(read.table);
            if (key.empty())
                queries.push_back(wholeTable(table, read.names));
            else
                queries.push_back(pageQuery(tableRead(table, key, read.names), std::nullopt, firstPage));
            break;
        }
        case EmlogRead::What::Option:
            queries.push_back(optionQuery(tableName("options"), read.table));
            break;
        case EmlogRead::What::HasTable:
            queries.push_back(tableExists(table));
            break;
        case EmlogRead::What::HasColumn:
            if (!m_columnNames.count(read.table))
                queries.push_back(columnNames(table));
            break;
        case EmlogRead::What::FirstRows:
            // What forEachRow() asks first: how many rows, then the first page. Two kinds may read one
            // table (comments and the owner's answers inside them): it is read ahead once.
            for (const KindInfo& kind : kinds) {
                if (kind.emlogTable == read.table) {
                    queries.push_back(countRows(table));
                    queries.push_back(pageQuery(rowsRead(table, kind.idColumn), std::nullopt, firstPage));
                    break;
                }
            }
            break;
        case EmlogRead::What::ParentOrder:
            for (const KindInfo& kind : kinds) {
                if (kind.emlogTable == read.table && read.names.size() == 1) {
                    queries.push_back(pageQuery(parentPairsRead(table, kind.idColumn, read.names[0]), std::nullopt,
                                                parentPairsPageSize().rows()));
                    break;
                }
            }
            break;
        }
    }
    // Rows are read in the character set they are asked for in later.
    if (!queries.empty() && m_run.emlog.useUnicode())
        m_run.emlog.readAhead(queries);
}

bool ServerSource::readTable(std::string_view table, const std::vector<std::string>& columns,
                             const std::function<void(const EmlogRow&)>& work)
{
    m_run.emlog.useUnicode();
    const std::string_view key = keyOf(table);
    if (!key.empty()) {
        PageSize size(m_pageRows);
        return readPages(m_run, tableRead(tableName(table), key, columns), size, [&](const ResultSet& rows) {
            work(ServerRow(rows));
            return true;
        });
    }
    ResultSet rows = readWithReconnect(m_run, m_run.emlog, wholeTable(tableName(table), columns));
    if (!rows)
        return false;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows))
        work(ServerRow(rows));
    return true;
}

bool ServerSource::rowsById(std::string_view table, std::string_view idColumn, const std::vector<std::int64_t>& ids,
                            const std::vector<std::string>& columns, const std::function<void(const EmlogRow&)>& work)
{
    m_run.emlog.useUnicode();
    std::vector<std::string> list = {std::string(idColumn)};
    list.insert(list.end(), columns.begin(), columns.end());
    // A page of ids at a time, sized as the pages of a table are.
    PageSize size(m_pageRows);
    for (std::size_t at = 0; at < ids.size();) {
        const std::size_t rowsOfPage = std::min(size.rows(), ids.size() - at);
        const std::vector<std::int64_t> page(ids.begin() + static_cast<std::ptrdiff_t>(at),
                                             ids.begin() + static_cast<std::ptrdiff_t>(at + rowsOfPage));
        ResultSet rows = readWithReconnect(m_run, m_run.emlog, rowsAt(tableName(table), idColumn, list, page));
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
    m_run.emlog.useUnicode();
    EmlogValues values;
    PageSize size = columnsPageSize(m_pageRows);
    const bool read =
        readPages(m_run, columnsRead(tableName(table), idColumn, column), size, [&](const ResultSet& rows) {
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
    const ResultSet rows = readWithReconnect(m_run, m_run.emlog, largestValue(tableName(table), idColumn));
    std::int64_t largest = 0;
    if (rowCount(rows) == 0)
        return std::nullopt;
    readField(rows, 0, largest); // NULL, for an empty table, reads as 0
    return largest;
}

std::optional<bool> ServerSource::hasTable(std::string_view table)
{
    const std::optional<std::int64_t> found = readNumber(m_run, m_run.emlog, tableExists(tableName(table)));
    if (!found)
        return std::nullopt;
    return *found > 0;
}

std::optional<bool> ServerSource::hasColumn(std::string_view table, std::string_view column)
{
    auto names = m_columnNames.find(std::string(table));
    if (names == m_columnNames.end()) {
        ResultSet rows = readWithReconnect(m_run, m_run.emlog, columnNames(tableName(table)));
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
    m_run.emlog.useUnicode();
    if (m_run.emlog.read(Query("emlog_sample", "SELECT * FROM ?1 LIMIT 1", {Name{tableName(table)}})))
        return true;
    why = m_run.emlog.lastError();
    return false;
}

bool ServerSource::option(std::string_view name, std::optional<std::string>& value)
{
    m_run.emlog.useUnicode();
    const ResultSet result = readWithReconnect(m_run, m_run.emlog, optionQuery(tableName("options"), name));
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
