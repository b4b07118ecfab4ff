#pragma once

#include "TimeZones.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel {

struct MigrationRun;

// emlog showed its times in its option `timezone` (China's when it has none); WordPress
// shows the stored local times as they are and works out UTC from its own zone.
struct BlogTimeZones
{
    TimeZone emlog;
    std::optional<TimeZone> wordPress; // nothing when its options cannot be read
};
BlogTimeZones readTimeZones(MigrationRun& run);

// The zone local times are written in: emlog's, or WordPress's when the run keeps it.
const TimeZone& localZone(MigrationRun& run);
// "2010-05-07 09:30:05" in that zone.
std::string localDateTime(MigrationRun& run, std::int64_t unixTime);

// Before anything is written: WordPress takes emlog's zone when they differ, unless the run
// keeps WordPress's; the report says which.
void settleTimeZone(MigrationRun& run);

} // namespace kestrel
