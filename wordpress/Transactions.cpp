#include "Transactions.h"

#include "BlogConnection.h"
#include "Reconnect.h"
#include "RunContext.h"

namespace kestrel {

Transactions askTransactions(RunContext& run)
{
    std::string tables;
    for (const std::string_view bare : wordPressTablesWritten)
        tables += (tables.empty() ? "" : ",") + quotedLiteral(run.wordPress, run.wordPressTable(bare));
    const std::optional<std::int64_t> others = selectNumber(
        run, run.wordPress,
        "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (" + tables +
            ") AND ENGINE<>'InnoDB'");
    if (!others)
        return Transactions::unknown;
    return *others == 0 ? Transactions::yes : Transactions::no;
}

} // namespace kestrel
