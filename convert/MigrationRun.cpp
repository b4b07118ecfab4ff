#include "MigrationRun.h"

#include "BlogConnection.h"
#include "ResultSet.h"
#include "Sessions.h"

#include <condition_variable>
#include <mutex>

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

bool writeRow(MigrationRun& run, std::string_view migration, std::string_view bareTable, std::string_view sourceId,
              std::string_view assignments)
{
    const std::string table = run.wordPressTable(bareTable);
    if (!insertRow(run.wordPress, table, assignments)) {
        recordFailure(run, migration, table, sourceId);
        return false;
    }
    const unsigned count = warningCount(run.wordPress);
    // Each migration writes a table with the same columns every time, so the same defaults are filled.
    const std::string shape = std::string(migration) + " " + table;
    const auto expected = run.expectedWarnings.find(shape);
    if (count == 0 || (expected != run.expectedWarnings.end() && count <= expected->second))
        return true;

    constexpr unsigned filledWithDefault = 1364; // "Field doesn't have a default value"
    unsigned defaults = 0;
    std::string changes;
    for (const Warning& warning : lastWarnings(run.wordPress)) {
        if (warning.code == filledWithDefault) {
            ++defaults;
            continue;
        }
        changes += (changes.empty() ? "" : "; ") + std::to_string(warning.code) + " " + warning.message;
    }
    run.expectedWarnings[shape] = defaults;
    if (changes.empty())
        return true;
    run.failures.record(migration, table, sourceId, "written with changes: " + changes);
    return false;
}

void forEachRow(MigrationRun& run, const TableReading& reading, const std::function<bool(const ResultSet&)>& work)
{
    useUnicode(run.emlog);
    useUnicode(run.wordPress);

    const std::string table = run.emlogTable(reading.table);
    FailureLog::Tally& tally = run.failures.tally(reading.migration);
    auto failRead = [&] {
        tally.unreadable = true;
        run.failures.record(reading.migration, table, "",
                            std::to_string(run.emlog.lastErrorNumber()) + " " + run.emlog.lastError());
    };
    if (!executeSql(run.emlog, "Select * From " + table)) {
        failRead();
        return;
    }
    ResultSet rows = storeResult(run.emlog);
    if (!rows) {
        failRead();
        return;
    }
    run.setStatusText(std::string(reading.openingText));

    const auto count = static_cast<std::int64_t>(rowCount(rows));
    for (std::int64_t i = 1; i <= count && !run.stopRequested(); ++i) {
        ++tally.read;
        ++(work(rows) ? tally.written : tally.failed);
        const int percent = percentDone(i, count);
        run.setStatusText(std::string(reading.runningText) + std::to_string(percent) + "%");
        run.setProgress(percent);
        nextRow(rows);
    }
}

} // namespace kestrel
