#include "WordPressState.h"

#include "Origins.h"
#include "RunContext.h"
#include "Session.h"
#include "WordPressQueries.h"

namespace kestrel {

bool unreadableWordPress(RunContext& run, std::string_view migration, std::string_view table, std::string_view what)
{
    FailureLog::Tally& tally = run.failures.tally(migration);
    tally.unreadable = true;
    tally.wordPressUnreadable = true;
    run.failures.record(migration, run.wordPressTable(table), what,
                        {Why::Code::wordPressUnreadable,
                         {},
                         std::to_string(run.wordPress.lastErrorNumber()) + " " + run.wordPress.lastError()});
    return false;
}

void readAheadOfWordPress(RunContext& run, const std::vector<Query>& queries)
{
    // Rows are read in the character set they are asked for in later.
    if (!queries.empty() && run.wordPress.useUnicode())
        run.wordPress.startReadAhead(queries);
}

bool WordPressState::readCopies(RunContext& run, std::string_view migration, const OriginKey& key)
{
    if (hasCopies(key))
        return true;
    run.wordPress.useUnicode();
    std::optional<Copies> copies = kestrel::readCopies(run, key);
    if (!copies)
        return unreadableWordPress(run, migration, key.metaTable, key.key);
    m_copies.emplace(key.key, std::move(*copies));
    return true;
}

bool WordPressState::readPostNames(RunContext& run, std::string_view migration)
{
    if (m_postNames)
        return true;
    run.wordPress.useUnicode();
    m_postNames = textsInUse(run, reads::postNames(run.wordPressPrefix));
    return m_postNames || unreadableWordPress(run, migration, "posts", "post_name");
}

bool WordPressState::readTermIds(RunContext& run, std::string_view migration)
{
    if (m_termIds)
        return true;
    m_termIds = usedIds(run, reads::termIds(run.wordPressPrefix));
    return m_termIds || unreadableWordPress(run, migration, "term_taxonomy", "term ids");
}

Copies& WordPressState::copies(const OriginKey& key)
{
    // Asked only after a read that succeeded: an unread part must never pass for an empty one.
    return m_copies.at(key.key);
}

TakenSlugs& WordPressState::postNames()
{
    return m_postNames.value();
}

std::unordered_set<std::int64_t>& WordPressState::termIds()
{
    return m_termIds.value();
}

Transactions WordPressState::transactions(RunContext& run)
{
    if (!m_transactional) {
        const Transactions asked = askTransactions(run);
        if (asked == Transactions::unknown)
            return asked;
        m_transactional = asked == Transactions::yes;
    }
    return *m_transactional ? Transactions::yes : Transactions::no;
}

} // namespace kestrel
