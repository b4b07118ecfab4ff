#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct RunContext;
struct EmptyingPlan;

// How an emptying that did not go through ended: why, where, and which of its deletes stand.
struct EmptyingFailure
{
    enum class Reason {
        NotMarked,        // the rows to delete could not be marked
        BackupNotWritten, // the backup could not be written whole or made to last on disk
        StatementFailed,  // the server refused a statement of the transaction
        SessionLost,      // the session went away before COMMIT
    };
    Reason reason = Reason::StatementFailed;
    std::string where; // the table or statement, or the backup file
    std::string error; // the server's "number message", or the file's

    // A delete the rollback could not undo: on a table whose engine takes no part in the
    // transaction. Its rows are in the backup.
    struct Deleted
    {
        std::string table;
        std::int64_t rows = 0; // -1: some, how many could not be told
    };
    std::vector<Deleted> deleted; // in the order they were made; empty when nothing was deleted
};

// Deletes what the plan counted, only what a copy of a blog owns, after writing every row it
// deletes into the plan's backup file, all in one transaction; and resets the options that
// named deleted posts. Users are never emptied. Nothing when it went through: the plan's
// counts are then what was deleted. Otherwise why not (also in the run's log), and the deletes
// that stand all the same.
std::optional<EmptyingFailure> emptyWordPress(RunContext& run, EmptyingPlan& plan);

} // namespace kestrel
