#pragma once

#include "Exchange.h"
#include "Query.h"
#include "ResultSet.h"

#include <optional>
#include <utility>
#include <vector>

namespace kestrel {

// Reads made ahead, several to an exchange, each kept with its rows until the read that follows asks the
// same (see Session::readAhead()). Known by their query, never by the text they were sent as.
class ReadAhead
{
public:
    // These reads went, their rows on their way.
    void sent(std::vector<Query> queries) { m_onTheirWay = std::move(queries); }
    bool onItsWay() const noexcept { return !m_onTheirWay.empty(); }
    // The rows of the reads on their way came: each kept, up to the first that failed (the server stops
    // there), so that a failed read is never taken for an empty one. Sent again alone, each says for itself.
    void arrived(ExchangeOutcome outcome);
    // The rows of a read that is the one given, taken once; nothing when none are kept for it.
    std::optional<ResultSet> take(const Query& query);
    // Forgets every read, kept or on its way (its session reads what is on its way first).
    void drop();
    std::size_t kept() const noexcept { return m_kept.size(); }

private:
    std::vector<Query> m_onTheirWay;
    std::vector<std::pair<Query, ResultSet>> m_kept;
};

} // namespace kestrel
