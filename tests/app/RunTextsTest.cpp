// The texts the window and the terminal make of what a run tells: each kind's label and status
// lines, the completion summary and the failed rows.
#include "RunTexts.h"

#include <gtest/gtest.h>

using namespace kestrel;

TEST(RunTexts, EachKindHasItsLabelAndStatusLines)
{
    struct Expected
    {
        Kind kind;
        const char* label;
        const char* opening;
        const char* running; // at 2 of 3 rows
    };
    const Expected expected[] = {
        {Kind::users, "用户", "初始化转换用户...", "正在转换用户.66%"},
        {Kind::categories, "分类", "初始化转换分类...", "正在转换分类.66%"},
        {Kind::tags, "标签", "初始化转换标签...", "正在转换标签.66%"},
        {Kind::posts, "文章", "初始化转换博客文章...", "正在转换博客文章.66%"},
        {Kind::comments, "评论", "初始化转换博客评论...", "正在转换评论.66%"},
        {Kind::attachments, "附件", "初始化转换博客附件...", "正在转换附件.66%"},
        {Kind::links, "友情链接", "初始化转换友情链接...", "正在转换友情链接.66%"},
        {Kind::twitter, "微语", "初始化转换微语...", "正在转换微语.66%"},
        {Kind::replies, "微语回复", "初始化转换微语回复...", "正在转换微语回复.66%"},
        {Kind::navigation, "导航", "初始化转换导航...", "正在转换导航.66%"},
        {Kind::widgets, "侧边栏", "初始化转换侧边栏...", "正在转换侧边栏.66%"},
        {Kind::faces, "头像与站标", "初始化转换头像与站标...", "正在转换头像与站标.66%"},
    };
    ASSERT_EQ(std::size(expected), std::size(kinds));
    for (const Expected& kind : expected) {
        EXPECT_EQ(texts::label(idOf(kind.kind)).toStdString(), kind.label);
        EXPECT_EQ(texts::status({RunEvent::What::Reading, kind.kind}).toStdString(), kind.opening);
        EXPECT_EQ(texts::status({RunEvent::What::Row, kind.kind, 2, 3}).toStdString(), kind.running);
    }
    EXPECT_EQ(texts::status({RunEvent::What::Reconnecting, {}, 0, 0, true, 2}).toStdString(),
              "正在重新连接WordPress博客数据库...(第2次)");
    EXPECT_EQ(texts::status({RunEvent::What::Reconnecting, {}, 0, 0, false, 1}).toStdString(),
              "正在重新连接emlog博客数据库...(第1次)");
    EXPECT_EQ(texts::status({RunEvent::What::ReadingBackup}).toStdString(), "正在读取emlog备份文件...");
    EXPECT_EQ(texts::status({RunEvent::What::ReadingBackup, {}, 3 << 20, 4 << 20}).toStdString(),
              "正在读取emlog备份文件.75%");
}

TEST(RunTexts, SummaryAndDetailsNameKindsByTheirLabels)
{
    FailureLog log;
    auto& posts = log.tally("posts");
    posts.read = 4;
    posts.written = 2;
    posts.alreadyThere = 1;
    posts.failed = 1;
    log.record("posts", "wp_posts", "gid=2", "1062 Duplicate entry '2' for key 'PRIMARY'");
    log.tally("comments").unreadable = true;
    log.record("comments", "emlog_comment", "", "1146 Table 'x.emlog_comment' doesn't exist");
    log.record(step::emptying, "wp_links", "", "1146 Table 'x.wp_links' doesn't exist");

    EXPECT_EQ(texts::summary(log).toStdString(),
              "文章：读取 4 行，写入 2 行，已存在 1 行，失败 1 行\n评论：无法读取 emlog 表\n清空：失败 1 条语句");
    EXPECT_EQ(texts::details(log, 2).toStdString(),
              "[文章] wp_posts gid=2: 1062 Duplicate entry '2' for key 'PRIMARY'\n"
              "[评论] emlog_comment: 1146 Table 'x.emlog_comment' doesn't exist\n"
              "…另有 1 条失败记录\n");
}
