#include "TimeZones.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {

std::string local(const TimeZone& zone, std::int64_t unixTime)
{
    return formatDateTime(zone.localTime(unixTime));
}

} // namespace

// Local times as emlog showed them in its zone, summer time included.
TEST(TimeZone, LocalTimesFollowTheZonesSummerTime)
{
    struct Case
    {
        const char* zone;
        std::int64_t unixTime;
        const char* local;
    };
    const Case cases[] = {
        {"Asia/Shanghai", 1273195805, "2010-05-07 09:30:05"},
        {"Europe/Berlin", 1278000000, "2010-07-01 18:00:00"}, // summer: +2
        {"Europe/Berlin", 1262304000, "2010-01-01 01:00:00"}, // winter: +1
        {"Europe/Berlin", 1269738000, "2010-03-28 03:00:00"}, // the hour the clocks went forward
        {"Europe/Berlin", 1269737999, "2010-03-28 01:59:59"},
        {"America/New_York", 1278000000, "2010-07-01 12:00:00"}, // -4
        {"America/New_York", 1262304000, "2009-12-31 19:00:00"}, // -5
        {"Asia/Kolkata", 0, "1970-01-01 05:30:00"},
    };
    for (const Case& c : cases) {
        const auto zone = TimeZone::named(c.zone);
        ASSERT_TRUE(zone) << c.zone;
        EXPECT_EQ(local(*zone, c.unixTime), c.local) << c.zone << " " << c.unixTime;
    }
}

// emlog pro keeps a zone's name; older emlog and WordPress's gmt_offset keep hours.
TEST(TimeZone, ReadFromOptions)
{
    struct Case
    {
        const char* option;
        bool valid;
        const char* described;
        const char* hours;
    };
    const Case cases[] = {
        {"Europe/Berlin", true, "Europe/Berlin", "0"},
        {"8", true, "UTC+8", "8"},
        {"-4.5", true, "UTC-4:30", "-4.5"},
        {"+5.75", true, "UTC+5:45", "5.75"},
        {"-0.5", true, "UTC-0:30", "-0.5"},
        {"0", true, "UTC+0", "0"},
        {"Mars/Olympus", false, "", ""},
        {"", false, "", ""},
        {"8 hours", false, "", ""},
        {"99", false, "", ""},
    };
    for (const Case& c : cases) {
        const auto zone = TimeZone::fromOption(c.option);
        ASSERT_EQ(zone.has_value(), c.valid) << c.option;
        if (zone) {
            EXPECT_EQ(zone->describe(), c.described) << c.option;
            EXPECT_EQ(zone->hours(), c.hours) << c.option;
        }
    }
    EXPECT_EQ(local(*TimeZone::fromOption("8"), 0), "1970-01-01 08:00:00");
    EXPECT_EQ(*TimeZone::fromOption("8"), TimeZone::fixed(8 * 3600));
    EXPECT_FALSE(*TimeZone::fromOption("8") == *TimeZone::named("Asia/Shanghai")); // same now, not in 1990
    EXPECT_TRUE(TimeZone::named(emlogDefaultZone));
}

TEST(TimeZone, TheEndsOfTheRangeStayInIt)
{
    const auto zone = TimeZone::named("America/New_York");
    for (const std::int64_t seconds :
         {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()}) {
        const DateTime time = zone->localTime(seconds);
        EXPECT_GE(time.month, 1);
        EXPECT_LE(time.month, 12);
    }
}

// PHP writes the IANA database's current names; Qt on Windows knows some zones only by the names
// CLDR kept. Either way the zone is found, and keeps the name the blog gave it.
TEST(TimeZone, RenamedZonesAreFoundByTheirNewNames)
{
    struct Case
    {
        const char* zone;
        std::int64_t unixTime;
        const char* local;
    };
    const Case cases[] = {
        {"Asia/Kolkata", 0, "1970-01-01 05:30:00"},
        {"Asia/Kathmandu", 631152000, "1990-01-01 05:45:00"},
        {"Asia/Ho_Chi_Minh", 631152000, "1990-01-01 07:00:00"},
    };
    for (const Case& c : cases) {
        const auto zone = TimeZone::named(c.zone);
        ASSERT_TRUE(zone) << c.zone;
        EXPECT_EQ(zone->name(), c.zone);
        EXPECT_EQ(local(*zone, c.unixTime), c.local) << c.zone;
    }
}
