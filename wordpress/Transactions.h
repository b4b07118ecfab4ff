#pragma once

#include "Query.h"

#include <optional>
#include <string>

namespace kestrel {

struct RunContext;

// Whether WordPress's tables can undo a row (InnoDB) or take every statement at once (MyISAM,
// Aria), or whether that could not be asked.
enum class Transactions { yes, no, unknown };

// Asks WordPress whether every table a run writes is InnoDB. A session lost at the question gives
// `unknown`, never `no`: the rows are then written as safely as on either engine.
Transactions askTransactions(RunContext& run);
// The read askTransactions() makes, to read it ahead.
Query transactionsQuery(const RunContext& run);

} // namespace kestrel
