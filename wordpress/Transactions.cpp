#include "Transactions.h"

#include "Reconnect.h"
#include "RunContext.h"
#include "WordPressQueries.h"

namespace kestrel {

Query transactionsQuery(const RunContext& run)
{
    std::vector<std::string> tables;
    for (const std::string_view bare : wordPressTablesWritten)
        tables.push_back(run.wordPressTable(bare));
    return reads::tablesWithoutTransactions(std::move(tables));
}

Transactions askTransactions(RunContext& run)
{
    const std::optional<std::int64_t> others = readNumber(run, run.wordPress, transactionsQuery(run));
    if (!others)
        return Transactions::unknown;
    return *others == 0 ? Transactions::yes : Transactions::no;
}

} // namespace kestrel
