#pragma once

#include "BackupProblem.h"
#include "EmlogSource.h"

#include <string>

namespace kestrel {

class BackupFile;
struct BackupCut;
struct RunContext;

// emlog's rows as its backup file holds them: the same rows, order, progress and pacing as its
// server gives, one row held at a time. The file is read once through first (open); each table
// is then read again from where its rows start.
class BackupSource : public EmlogSource
{
public:
    BackupSource(RunContext& run, BackupFile& backup) : m_run(run), m_backup(backup) {}

    // Reads the file once through and takes its prefix for the run's; what a cut file could not
    // give is recorded as failures. False, and the file says why, when it cannot be read.
    bool open(const std::string& path, bool acceptTruncated);

    // The front end's words for why the file could not be read, and for where a file read anyway
    // stops: the failures the run records name them.
    std::function<std::string(const BackupProblem&)> problemText;
    std::function<std::string(const BackupCut&)> cutText;
    std::function<std::string(const PassedOver&)> passedOverText;

    bool forEachRow(const TableReading& reading, const std::function<void(const EmlogRow&)>& work) override;
    bool readTable(std::string_view table, const std::vector<std::string>& columns,
                   const std::function<void(const EmlogRow&)>& work) override;
    std::optional<EmlogValues> columns(std::string_view table, std::string_view idColumn,
                                       std::string_view column) override;
    std::optional<std::int64_t> largestId(std::string_view table, std::string_view idColumn) override;
    std::optional<bool> hasTable(std::string_view table) override;
    std::optional<bool> hasColumn(std::string_view table, std::string_view column) override;
    bool readable(std::string_view table, std::string& why) override;
    bool option(std::string_view name, std::optional<std::string>& value) override;
    std::string tableName(std::string_view table) const override;
    std::string lastError() const override;

private:
    // What a file that stopped before its end, or whose statements too large were passed over, could not
    // give, as failures of the run's report.
    void recordCut();

    RunContext& m_run;
    BackupFile& m_backup;
};

} // namespace kestrel
