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

// Ids in the order they were added, each kept as its difference from the one before in as few
// bytes as it needs: the ids of a table in about the order of its key take a byte or two each,
// not eight, so that the order of 400,000 comments is under a MiB while they are read.
class PackedIds
{
public:
    void push_back(std::int64_t id);
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

    // Reads them back from the first, one after the other.
    class Reader
    {
    public:
        explicit Reader(const PackedIds& ids) : m_ids(ids) {}
        // The next id; only while fewer than size() were read.
        std::int64_t next();

    private:
        const PackedIds& m_ids;
        std::size_t m_at = 0;
        std::uint64_t m_last = 0;
    };

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_last = 0;
    std::size_t m_count = 0;
};

} // namespace kestrel
