#include "MigrationRun.h"
#include "FailureLog.h"

#include <gtest/gtest.h>

using namespace kestrel;

TEST(PercentDone, TruncatesTheDoubleQuotient)
{
    EXPECT_EQ(percentDone(29, 100), 28); // 0.29 * 100.0 is 28.999999999999996
    EXPECT_EQ(percentDone(57, 100), 56);
    EXPECT_EQ(percentDone(58, 100), 57);
    EXPECT_EQ(percentDone(1, 3), 33);
    EXPECT_EQ(percentDone(2, 3), 66);
    EXPECT_EQ(percentDone(3, 3), 100);
    EXPECT_EQ(percentDone(1, 2), 50);
    for (std::int64_t n : {1, 7, 100, 999, 50000})
        EXPECT_EQ(percentDone(n, n), 100) << n;
}

TEST(FailureLog, SummarisesPerMigrationAndListsEntries)
{
    FailureLog log;
    auto& posts = log.tally("文章");
    posts.read = 4;
    posts.written = 2;
    posts.alreadyThere = 1;
    posts.failed = 1;
    log.record("文章", "wp_posts", "gid=2", "1062 Duplicate entry '2' for key 'PRIMARY'");
    log.tally("评论").unreadable = true;
    log.record("评论", "emlog_comment", "", "1146 Table 'x.emlog_comment' doesn't exist");
    log.record("清空", "wp_links", "", "1146 Table 'x.wp_links' doesn't exist");

    EXPECT_EQ(log.summary(),
              "文章：读取 4 行，写入 2 行，已存在 1 行，失败 1 行\n评论：无法读取 emlog 表\n清空：失败 1 条语句");
    EXPECT_EQ(log.details(2), "[文章] wp_posts gid=2: 1062 Duplicate entry '2' for key 'PRIMARY'\n"
                              "[评论] emlog_comment: 1146 Table 'x.emlog_comment' doesn't exist\n"
                              "…另有 1 条失败记录\n");
}
