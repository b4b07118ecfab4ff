#pragma once

namespace kestrel {

struct MigrationRun;

// Whether WordPress's tables can undo a row (InnoDB) or take every statement at once (MyISAM,
// Aria), or whether that could not be asked.
enum class Transactions { yes, no, unknown };

// Asked of WordPress until it answers; the answer is then kept for the run. A session lost at the
// question gives `unknown`, never `no`: the rows are then written as safely as on either engine.
Transactions wordPressTransactions(MigrationRun& run);

} // namespace kestrel
