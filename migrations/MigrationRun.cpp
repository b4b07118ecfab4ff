#include "MigrationRun.h"

#include "Origins.h"
#include "Session.h"
#include "Transactions.h"
#include "WordPressQueries.h"

#include <iterator>

namespace kestrel {

MigrationRun::MigrationRun(Session& emlog, Session& wordPress)
    : RunContext(emlog, wordPress), source(std::make_unique<ServerSource>(*this))
{
}

bool readCopies(MigrationRun& run, std::string_view migration, std::initializer_list<const OriginKey*> keys)
{
    for (const OriginKey* key : keys) {
        if (run.state.hasCopies(*key))
            continue;
        // Before the first read of a kind's copies: where the tables cannot undo a row, an origin
        // left by a row an earlier run lost goes, so that it never names a row that takes its id.
        if (run.state.transactions(run) == Transactions::no && !deleteOrphanedOrigins(run, *key)) {
            unreadableWordPress(run, migration, key->metaTable, key->key);
            return false;
        }
        if (!run.state.readCopies(run, migration, *key))
            return false;
    }
    return true;
}

Why missingArticle(const MigrationRun& run, std::int64_t gid)
{
    const auto& inEmlog = run.handoffs.articlesInEmlog;
    const bool gone = inEmlog && !inEmlog->count(gid);
    return {gone ? Why::Code::articleNotInEmlog : Why::Code::articleNotCopied, std::to_string(gid), {}};
}

void readAheadOfMigration(MigrationRun& run, std::initializer_list<const OriginKey*> keys, std::vector<Query> selects,
                          const std::vector<EmlogRead>& reads)
{
    // Not known yet, whether the tables undo a row is asked in the same exchange, and the copies taken to
    // be readable ahead: where they are not, the orphans' deletion drops them, and they are read again.
    std::vector<Query> all;
    const bool known = run.state.knowsTransactions();
    if (!known)
        all.push_back(transactionsQuery(run));
    for (const OriginKey* key : keys) {
        if (!run.state.hasCopies(*key) && (!known || run.state.transactions(run) == Transactions::yes))
            all.push_back(reads::copies(run.wordPressPrefix, *key));
    }
    all.insert(all.end(), std::make_move_iterator(selects.begin()), std::make_move_iterator(selects.end()));
    readAheadOfWordPress(run, all);
    if (!reads.empty())
        run.source->readAhead(reads);
}

void unreadableEmlog(MigrationRun& run, std::string_view migration, std::string_view table)
{
    run.failures.tally(migration).unreadable = true;
    run.failures.record(migration, run.source->tableName(table), "",
                        {Why::Code::emlogUnreadable, {}, run.source->lastError()});
}

} // namespace kestrel
