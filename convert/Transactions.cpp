#include "Transactions.h"

#include "MigrationRun.h"
#include "Reconnect.h"

namespace kestrel {

Transactions wordPressTransactions(MigrationRun& run)
{
    if (run.transactional)
        return *run.transactional ? Transactions::yes : Transactions::no;
    std::string tables;
    for (const std::string_view bare : wordPressTablesWritten)
        tables += (tables.empty() ? "'" : ",'") + run.wordPressTable(bare) + "'";
    const std::optional<std::int64_t> others = selectNumber(
        run, run.wordPress,
        "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (" + tables +
            ") AND ENGINE<>'InnoDB'");
    if (!others)
        return Transactions::unknown;
    run.transactional = *others == 0;
    return *run.transactional ? Transactions::yes : Transactions::no;
}

} // namespace kestrel
