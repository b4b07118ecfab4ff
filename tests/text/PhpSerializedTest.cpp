#include "PhpSerialized.h"

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
