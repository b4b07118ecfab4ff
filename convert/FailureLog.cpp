#include "FailureLog.h"

#include <algorithm>

namespace kestrel {

void FailureLog::record(std::string_view migration, std::string_view table, std::string_view sourceId,
                        std::string_view error)
{
    m_entries.push_back({std::string(migration), std::string(table), std::string(sourceId), std::string(error)});
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
    return !m_entries.empty() ||
           std::any_of(m_tallies.begin(), m_tallies.end(), [](const Tally& tally) { return tally.alreadyThere > 0; });
}

std::string FailureLog::summary() const
{
    std::string text;
    auto addLine = [&text](const std::string& line) {
        if (!text.empty())
            text += '\n';
        text += line;
    };
    for (const Tally& tally : m_tallies) {
        if (tally.unreadable)
            addLine(tally.migration + "：无法读取 emlog 表");
        else
            addLine(tally.migration + "：读取 " + std::to_string(tally.read) + " 行，写入 " +
                    std::to_string(tally.written) + " 行，已存在 " + std::to_string(tally.alreadyThere) + " 行，失败 " +
                    std::to_string(tally.failed) + " 行");
    }
    std::vector<std::string> untallied;
    for (const Entry& entry : m_entries) {
        const bool tallied = std::any_of(m_tallies.begin(), m_tallies.end(),
                                         [&](const Tally& tally) { return tally.migration == entry.migration; });
        if (!tallied && std::find(untallied.begin(), untallied.end(), entry.migration) == untallied.end())
            untallied.push_back(entry.migration);
    }
    for (const std::string& migration : untallied) {
        const auto failed = std::count_if(m_entries.begin(), m_entries.end(),
                                          [&](const Entry& entry) { return entry.migration == migration; });
        addLine(migration + "：失败 " + std::to_string(failed) + " 条语句");
    }
    return text;
}

std::string FailureLog::details(std::size_t limit) const
{
    std::string text;
    const std::size_t shown = std::min(limit, m_entries.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const Entry& entry = m_entries[i];
        text += "[" + entry.migration + "] " + entry.table;
        if (!entry.sourceId.empty())
            text += " " + entry.sourceId;
        text += ": " + entry.error + "\n";
    }
    if (m_entries.size() > shown)
        text += "…另有 " + std::to_string(m_entries.size() - shown) + " 条失败记录\n";
    return text;
}

} // namespace kestrel
