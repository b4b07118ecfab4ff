#include "ParentOrder.h"

#include <unordered_map>

namespace kestrel {

std::vector<std::size_t> parentsFirstOrder(const std::vector<IdAndParent>& rows)
{
    std::unordered_map<std::int64_t, std::size_t> byId;
    for (std::size_t i = 0; i < rows.size(); ++i)
        byId.emplace(rows[i].id, i);
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
            const auto parent = byId.find(rows[at].parent);
            if (rows[at].parent == 0 || parent == byId.end())
                break;
            at = parent->second;
        }
        for (auto at = chain.rbegin(); at != chain.rend(); ++at)
            order.push_back(*at);
    }
    return order;
}

} // namespace kestrel
