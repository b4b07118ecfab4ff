#include "BackupSource.h"

#include "BackupFile.h"
#include "Kinds.h"
#include "ParentOrder.h"
#include "ResultSet.h"
#include "RunContext.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace kestrel {

namespace {

// As a select's text, which stops at a zero byte.
std::string textOf(std::string_view bytes)
{
    return std::string(bytes.substr(0, strnlen(bytes.data(), bytes.size())));
}

class BackupFileRow : public EmlogRow
{
public:
    explicit BackupFileRow(const BackupRow& row) : m_row(row) {}

    bool read(std::string_view column, std::int64_t& value) const override
    {
        const SqlValue* found = m_row.value(column);
        if (!found)
            return false;
        value = found->null ? 0 : leadingInteger(found->bytes);
        return true;
    }
    bool read(std::string_view column, std::string& value) const override
    {
        const SqlValue* found = m_row.value(column);
        if (!found)
            return false;
        value = textOf(found->bytes);
        return true;
    }

private:
    const BackupRow& m_row;
};

bool tableHasColumn(const BackupTable& table, std::string_view column)
{
    return !table.columns || std::find(table.columns->begin(), table.columns->end(), column) != table.columns->end();
}

// The order forEachRow gives on a server, for a table whose rows name their parents.
std::optional<std::vector<std::size_t>> parentsFirst(BackupFile& backup, const BackupTable& table,
                                                     const TableReading& reading)
{
    std::vector<IdAndParent> rows;
    rows.reserve(static_cast<std::size_t>(table.rows));
    const std::string_view idColumn = infoOf(reading.kind).idColumn;
    const KeptValues* ids = backup.keptColumn(table.name, idColumn);
    const KeptValues* parents = backup.keptColumn(table.name, reading.parentColumn);
    if (ids && parents) {
        for (std::size_t i = 0; i < ids->size(); ++i)
            rows.push_back({leadingInteger((*ids)[i]), leadingInteger((*parents)[i])});
        return parentsFirstOrder(rows);
    }
    const bool read = backup.forEachRow(table, [&](const BackupRow& row) {
        const BackupFileRow emlogRow(row);
        IdAndParent& ids = rows.emplace_back();
        emlogRow.read(idColumn, ids.id);
        emlogRow.read(reading.parentColumn, ids.parent);
        return true;
    });
    if (!read)
        return std::nullopt;
    return parentsFirstOrder(rows);
}

} // namespace

bool BackupSource::open(const std::string& path, bool acceptTruncated)
{
    RunContext& run = m_run;
    BackupFile& backup = m_backup;
    run.tell({RunEvent::What::ReadingBackup});
    backup.stopRequested = [&run] { return run.stopRequested(); };
    backup.progress = [&run](std::uint64_t done, std::uint64_t total) {
        run.tell({RunEvent::What::ReadingBackup, Kind::users, static_cast<std::int64_t>(done),
                  static_cast<std::int64_t>(total)});
    };
    // What the migrations read of a table before its rows, or beside another's, comes from the first
    // pass: the order of rows with parents, largest ids, an article's category, cover, alias and type,
    // a tag's articles, the names that links to the blog use, and the blog's options. Each table read
    // again costs a gzip file its decompression up to there.
    if (!backup.open(path, run.emlogPrefix, acceptTruncated,
                     {"blog.gid", "blog.sortid", "blog.parent_id", "blog.type", "blog.alias", "blog.cover",
                      "comment.cid", "comment.pid", "tag.tid", "tag.gid", "tag.tagname", "sort.sid", "sort.alias",
                      "sort.sortname", "link.id", "options.option_name", "options.option_value"}))
        return false;
    run.emlogPrefix = backup.prefix();
    recordCut();
    return true;
}

bool BackupSource::forEachRow(const TableReading& reading, const std::function<void(const EmlogRow&)>& work)
{
    RunContext& run = m_run;
    BackupFile& backup = m_backup;
    const KindInfo& kind = infoOf(reading.kind);
    const std::string tableName = run.emlogTable(kind.emlogTable);
    FailureLog::Tally& tally = run.failures.tally(kind.id);
    auto failRead = [&](const std::string& why) {
        tally.unreadable = true;
        run.failures.record(kind.id, tableName, "", {Why::Code::emlogUnreadable, {}, why});
        return false;
    };
    const BackupTable* table = backup.table(tableName);
    if (!table) {
        tally.unreadable = true;
        run.failures.record(kind.id, tableName, "", {Why::Code::backupTableMissing});
        return false;
    }
    run.tell({RunEvent::What::Reading, reading.kind});

    std::optional<std::vector<std::size_t>> order;
    if (!reading.parentColumn.empty() && tableHasColumn(*table, reading.parentColumn)) {
        order = parentsFirst(backup, *table, reading);
        if (!order)
            return failRead(lastError());
    }
    const std::int64_t count = table->rows;
    std::int64_t done = 0;
    auto take = [&](const BackupRow& row) {
        work(BackupFileRow(row));
        ++done;
        run.pace(reading.pacing);
        run.tell({RunEvent::What::Row, reading.kind, done, count});
        return !run.stopRequested();
    };
    // A row whose parent comes later in the file waits for it; in emlog's tables, replies
    // and subpages nearly always come after what they belong to, so few rows wait.
    std::map<std::size_t, BackupRow> waiting;
    std::size_t next = 0;
    const bool read = backup.forEachRow(*table, [&](const BackupRow& row) {
        if (!order)
            return take(row);
        const auto index = static_cast<std::size_t>(row.number - 1);
        if ((*order)[next] != index) {
            waiting.emplace(index, row);
            return true;
        }
        if (!take(row))
            return false;
        for (++next; next < order->size(); ++next) {
            const auto found = waiting.find((*order)[next]);
            if (found == waiting.end())
                break;
            if (!take(found->second))
                return false;
            waiting.erase(found);
        }
        return true;
    });
    return read || failRead(lastError());
}

std::optional<EmlogValues> BackupSource::columns(std::string_view table, std::string_view idColumn,
                                                 std::string_view column)
{
    BackupFile& backup = m_backup;
    const BackupTable* found = backup.table(tableName(table));
    if (!found)
        return std::nullopt;
    EmlogValues values;
    values.reserve(static_cast<std::size_t>(found->rows));
    const KeptValues* ids = backup.keptColumn(found->name, idColumn);
    const KeptValues* texts = backup.keptColumn(found->name, column);
    if (ids && texts) {
        for (std::size_t i = 0; i < ids->size(); ++i)
            values.emplace_back(leadingInteger((*ids)[i]), textOf((*texts)[i]));
        return values;
    }
    const bool read = backup.forEachRow(*found, [&](const BackupRow& row) {
        const BackupFileRow emlogRow(row);
        std::pair<std::int64_t, std::string> value;
        emlogRow.read(idColumn, value.first);
        emlogRow.read(column, value.second);
        values.push_back(std::move(value));
        return true;
    });
    if (!read)
        return std::nullopt;
    return values;
}

bool BackupSource::readTable(std::string_view table, const std::vector<std::string>&,
                             const std::function<void(const EmlogRow&)>& work)
{
    const BackupTable* found = m_backup.table(tableName(table));
    return found && m_backup.forEachRow(*found, [&](const BackupRow& row) {
        work(BackupFileRow(row));
        return true;
    });
}

bool BackupSource::option(std::string_view name, std::optional<std::string>& value)
{
    value.reset();
    const BackupFile& backup = m_backup;
    const BackupTable* table = backup.table(tableName("options"));
    // A blog without an options table in its file has no options: emlog's defaults stand.
    if (!table)
        return true;
    const KeptValues* names = table ? backup.keptColumn(table->name, "option_name") : nullptr;
    const KeptValues* values = table ? backup.keptColumn(table->name, "option_value") : nullptr;
    if (names && values) {
        for (std::size_t i = 0; i < names->size(); ++i) {
            if ((*names)[i] == name)
                value = textOf((*values)[i]);
        }
        return true;
    }
    return readTable("options", {"option_name", "option_value"}, [&](const EmlogRow& row) {
        std::string rowName;
        if (readField(row, "option_name", rowName) && rowName == name)
            readField(row, "option_value", value.emplace());
    });
}

std::optional<std::int64_t> BackupSource::largestId(std::string_view bareTable, std::string_view idColumn)
{
    std::int64_t largest = 0;
    const BackupTable* table = m_backup.table(tableName(bareTable));
    // A table the file does not hold has no ids, as a server's empty table.
    if (!table)
        return 0;
    if (const KeptValues* ids = m_backup.keptColumn(table->name, idColumn)) {
        for (std::size_t i = 0; i < ids->size(); ++i)
            largest = std::max(largest, leadingInteger((*ids)[i]));
        return largest;
    }
    const bool read = readTable(bareTable, {std::string(idColumn)}, [&](const EmlogRow& row) {
        std::int64_t id = 0;
        readField(row, idColumn, id);
        largest = std::max(largest, id);
    });
    if (!read)
        return std::nullopt;
    return largest;
}

std::optional<bool> BackupSource::hasTable(std::string_view bareTable)
{
    return m_backup.table(tableName(bareTable)) != nullptr;
}

std::optional<bool> BackupSource::hasColumn(std::string_view bareTable, std::string_view column)
{
    // A table whose file names no columns is read by position: every column it holds counts.
    const BackupTable* table = m_backup.table(tableName(bareTable));
    return table && tableHasColumn(*table, column);
}

bool BackupSource::readable(std::string_view bareTable, std::string& why)
{
    // A cut file read as asked lacks what came after the cut: the report names it instead.
    if (m_backup.table(tableName(bareTable)) || m_backup.cut().cut)
        return true;
    why = "not in the backup file";
    return false;
}

std::string BackupSource::tableName(std::string_view bareTable) const
{
    return m_run.emlogTable(bareTable);
}

std::string BackupSource::lastError() const
{
    if (problemText)
        return problemText(m_backup.problem());
    return "backup file unreadable (" + std::to_string(static_cast<int>(m_backup.problem().what)) + ")";
}

void BackupSource::recordCut()
{
    RunContext& run = m_run;
    const BackupFile& backup = m_backup;
    if (!backup.cut().cut && backup.passedOver().empty())
        return;
    FailureLog::Tally& tally = run.failures.tally(step::backup);
    for (const PassedOver& statement : backup.passedOver()) {
        run.failures.record(step::backup, statement.table, "",
                            {Why::Code::backupPassedOver, {}, passedOverText ? passedOverText(statement) : ""});
        ++tally.failed;
    }
    if (!backup.cut().cut)
        return;
    const std::int64_t passed = tally.failed;
    const std::string cut = cutText ? cutText(backup.cut()) : std::string();
    if (!backup.cut().lostTable.empty()) {
        run.failures.record(step::backup, backup.cut().lostTable, "", {Why::Code::backupCutStatement, {}, cut});
        ++tally.failed;
    }
    for (const KindInfo& kind : kinds) {
        const std::string table = run.emlogTable(kind.emlogTable);
        if (!backup.table(table) && !blogMayLack(kind.kind)) {
            run.failures.record(step::backup, table, "", {Why::Code::backupCutTable, {}, cut});
            ++tally.failed;
        }
    }
    if (tally.failed == passed) {
        run.failures.record(step::backup, "", "", {Why::Code::backupCutAfter, {}, cut});
        ++tally.failed;
    }
}

} // namespace kestrel
