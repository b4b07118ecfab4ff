#pragma once

#include "EmptyingPlan.h"
#include "FailureLog.h"
#include "SessionSecurity.h"

#include <optional>
#include <string>

namespace kestrel {

// What a run did, for a caller that wants more than the window's message: each
// migration's tallies and failed rows, and how long it took.
struct RunReport
{
    FailureLog log;
    double elapsedSeconds = 0;
    bool stopped = false;                // ended early on request: the tallies say what arrived
    std::optional<EmptyingPlan> emptied; // what emptying WordPress first deleted, and its backup
    SessionSecurity emlogSession;        // none opened when the rows came from a backup file
    SessionSecurity wordPressSession;
    std::string emlogBackup;    // the backup file the rows came from; empty for emlog's server
    std::string siteAddress;    // WordPress's home, where the moved blog is read; empty when unknown
    bool bundledSample = false; // the rows came from the sample blog scripts/run.sh serves
};

} // namespace kestrel
