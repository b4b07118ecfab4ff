#include "DateTime.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {

DateTime at(std::int64_t year, int month, int day, int hour, int minute, int second)
{
    return {year, month, day, hour, minute, second};
}

} // namespace

TEST(FormatDateTime, WhatMySqlTakes)
{
    EXPECT_EQ(formatDateTime(at(2010, 5, 7, 9, 30, 5)), "2010-05-07 09:30:05");
    EXPECT_EQ(formatDateTime(at(2010, 5, 7, 0, 0, 0)), "2010-05-07 00:00:00");
    EXPECT_EQ(formatDateTime(at(2010, 12, 31, 23, 59, 59)), "2010-12-31 23:59:59");
}

TEST(FormatDateTime, TheYearIsNeverPadded)
{
    EXPECT_EQ(formatDateTime(at(999, 1, 2, 3, 4, 5)), "999-01-02 03:04:05");
    EXPECT_EQ(formatDateTime(at(5, 1, 1, 0, 0, 0)), "5-01-01 00:00:00");
}

TEST(UnixTime, UtcOfTheSameInstant)
{
    EXPECT_EQ(formatDateTime(unixTimeToUtc(0)), "1970-01-01 00:00:00");
    EXPECT_EQ(formatDateTime(unixTimeToUtc(-1)), "1969-12-31 23:59:59");
    EXPECT_EQ(formatDateTime(unixTimeToUtc(1273195805)), "2010-05-07 01:30:05");
    EXPECT_EQ(formatDateTime(unixTimeToUtc(951782400)), "2000-02-29 00:00:00"); // leap day
}

TEST(UnixTime, DatesPast2038DoNotWrap)
{
    EXPECT_EQ(formatDateTime(unixTimeToUtc(2147483648)), "2038-01-19 03:14:08");
    EXPECT_EQ(formatDateTime(unixTimeToUtc(253402300799)), "9999-12-31 23:59:59");
    EXPECT_EQ(formatDateTime(unixTimeToUtc(4102444800)), "2100-01-01 00:00:00");
}

TEST(UnixTime, ExtremeValuesStayInRange)
{
    for (const std::int64_t seconds : {std::numeric_limits<std::int64_t>::min(),
                                       std::numeric_limits<std::int64_t>::max(), std::int64_t{-62135596800}}) {
        for (const DateTime& time : {unixTimeToUtc(seconds)}) {
            EXPECT_GE(time.month, 1);
            EXPECT_LE(time.month, 12);
            EXPECT_GE(time.day, 1);
            EXPECT_LE(time.day, 31);
            EXPECT_LT(time.hour, 24);
            EXPECT_LT(time.minute, 60);
            EXPECT_LT(time.second, 60);
        }
    }
    EXPECT_EQ(formatDateTime(unixTimeToUtc(-62135596800)), "1-01-01 00:00:00");
}
