#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

struct MigrationRun;

// One of WordPress's options; nothing when it is not there or cannot be read.
std::optional<std::string> wordPressOption(MigrationRun& run, std::string_view name);
bool setWordPressOption(MigrationRun& run, std::string_view name, std::string_view value);

// WordPress publishes each of these posts (id, Unix time) when its time comes, as its own
// scheduling would: by an event in its option cron.
bool schedulePublishing(MigrationRun& run, const std::vector<std::pair<std::int64_t, std::int64_t>>& posts);

// Adds posts to WordPress's sticky posts, keeping those already there.
bool addStickyPosts(MigrationRun& run, const std::vector<std::int64_t>& ids);
// After emptying: no post is sticky any more, and a front page or posts page that
// named a deleted post goes back to WordPress's default, the latest posts.
bool resetOptionsNamingDeletedPosts(MigrationRun& run);

// A PHP-serialized array of ids, as WordPress keeps sticky_posts, and back.
std::vector<std::int64_t> unserializeIds(std::string_view serialized);
std::string serializeIds(const std::vector<std::int64_t>& ids);

// emlog's own address, its option blogurl, without a closing "/"; empty when it has none.
std::string emlogBlogUrl(MigrationRun& run);

} // namespace kestrel
