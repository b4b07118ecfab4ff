#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

// Ids by id (an emlog id and where its row went, say), 16 bytes each: in sorted blocks of a fixed
// size, never one allocation the size of the whole, so that holding one for each of 400,000 rows
// costs about 6 MiB and growing it never copies the whole. Ids added in ascending order, as
// rows read by their key come, fill each block.
class IdMap
{
public:
    bool empty() const { return m_size == 0; }
    std::size_t size() const { return m_size; }
    bool contains(std::int64_t key) const { return entry(key) != nullptr; }
    std::optional<std::int64_t> find(std::int64_t key) const;
    // The first value of a key stands: a second is not added. False when one was there.
    bool add(std::int64_t key, std::int64_t value);
    // The key's value from now on, whatever it was.
    void set(std::int64_t key, std::int64_t value);
    // Each entry, in the order of the keys: each(key, value).
    template <typename Each> void forEach(Each each) const
    {
        for (const std::vector<Entry>& block : m_blocks) {
            for (const Entry& entry : block)
                each(entry.key, entry.value);
        }
    }

private:
    struct Entry
    {
        std::int64_t key;
        std::int64_t value;
    };
    static constexpr std::size_t blockEntries = 512;
    const Entry* entry(std::int64_t key) const;
    // The key's entry, added with `value` when it was not there (`added`).
    Entry& place(std::int64_t key, std::int64_t value, bool& added);

    std::vector<std::vector<Entry>> m_blocks; // each sorted, each after the one before
    std::size_t m_size = 0;
};

namespace idmap {

template <typename Blocks> auto blockFor(Blocks& blocks, std::int64_t key)
{
    // The last block that starts at or before the key; the first when none does.
    auto block = std::upper_bound(blocks.begin(), blocks.end(), key,
                                  [](std::int64_t value, const auto& b) { return value < b.front().key; });
    return block == blocks.begin() ? block : block - 1;
}

template <typename Block> auto entryFor(Block& block, std::int64_t key)
{
    return std::lower_bound(block.begin(), block.end(), key,
                            [](const auto& entry, std::int64_t value) { return entry.key < value; });
}

} // namespace idmap

inline const IdMap::Entry* IdMap::entry(std::int64_t key) const
{
    if (m_blocks.empty())
        return nullptr;
    const auto block = idmap::blockFor(m_blocks, key);
    const auto found = idmap::entryFor(*block, key);
    return found != block->end() && found->key == key ? &*found : nullptr;
}

inline std::optional<std::int64_t> IdMap::find(std::int64_t key) const
{
    const Entry* found = entry(key);
    return found ? std::optional<std::int64_t>(found->value) : std::nullopt;
}

inline IdMap::Entry& IdMap::place(std::int64_t key, std::int64_t value, bool& added)
{
    added = true;
    // Past the last key, as rows read by their key come: the last block fills, then the next begins.
    if (m_blocks.empty() || key > m_blocks.back().back().key) {
        // The first block grows as its entries come (most maps hold a few); the next take a whole block.
        if (m_blocks.empty())
            m_blocks.emplace_back();
        else if (m_blocks.back().size() >= blockEntries)
            m_blocks.emplace_back().reserve(blockEntries);
        ++m_size;
        return m_blocks.back().emplace_back(Entry{key, value});
    }
    auto block = idmap::blockFor(m_blocks, key);
    const auto at = idmap::entryFor(*block, key);
    if (at != block->end() && at->key == key) {
        added = false;
        return *at;
    }
    ++m_size;
    if (block->size() < blockEntries)
        return *block->insert(at, Entry{key, value});
    // A full block splits into two halves, and the entry goes into the one it belongs in.
    constexpr std::size_t half = blockEntries / 2;
    const std::size_t index = static_cast<std::size_t>(at - block->begin());
    std::vector<Entry> upper;
    upper.reserve(blockEntries);
    upper.assign(block->begin() + half, block->end());
    block->resize(half);
    block = m_blocks.insert(block + 1, std::move(upper)) - 1;
    std::vector<Entry>& into = index <= half ? *block : *(block + 1);
    const std::size_t within = index <= half ? index : index - half;
    return *into.insert(into.begin() + static_cast<std::ptrdiff_t>(within), Entry{key, value});
}

inline bool IdMap::add(std::int64_t key, std::int64_t value)
{
    bool added = false;
    place(key, value, added);
    return added;
}

inline void IdMap::set(std::int64_t key, std::int64_t value)
{
    bool added = false;
    place(key, value, added).value = value;
}

} // namespace kestrel
