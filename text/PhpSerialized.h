#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// WordPress keeps its scheduled events in the option `cron`: a PHP-serialized array of
// timestamps, each holding hooks, each holding events by the md5 of their serialized arguments.
struct CronEvent
{
    std::int64_t timestamp = 0; // Unix time, UTC
    std::int64_t postId = 0;    // the one argument of publish_future_post
};

// The option with WordPress's publish_future_post event for each post added, as
// wp_schedule_single_event adds it: in time order among the events already there, none twice.
// An empty `cron` is started afresh; one that is not a serialized array (or one past the bounds
// below) gives nothing, for it holds the site's other events, which only WordPress can tell apart.
std::optional<std::string> addPublishingEvents(std::string_view cron, const std::vector<CronEvent>& events);

// A string as PHP serializes it: s:N:"text";
std::string serializedString(std::string_view value);
// The unsigned number at `position`, which then stands after it; nothing when there is none.
std::optional<std::size_t> serializedNumber(std::string_view text, std::size_t& position);

// Why a serialized value was not read.
enum class SerializedProblem {
    None,
    Malformed,
    TooDeep,      // nested deeper than deepestSerialized
    TooManyValues // an array of more entries, or a value of more values, than mostSerializedValues
};
// Bounds on what is read, far past what emlog or WordPress keep (a dozen levels, a few thousand
// values): each level is a frame of the stack, and each value some hundred bytes of memory.
constexpr std::size_t deepestSerialized = 256;
constexpr std::size_t mostSerializedValues = 100000;

// The end of the serialized value that starts at `position`, `depth` levels down in another, or
// nothing when it is malformed or nested too deep (`problem` then says which).
std::optional<std::size_t> serializedValueEnd(std::string_view text, std::size_t position,
                                              SerializedProblem* problem = nullptr, std::size_t depth = 0);

} // namespace kestrel
