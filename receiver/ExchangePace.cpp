#include "ExchangePace.h"

#include <algorithm>

namespace kestrel {

void ExchangePace::setLimit(int siteSeconds, std::uint64_t room)
{
    const int seconds = siteSeconds > 0 ? std::min(siteSeconds, 60) : 60;
    m_budget = std::chrono::milliseconds(seconds * 1000 / 3);
    m_room = room;
    const std::uint64_t first = std::max(smallestBytes, slowestBytesPerSecond * m_budget.count() / 1000);
    m_bytes = room == 0 ? first : std::min(first, room);
}

void ExchangePace::took(std::uint64_t sent, Clock::duration took)
{
    // A few rows tell more of the site's start than of its speed.
    if (sent < smallestBytes || m_budget.count() == 0)
        return;
    const double seconds = std::max(std::chrono::duration<double>(took).count(), 0.001);
    const double inTime = static_cast<double>(sent) / seconds * std::chrono::duration<double>(m_budget).count();
    std::uint64_t next = std::min(static_cast<std::uint64_t>(inTime), 2 * m_bytes);
    if (m_room != 0)
        next = std::min(next, m_room);
    m_bytes = std::max(next, smallestBytes);
}

} // namespace kestrel
