#include "FailureLog.h"

#include <algorithm>

namespace kestrel {

void FailureLog::record(std::string_view migration, std::string_view table, std::string_view sourceId, Why why)
{
    m_entries.push_back({std::string(migration), std::string(table), std::string(sourceId), std::move(why)});
}

void FailureLog::recordIncomplete(std::string_view migration, std::string_view table, std::string_view sourceId,
                                  Why why)
{
    const bool listed = std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& entry) {
        return entry.migration == migration && entry.sourceId == sourceId;
    });
    record(migration, table, sourceId, std::move(why));
    Tally& counted = tally(migration);
    if (!listed && counted.written > counted.incomplete)
        ++counted.incomplete;
}

FailureLog::Tally& FailureLog::tally(std::string_view migration)
{
    for (Tally& tally : m_tallies) {
        if (tally.migration == migration)
            return tally;
    }
    m_tallies.push_back({std::string(migration)});
    return m_tallies.back();
}

bool FailureLog::worthReporting() const
{
    return !m_entries.empty() || !m_notes.empty() ||
           std::any_of(m_tallies.begin(), m_tallies.end(), [](const Tally& tally) { return tally.alreadyThere > 0; });
}

bool FailureLog::tallied(const Entry& entry) const
{
    return std::any_of(m_tallies.begin(), m_tallies.end(),
                       [&](const Tally& tally) { return tally.migration == entry.migration; });
}

std::string FailureLog::details(std::size_t limit, const Label& label, const Word& word) const
{
    std::string text;
    const std::size_t shown = std::min(limit, m_entries.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const Entry& entry = m_entries[i];
        text += "[" + (label ? label(entry.migration) : entry.migration) + "] " + entry.table;
        if (!entry.sourceId.empty())
            text += " " + entry.sourceId;
        text += ": " + (word ? word(entry) : std::string(codeName(entry.why.code)) + " " + entry.why.detail) + "\n";
    }
    return text;
}

} // namespace kestrel
