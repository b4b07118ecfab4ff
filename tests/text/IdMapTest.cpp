#include "IdMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

using namespace kestrel;

// Ids in any order, ascending as rows read by their key come, or scattered, as a hash or a
// parents-first order gives them: each found again, a first value kept by add, replaced by set.
TEST(IdMap, KeepsEveryIdInAnyOrder)
{
    IdMap map;
    std::map<std::int64_t, std::int64_t> expected;
    for (std::int64_t id = 1; id <= 3000; ++id) {
        EXPECT_TRUE(map.add(id * 2, id));
        expected[id * 2] = id;
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 5000; ++i) {
        const auto id = static_cast<std::int64_t>(random());
        EXPECT_EQ(map.add(id, i), expected.emplace(id, i).second);
    }
    // Between the ascending ones, splitting full blocks.
    for (std::int64_t id = 1; id <= 3000; id += 2) {
        EXPECT_TRUE(map.add(id, -id));
        expected[id] = -id;
    }
    EXPECT_FALSE(map.add(2, 99));
    map.set(4, 44);
    expected[4] = 44;
    map.set(-5, 55);
    expected[-5] = 55;

    EXPECT_EQ(map.size(), expected.size());
    for (const auto& [id, value] : expected)
        EXPECT_EQ(map.find(id), value) << id;
    EXPECT_FALSE(map.contains(0));
    EXPECT_FALSE(map.find(6001 * 2).has_value());
    std::vector<std::int64_t> keys;
    map.forEach([&](std::int64_t key, std::int64_t) { keys.push_back(key); });
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(keys.size(), expected.size());
}
