#pragma once

#include <chrono>
#include <cstdint>

namespace kestrel {

// What the site is asked to do in one request, against the time PHP gives it there: a third of it,
// and of a minute, which the servers and proxies in front of PHP seldom give less. Requests start
// at what a slow site ends in that time and grow while they end quickly, so that a slow site never
// gets one it cannot finish.
class ExchangePace
{
public:
    using Clock = std::chrono::steady_clock;

    // `room`: the most a request may carry whatever the time (0 when unknown).
    void setLimit(int siteSeconds, std::uint64_t room);
    std::uint64_t bytes() const noexcept { return m_bytes; }

    // A request of `sent` bytes took `took` to be answered: the next are sized by its speed.
    void took(std::uint64_t sent, Clock::duration took);

private:
    // What a second of the slowest site tried takes (a shared host's database taking 20 µs a byte).
    static constexpr std::uint64_t slowestBytesPerSecond = 48 * 1024;
    static constexpr std::uint64_t smallestBytes = 8 * 1024;
    std::chrono::milliseconds m_budget{0};
    std::uint64_t m_room = 0;
    std::uint64_t m_bytes = smallestBytes;
};

} // namespace kestrel
