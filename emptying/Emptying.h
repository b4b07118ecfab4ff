#pragma once

namespace kestrel {

struct RunContext;
struct EmptyingPlan;

// Deletes what the plan counted, only what a copy of a blog owns, after writing every row it
// deletes into the plan's backup file, all in one transaction; and resets the options that
// named deleted posts. Users are never emptied. False when nothing was deleted (the run's
// log says why); the plan's counts are then what was deleted.
bool emptyWordPress(RunContext& run, EmptyingPlan& plan);

} // namespace kestrel
