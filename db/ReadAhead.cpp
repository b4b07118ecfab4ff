#include "ReadAhead.h"

#include <algorithm>

namespace kestrel {

void ReadAhead::arrived(ExchangeOutcome outcome)
{
    const std::vector<Query> queries = std::move(m_onTheirWay);
    m_onTheirWay.clear();
    for (std::size_t i = 0; i < outcome.done && i < queries.size() && i < outcome.rows.size(); ++i) {
        if (!outcome.rows[i])
            break;
        m_kept.emplace_back(queries[i], std::move(outcome.rows[i]));
    }
}

std::optional<ResultSet> ReadAhead::take(const Query& query)
{
    const auto found =
        std::find_if(m_kept.begin(), m_kept.end(), [&query](const auto& kept) { return kept.first == query; });
    if (found == m_kept.end())
        return std::nullopt;
    ResultSet rows = std::move(found->second);
    m_kept.erase(found);
    return rows;
}

void ReadAhead::drop()
{
    m_onTheirWay.clear();
    m_kept.clear();
}

} // namespace kestrel
