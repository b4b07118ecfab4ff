#pragma once

#include "Emptying.h"

#include <optional>

namespace kestrel {

// emptyWordPress() for a session carried through the receiver plugin, where each request stands alone:
// no transaction, lock or temporary table lasts from one to the next. The rows are found, backed up and
// made to last on disk first, each read a request of its own; then one request, one transaction on the
// site, checks under lock that every row backed up is still as it was (and that no row was added to
// what goes), deletes exactly those rows, resets the options and commits. Anything changed meanwhile
// and that request deletes nothing.
std::optional<EmptyingFailure> emptyThroughCarrier(RunContext& run, EmptyingPlan& plan);

} // namespace kestrel
