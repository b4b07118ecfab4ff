#include "Politeness.h"

#include <algorithm>

namespace kestrel {

namespace {

// An answer slower than this counts as this slow: a few such bring the rest to its longest already, and
// one request that stalled until its timeout does not hold back the dozens after it.
constexpr double slowestCountedMs = 3.0 * static_cast<double>(Politeness::longestRest.count());

} // namespace

void Politeness::answered(std::chrono::milliseconds took)
{
    const double ms = std::min(static_cast<double>(took.count()), slowestCountedMs);
    m_smoothedMs = m_any ? 0.7 * m_smoothedMs + 0.3 * ms : ms;
    m_any = true;
}

int Politeness::allowed() const
{
    if (m_smoothedMs < 500)
        return most;
    if (m_smoothedMs < 1000)
        return 3;
    if (m_smoothedMs < 2000)
        return 2;
    return 1;
}

std::chrono::milliseconds Politeness::rest() const
{
    // A site that takes more than a second per page gets half that time to itself between requests.
    if (m_smoothedMs < 1000)
        return std::chrono::milliseconds{0};
    return std::chrono::milliseconds{
        static_cast<long long>(std::min(m_smoothedMs / 2, static_cast<double>(longestRest.count())))};
}

} // namespace kestrel
