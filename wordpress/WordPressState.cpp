#include "WordPressState.h"

#include "BlogConnection.h"
#include "Origins.h"
#include "RunContext.h"

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

std::string postNamesQuery(const RunContext& run)
{
    return "SELECT post_name FROM " + run.wordPressTable("posts") + " WHERE post_name<>''";
}

std::string termIdsQuery(const RunContext& run)
{
    return "SELECT term_id FROM " + run.wordPressTable("terms") + " UNION SELECT term_taxonomy_id FROM " +
           run.wordPressTable("term_taxonomy") + " UNION SELECT term_taxonomy_id FROM " +
           run.wordPressTable("term_relationships");
}

void readAheadOfWordPress(RunContext& run, const std::vector<std::string>& selects)
{
    // Rows are read in the character set they are asked for in later.
    if (!selects.empty() && useUnicode(run.wordPress))
        startReadAhead(run.wordPress, selects);
}

bool WordPressState::readCopies(RunContext& run, std::string_view migration, const OriginKey& key)
{
    if (hasCopies(key))
        return true;
    useUnicode(run.wordPress);
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
    useUnicode(run.wordPress);
    m_postNames = textsInUse(run, postNamesQuery(run));
    return m_postNames || unreadableWordPress(run, migration, "posts", "post_name");
}

bool WordPressState::readTermIds(RunContext& run, std::string_view migration)
{
    if (m_termIds)
        return true;
    m_termIds = usedIds(run, termIdsQuery(run));
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
