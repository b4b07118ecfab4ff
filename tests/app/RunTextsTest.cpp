// The texts the window and the terminal make of what a run tells: each kind's label and status
// lines, the completion summary and the failed rows.
#include "RunTexts.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>
#include <string_view>
#include <utility>

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
        {Kind::ownerReplies, "博主回复", "初始化转换博主回复...", "正在转换博主回复.66%"},
        {Kind::trackbacks, "引用", "初始化转换引用...", "正在转换引用.66%"},
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
    posts.incomplete = 1;
    posts.alreadyThere = 1;
    posts.failed = 1;
    log.record("posts", "wp_posts", "gid=2",
               {Why::Code::serverRefused, {}, "1062 Duplicate entry '2' for key 'PRIMARY'"});
    log.record("posts", "emlog_tag", "", {Why::Code::tagsUnreadable, {}, "1146 Table 'x.emlog_tag' doesn't exist"});
    log.tally("comments").unreadable = true;
    log.record("comments", "emlog_comment", "",
               {Why::Code::emlogUnreadable, {}, "1146 Table 'x.emlog_comment' doesn't exist"});
    log.record(step::emptying, "wp_links", "", {Why::Code::serverRefused, {}, "1146 Table 'x.wp_links' doesn't exist"});

    EXPECT_EQ(texts::summary(log).toStdString(),
              "文章：读取 4 行，写入 2 行（其中 1 行不完整），已存在 1 行，失败 1 行，另有 1 个问题（见详情）\n"
              "评论：无法读取 emlog 表\n清空：失败 1 条语句");
    EXPECT_EQ(texts::details(log, 2).toStdString(),
              "[文章] wp_posts gid=2: 数据库服务器拒绝了这条语句：1062 Duplicate entry '2' for key 'PRIMARY'\n"
              "[文章] emlog_tag: 读不到文章的标签，文章转换时没有标签：1146 Table 'x.emlog_tag' doesn't exist\n"
              "…另有 2 条失败记录\n");
}

// Every code the core reports is worded in Chinese, and named in ASCII for the JSON report; a row that
// names what is gone says which and where.
TEST(RunTexts, EveryReasonIsWordedAndNamed)
{
    const QRegularExpression han(QStringLiteral("\\p{Han}"));
    const QRegularExpression ascii(QStringLiteral("^[a-z]+(-[a-z]+)*$"));
    std::set<std::string_view> names;
    for (int code = 0; code <= static_cast<int>(Why::Code::pluginRefused); ++code) {
        const Why::Code each = static_cast<Why::Code>(code);
        const QString said = texts::reason({"comments", "wp_comments", "cid=1", {each, "14", "details"}});
        EXPECT_TRUE(said.contains(han)) << code << ": " << said.toStdString();
        const std::string_view name = codeName(each);
        EXPECT_TRUE(ascii.match(QString::fromLatin1(name.data(), qsizetype(name.size()))).hasMatch()) << name;
        EXPECT_TRUE(names.insert(name).second) << name;
    }
    struct Case
    {
        const char* migration;
        Why why;
        const char* said;
    };
    const Case cases[] = {
        {"comments", {Why::Code::articleNotInEmlog, "14"}, "这条评论所属的文章（gid=14）在 emlog 里已经不存在"},
        {"attachments", {Why::Code::articleNotInEmlog, "14"}, "这个附件所属的文章（gid=14）在 emlog 里已经不存在"},
        {"tags",
         {Why::Code::articleNotInEmlog, "14"},
         "这个标签列出的文章（gid=14）在 emlog 里已经不存在：标签已写入，只少了这一篇"},
        {"comments",
         {Why::Code::articleNotCopied, "5"},
         "这条评论所属的文章（gid=5）没有转换过来，见那篇文章的失败原因"},
        {"comments", {Why::Code::parentNotCopied, "cid=2"}, "它回复的评论（cid=2）没有转换过来"},
        {"posts", {Why::Code::parentNotCopied, "gid=15"}, "它的上级页面（gid=15）没有转换过来"},
        {"navigation", {Why::Code::categoryNotCopied, "7"}, "这个菜单项指向的分类（sid=7）不在 WordPress 里"},
        {"files",
         {Why::Code::httpStatus, "404", "http://blog.example.com/a.jpg"},
         "下载 http://blog.example.com/a.jpg 时服务器回答 HTTP 404"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(texts::reason({c.migration, "", "", c.why}).toStdString(), c.said) << c.migration;
}

// The window's message and kestrel-cli's report: the time in its shortest form, the sessions, and for the
// sample blog that its failures are there on purpose.
TEST(RunTexts, CompletionSaysTheTimeTheWayAndWhatFailed)
{
    for (const auto& [seconds, shown] : {std::pair{2.5, "2.5"}, {3.0, "3"}, {12.345, "12.345"}, {0.001, "0.001"}}) {
        RunReport report;
        report.elapsedSeconds = seconds;
        EXPECT_TRUE(texts::completion(report).startsWith(
            QStringLiteral("转换完成，共用时：%1秒。").arg(QString::fromLatin1(shown))))
            << texts::completion(report).toStdString();
    }
    RunReport sample;
    sample.log.tally("comments").failed = 1;
    sample.log.record("comments", "wp_comments", "cid=28", {Why::Code::articleNotInEmlog, "14"});
    EXPECT_FALSE(texts::completion(sample).contains(QStringLiteral("示例博客")));
    sample.bundledSample = true;
    EXPECT_TRUE(texts::completion(sample).contains(QStringLiteral("自带的示例博客")))
        << texts::completion(sample).toStdString();
}
