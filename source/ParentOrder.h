#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel {

struct IdAndParent
{
    std::int64_t id = 0;
    std::int64_t parent = 0; // 0: none
};

// The rows' indexes in an order where each comes after the row it names as its parent,
// when that row is in the table; otherwise (and within a family) the table's order.
std::vector<std::size_t> parentsFirstOrder(const std::vector<IdAndParent>& rows);

} // namespace kestrel
