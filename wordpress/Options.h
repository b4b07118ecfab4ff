#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

struct RunContext;

// One of WordPress's options. `value` is nothing when the site has no such option; false when it
// could not be read, and then nothing may be written in its place.
bool readWordPressOption(RunContext& run, std::string_view name, std::optional<std::string>& value);
bool setWordPressOption(RunContext& run, std::string_view name, std::string_view value);

// What became of a change to an option that holds more than the run's own values.
enum class OptionChange {
    done,
    unreadable, // the option could not be read: left as it is
    unparsable, // its value is not one the run can add to without losing what it holds: left as it is
    unwritten,  // read, but the new value was refused
};

// WordPress publishes each of these posts (id, Unix time) when its time comes, as its own
// scheduling would: by an event in its option cron.
OptionChange schedulePublishing(RunContext& run, const std::vector<std::pair<std::int64_t, std::int64_t>>& posts);

// Adds posts to WordPress's sticky posts, keeping those already there.
OptionChange addStickyPosts(RunContext& run, const std::vector<std::int64_t>& ids);

// A PHP-serialized array of ids, as WordPress keeps sticky_posts, and back. Nothing when the text
// is not such an array.
std::optional<std::vector<std::int64_t>> unserializeIds(std::string_view serialized);
std::string serializeIds(const std::vector<std::int64_t>& ids);

} // namespace kestrel
