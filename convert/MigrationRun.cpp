#include "MigrationRun.h"

#include "BackupRows.h"
#include "BlogConnection.h"
#include "ParentOrder.h"
#include "Reconnect.h"
#include "ResultSet.h"

#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace kestrel {

void MigrationRun::pace(milliseconds interval)
{
    if (interval <= milliseconds::zero())
        return;
    if (sleep) {
        sleep(interval, stopToken);
        return;
    }
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, stopToken, interval, [] { return false; });
}

int percentDone(std::int64_t row, std::int64_t rows)
{
    return rows <= 0 ? 0 : static_cast<int>(static_cast<double>(row) / static_cast<double>(rows) * 100.0);
}

void recordFailure(MigrationRun& run, std::string_view migration, std::string_view table, std::string_view sourceId)
{
    run.failures.record(migration, table, sourceId,
                        std::to_string(run.wordPress.lastErrorNumber()) + " " + run.wordPress.lastError());
}

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

bool forEachRow(MigrationRun& run, const TableReading& reading, const std::function<void(const EmlogRow&)>& work)
{
    if (run.emlogBackup)
        return forEachBackupRow(run, reading, work);
    useUnicode(run.emlog);
    useUnicode(run.wordPress);

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

std::optional<EmlogValues> readEmlogColumns(MigrationRun& run, std::string_view table, std::string_view idColumn,
                                            std::string_view column)
{
    if (run.emlogBackup)
        return readBackupColumns(run, table, idColumn, column);
    ResultSet rows = selectWithReconnect(run, run.emlog,
                                         "SELECT " + std::string(idColumn) + ", " + std::string(column) + " FROM " +
                                             run.emlogTable(table));
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

} // namespace kestrel
