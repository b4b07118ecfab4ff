#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct MigrationRun;

// Adds posts to WordPress's sticky posts, keeping those already there.
bool addStickyPosts(MigrationRun& run, const std::vector<std::int64_t>& ids);
// After emptying: no post is sticky any more, and a front page or posts page that
// named a deleted post goes back to WordPress's default, the latest posts.
bool resetOptionsNamingDeletedPosts(MigrationRun& run);

// A PHP-serialized array of ids, as WordPress keeps sticky_posts, and back.
std::vector<std::int64_t> unserializeIds(std::string_view serialized);
std::string serializeIds(const std::vector<std::int64_t>& ids);

} // namespace kestrel
