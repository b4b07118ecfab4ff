#pragma once

#include "MigrationRun.h"

namespace kestrel {

// Reads the backup once through and makes it the run's emlog: its prefix, and what a cut
// file could not give recorded as failures. False, and `backup` says why, when it cannot be read.
bool useEmlogBackup(MigrationRun& run, BackupFile& backup, const std::string& path, bool acceptTruncated);

// forEachRow and readEmlogColumns when emlog's rows come from a backup file: the
// same order, status texts, pacing and progress, one row held at a time.
bool forEachBackupRow(MigrationRun& run, const TableReading& reading, const std::function<void(const EmlogRow&)>& work);
std::optional<EmlogValues> readBackupColumns(MigrationRun& run, std::string_view table, std::string_view idColumn,
                                             std::string_view column);
// Every row of a table, without the status texts and pacing of a migration; false when it cannot be read.
bool readBackupTable(MigrationRun& run, std::string_view table, const std::function<void(const EmlogRow&)>& work);

// An option of emlog's options table in the backup: nothing when the backup has no such row.
std::optional<std::string> backupOption(MigrationRun& run, std::string_view name);
// The largest id of a table in the backup: 0 for none.
std::int64_t largestBackupId(MigrationRun& run, std::string_view bareTable, std::string_view idColumn);
// Whether the backup holds a table (bare name).
bool hasBackupTable(MigrationRun& run, std::string_view bareTable);

// What a backup that stopped before its end could not give, as failures of the run's report.
void recordBackupCut(MigrationRun& run);

} // namespace kestrel
