#include "Transactions.h"

#include "BlogConnection.h"
#include "Reconnect.h"
#include "RunContext.h"

namespace kestrel {

std::string transactionsQuery(RunContext& run)
{
    std::string tables;
    for (const std::string_view bare : wordPressTablesWritten)
        tables += (tables.empty() ? "" : ",") + quotedLiteral(run.wordPress, run.wordPressTable(bare));
    return "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=DATABASE() AND TABLE_NAME IN (" + tables +
           ") AND ENGINE<>'InnoDB'";
}

Transactions askTransactions(RunContext& run)
{
    const std::optional<std::int64_t> others = selectNumber(run, run.wordPress, transactionsQuery(run));
    if (!others)
        return Transactions::unknown;
    return *others == 0 ? Transactions::yes : Transactions::no;
}

} // namespace kestrel
