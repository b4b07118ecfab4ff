#include "PhpSerialized.h"
#include "PhpValue.h"

#include <gtest/gtest.h>

using namespace kestrel;

// What WordPress's own wp_schedule_single_event leaves in the option cron (made with PHP's
// serialize after the same calls): WordPress runs the events in the order the option holds them.
TEST(CronOption, PublishingEventsAsWordPressSchedulesThem)
{
    const std::string versionCheck =
        "i:100;a:1:{s:16:\"wp_version_check\";a:1:{s:32:\"40cd750bba9870f18aada2478b24840a\";"
        "a:3:{s:8:\"schedule\";s:10:\"twicedaily\";s:4:\"args\";a:0:{}s:8:\"interval\";i:"
        "43200;}}}";
    const std::string publish5 = "s:32:\"c9059feef497c200e69cb9956a81f005\";a:2:{s:8:\"schedule\";b:0;s:4:\"args\";a:"
                                 "1:{i:0;i:5;}}";
    const std::string publish7 = "s:32:\"d63aca0b7e6237c7964320bd7fc95644\";a:2:{s:8:\"schedule\";b:0;s:4:\"args\";a:"
                                 "1:{i:0;i:7;}}";
    const std::string other = "s:5:\"other\";a:1:{s:1:\"x\";a:2:{s:8:\"schedule\";b:0;s:4:\"args\";a:0:{}}}";
    struct Case
    {
        std::string before;
        std::vector<CronEvent> events;
        std::string after;
    };
    const Case cases[] = {
        {"", {{200, 5}}, "a:2:{i:200;a:1:{s:19:\"publish_future_post\";a:1:{" + publish5 + "}}s:7:\"version\";i:2;}"},
        // Between the events already there, into a time that has another hook, never twice.
        {"a:3:{" + versionCheck + "i:300;a:1:{" + other + "}s:7:\"version\";i:2;}",
         {{300, 7}, {200, 5}, {300, 7}, {300, 5}},
         "a:4:{" + versionCheck + "i:200;a:1:{s:19:\"publish_future_post\";a:1:{" + publish5 + "}}i:300;a:2:{" + other +
             "s:19:\"publish_future_post\";a:2:{" + publish7 + publish5 + "}}s:7:\"version\";i:2;}"},
        {"a:1:{s:7:\"version\";i:2;}", {}, "a:1:{s:7:\"version\";i:2;}"},
        // Articles sharing a time new to the cron: one entry for the time, each article once.
        {"",
         {{200, 5}, {200, 7}, {200, 5}},
         "a:2:{i:200;a:1:{s:19:\"publish_future_post\";a:2:{" + publish5 + publish7 + "}}s:7:\"version\";i:2;}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(addPublishingEvents(c.before, c.events), c.after) << c.before;
    // A value that is not WordPress's serialization holds events only WordPress can tell apart:
    // nothing is made of it, so that it is never written over.
    for (const char* cron : {"not serialized", "a:1:{s:7:\"version\";i:2;", "a:1:{s:7:\"version\";i:2;}x"})
        EXPECT_EQ(addPublishingEvents(cron, {{200, 5}}), std::nullopt) << cron;
}

TEST(CronOption, MalformedValuesAreNotRead)
{
    for (const char* text :
         {"s:5:\"abc\";", "a:2:{i:1;i:2;}", "a:1:{i:1;", "i:12", "x:1;", "O:3:\"Foo\":1:{s:1:\"a\";N;"})
        EXPECT_FALSE(serializedValueEnd(text, 0)) << text;
    EXPECT_EQ(serializedValueEnd("O:3:\"Foo\":1:{s:1:\"a\";N;}tail", 0), std::optional<std::size_t>(24));
}

// Past the bounds a value is refused, and says why, in little time and stack: nested too deep, or too
// many values; lengths and counts larger than the text fail at its end, however large.
TEST(PhpValue, ValuesPastTheBoundsAreRefused)
{
    const auto nested = [](std::size_t depth) {
        std::string text;
        for (std::size_t i = 0; i < depth; ++i)
            text += "a:1:{i:0;";
        return text + "i:1;" + std::string(depth, '}');
    };
    std::string many = "a:100000:{";
    for (int i = 0; i < 100000; ++i)
        many += "i:" + std::to_string(i) + ";N;";
    many += "}";
    struct Case
    {
        std::string text;
        SerializedProblem problem;
    };
    const Case cases[] = {
        {nested(deepestSerialized), SerializedProblem::None},
        {nested(deepestSerialized + 1), SerializedProblem::TooDeep},
        {nested(100000), SerializedProblem::TooDeep},
        {"O:8:\"stdClass\":1:{s:1:\"a\";" + nested(100000) + "}", SerializedProblem::TooDeep},
        {many, SerializedProblem::TooManyValues},
        {"s:18446744073709551615:\"a\";", SerializedProblem::Malformed},
        {"s:18446744073709551590:\"a\";", SerializedProblem::Malformed}, // its end one past the largest size_t
        {"O:100:\"a\":0:{}", SerializedProblem::Malformed},
        {"a:9223372036854775808:{}", SerializedProblem::Malformed}, // twice as many values wraps to none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        SerializedProblem problem = SerializedProblem::Malformed;
        EXPECT_EQ(PhpValue::parse(c.text, &problem).has_value(), c.problem == SerializedProblem::None);
        EXPECT_EQ(problem, c.problem);
        const bool ends = serializedValueEnd(c.text, 0, &problem).has_value();
        // Where a value ends needs no memory for its values: only depth and malformation stop it.
        EXPECT_EQ(ends, c.problem == SerializedProblem::None || c.problem == SerializedProblem::TooManyValues);
        // Braced: Google Test's macros end in an else of their own.
        if (c.problem != SerializedProblem::TooManyValues) {
            EXPECT_EQ(problem, c.problem);
        }
        if (c.problem != SerializedProblem::None && c.problem != SerializedProblem::TooManyValues) {
            EXPECT_FALSE(addPublishingEvents(c.text, {{200, 5}}));
        }
    }
}

// Theme settings, sidebars and widgets read and written back: what is not touched keeps its bytes
// (doubles, booleans, objects, nested arrays), and a change is what PHP's serialize would write.
TEST(PhpValue, OptionsComeBackAsTheyWereWithTheRunsChange)
{
    struct Case
    {
        std::string before;
        std::string location; // set to menu 12 under nav_menu_locations; empty: no change
        std::string after;
    };
    const std::string mods = "s:18:\"custom_css_post_id\";i:-1;s:4:\"zoom\";d:0.5;s:4:\"flag\";b:1;"
                             "s:3:\"obj\";O:8:\"stdClass\":1:{s:1:\"a\";N;}";
    const Case cases[] = {
        {"a:4:{" + mods + "}", "", "a:4:{" + mods + "}"},
        {"a:4:{" + mods + "}", "primary", "a:5:{" + mods + "s:18:\"nav_menu_locations\";a:1:{s:7:\"primary\";i:12;}}"},
        // An existing location keeps its place; 中文 keys count bytes.
        {"a:1:{s:18:\"nav_menu_locations\";a:2:{s:6:\"footer\";i:3;s:7:\"primary\";i:0;}}", "primary",
         "a:1:{s:18:\"nav_menu_locations\";a:2:{s:6:\"footer\";i:3;s:7:\"primary\";i:12;}}"},
        {"a:1:{s:6:\"名字\";s:3:\"a;b\";}", "", "a:1:{s:6:\"名字\";s:3:\"a;b\";}"},
    };
    for (const Case& c : cases) {
        std::optional<PhpValue> value = PhpValue::parse(c.before);
        ASSERT_TRUE(value) << c.before;
        if (!c.location.empty())
            value->at("nav_menu_locations").at(c.location) = PhpValue::integer(12);
        EXPECT_EQ(value->serialized(), c.after) << c.before;
    }
    for (const char* malformed : {"", "a:2:{i:0;i:1;}", "a:1:{i:0;s:5:\"ab\";}", "a:1:{a:0:{}i:1;}", "i:1;x"})
        EXPECT_FALSE(PhpValue::parse(malformed)) << malformed;

    // Appending as $a[] = ... does: after the largest integer key, whatever the string keys.
    PhpValue sidebar = *PhpValue::parse("a:3:{i:0;s:7:\"block-2\";i:4;s:7:\"block-3\";s:1:\"x\";i:1;}");
    sidebar.append(PhpValue::string("block-9"));
    EXPECT_EQ(sidebar.serialized(), "a:4:{i:0;s:7:\"block-2\";i:4;s:7:\"block-3\";s:1:\"x\";i:1;i:5;s:7:\"block-9\";}");
    EXPECT_EQ(sidebar.find("4")->text(), "block-3");
    EXPECT_EQ(sidebar.find("x")->asInteger(), 1);
}
