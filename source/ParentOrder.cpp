#include "ParentOrder.h"

#include <algorithm>
#include <unordered_map>

namespace kestrel {

std::vector<std::size_t> parentsFirstOrder(const std::vector<IdAndParent>& rows)
{
    // Rows read in the order of their ids (as from a server, by key) are found by a binary search,
    // without a map of every id: a blog of hundreds of thousands of comments orders them in little
    // more memory than their pairs take.
    const bool sorted = std::is_sorted(rows.begin(), rows.end(),
                                       [](const IdAndParent& a, const IdAndParent& b) { return a.id < b.id; });
    std::unordered_map<std::int64_t, std::size_t> byId;
    if (!sorted) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            byId.emplace(rows[i].id, i);
    }
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    auto find = [&](std::int64_t id) {
        if (!sorted) {
            const auto found = byId.find(id);
            return found == byId.end() ? none : found->second;
        }
        const auto found = std::lower_bound(rows.begin(), rows.end(), id,
                                            [](const IdAndParent& row, std::int64_t value) { return row.id < value; });
        return found == rows.end() || found->id != id ? none : static_cast<std::size_t>(found - rows.begin());
    };
    std::vector<std::size_t> order;
    order.reserve(rows.size());
    std::vector<char> placed(rows.size(), 0);
    std::vector<std::size_t> chain;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Walk up to the first ancestor not yet placed, then place the chain from the top down.
        chain.clear();
        for (std::size_t at = i; !placed[at];) {
            placed[at] = 1; // also ends a loop of parents
            chain.push_back(at);
            const std::size_t parent = rows[at].parent == 0 ? none : find(rows[at].parent);
            if (parent == none)
                break;
            at = parent;
        }
        for (auto at = chain.rbegin(); at != chain.rend(); ++at)
            order.push_back(*at);
    }
    return order;
}

void PackedIds::push_back(std::int64_t id)
{
    // The difference, signed, in zigzag form (small of either sign, small), seven bits a byte.
    const std::uint64_t difference = static_cast<std::uint64_t>(id) - m_last;
    std::uint64_t zigzag = (difference << 1) ^ (static_cast<std::uint64_t>(0) - (difference >> 63));
    while (zigzag >= 0x80) {
        m_bytes.push_back(static_cast<std::uint8_t>(zigzag | 0x80));
        zigzag >>= 7;
    }
    m_bytes.push_back(static_cast<std::uint8_t>(zigzag));
    m_last = static_cast<std::uint64_t>(id);
    ++m_count;
}

std::int64_t PackedIds::Reader::next()
{
    std::uint64_t zigzag = 0;
    for (int shift = 0; m_at < m_ids.m_bytes.size(); shift += 7) {
        const std::uint8_t byte = m_ids.m_bytes[m_at++];
        zigzag |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            break;
    }
    const std::uint64_t difference = (zigzag >> 1) ^ (static_cast<std::uint64_t>(0) - (zigzag & 1));
    m_last += difference;
    return static_cast<std::int64_t>(m_last);
}

} // namespace kestrel
