#pragma once

#include "OriginKeys.h"
#include "Query.h"
#include "Slugs.h"
#include "Transactions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kestrel {

struct RunContext;

// What the run knows of WordPress: each part read once, by the migration that first needs it,
// and kept up to date with what the run writes, on the understanding that nothing else writes
// WordPress meanwhile. A read that fails leaves its part unread: it is never taken for empty.
// Reading writes nothing.
class WordPressState
{
public:
    // Each read asks WordPress when its part is not yet known. False when it could not be read:
    // the failure is then in the run's log under `migration`, naming what was read, and the
    // migration is marked unreadable.
    bool readCopies(RunContext& run, std::string_view migration, const OriginKey& key);
    bool readPostNames(RunContext& run, std::string_view migration);
    bool readTermIds(RunContext& run, std::string_view migration);

    // A part read before: reading it must have succeeded.
    Copies& copies(const OriginKey& key);
    TakenSlugs& postNames();
    std::unordered_set<std::int64_t>& termIds();
    bool hasCopies(const OriginKey& key) const { return m_copies.count(key.key) != 0; }

    // Whether WordPress's tables can undo a row: asked until WordPress answers, then kept.
    Transactions transactions(RunContext& run);
    bool knowsTransactions() const { return m_transactional.has_value(); }

    // Per WordPress table and column list, how many "no default value" warnings a row raises on
    // its own: WordPress's tables have NOT NULL columns without defaults that the server fills
    // in. Only warnings beyond those are asked for.
    std::unordered_map<std::string, unsigned> expectedWarnings;

private:
    std::unordered_map<std::string_view, Copies> m_copies; // by origin key
    std::optional<TakenSlugs> m_postNames;
    std::optional<std::unordered_set<std::int64_t>> m_termIds; // taken by terms, taxonomies or links
    std::optional<bool> m_transactional;
};

// Records that a read of WordPress's state failed, with the session's last error: `table` is the
// WordPress table (bare), `what` names what was read. The migration is marked unreadable, so that
// the report says it did not run. Always false, for the caller to return.
bool unreadableWordPress(RunContext& run, std::string_view migration, std::string_view table, std::string_view what);

// Reads ahead, several to an exchange, what a migration is about to ask WordPress one after another:
// asked for as before, each then takes its rows from there (see Session::startReadAhead()). They go
// without waiting, so that emlog's first reads can be made while they are on their way.
void readAheadOfWordPress(RunContext& run, const std::vector<Query>& queries);

} // namespace kestrel
