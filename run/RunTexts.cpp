#include "RunTexts.h"

#include <QStringList>

#include <algorithm>

namespace kestrel::texts {

namespace {

struct KindTexts
{
    Kind kind;
    const char16_t* label;
    const char16_t* opening;
    const char16_t* running;
};

constexpr KindTexts kindTexts[] = {
    {Kind::users, u"用户", u"初始化转换用户...", u"正在转换用户."},
    {Kind::categories, u"分类", u"初始化转换分类...", u"正在转换分类."},
    {Kind::tags, u"标签", u"初始化转换标签...", u"正在转换标签."},
    {Kind::posts, u"文章", u"初始化转换博客文章...", u"正在转换博客文章."},
    {Kind::comments, u"评论", u"初始化转换博客评论...", u"正在转换评论."},
    {Kind::attachments, u"附件", u"初始化转换博客附件...", u"正在转换附件."},
    {Kind::links, u"友情链接", u"初始化转换友情链接...", u"正在转换友情链接."},
};

const KindTexts& textsOf(Kind kind)
{
    return kindTexts[static_cast<int>(kind)];
}

QString text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

QString label(std::string_view id)
{
    for (const KindInfo& kind : kinds) {
        if (kind.id == id)
            return QString::fromUtf16(textsOf(kind.kind).label);
    }
    if (id == step::emptying)
        return QStringLiteral("清空");
    if (id == step::files)
        return QStringLiteral("文件");
    if (id == step::backup)
        return QStringLiteral("备份文件");
    // WordPress's own kinds of row, as emptying it first counts them.
    static const std::pair<std::string_view, const char16_t*> wordPressKinds[] = {{"post", u"文章"},
                                                                                  {"page", u"页面"},
                                                                                  {"attachment", u"附件"},
                                                                                  {"revision", u"修订版本"},
                                                                                  {"comment", u"评论"},
                                                                                  {"category", u"分类"},
                                                                                  {"post_tag", u"标签"},
                                                                                  {"link_category", u"链接分类"},
                                                                                  {"post_format", u"文章格式"},
                                                                                  {"link", u"链接"}};
    for (const auto& [wordPressId, wordPressLabel] : wordPressKinds) {
        if (wordPressId == id)
            return QString::fromUtf16(wordPressLabel);
    }
    return QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size()));
}

QString emptyingStatus()
{
    return QStringLiteral("正在先清空wp数据库。");
}

QString truncatedBackupQuestion(const QString& path, const QString& cut)
{
    return QStringLiteral("emlog 备份文件 %1 不完整：%2，也许没有下载完。\n\n"
                          "要只读入已有的部分吗？缺少的行会在结果里列出。选“否”则什么都不写。")
        .arg(path, cut);
}

QString unsafePrefix(const QString& blog, const QString& prefix)
{
    return QStringLiteral("%1 的表前缀“%2”只能由字母、数字、“_”和“$”组成：什么都没有连接，也没有开始转换。")
        .arg(blog, prefix);
}

QString runningStem(Kind kind)
{
    return QString::fromUtf16(textsOf(kind).running);
}

QString runningStem(std::string_view kindId)
{
    for (const KindInfo& kind : kinds) {
        if (kind.id == kindId)
            return runningStem(kind.kind);
    }
    return label(kindId);
}

QString status(const RunEvent& event)
{
    switch (event.what) {
    case RunEvent::What::Reading:
        return QString::fromUtf16(textsOf(event.kind).opening);
    case RunEvent::What::Row:
        return runningStem(event.kind) + QString::number(percentDone(event.done, event.total)) + QLatin1Char('%');
    case RunEvent::What::Files:
        return QStringLiteral("正在复制文件.") + QString::number(percentDone(event.done, event.total)) +
               QLatin1Char('%');
    case RunEvent::What::ReadingBackup:
        if (event.total <= 0)
            return QStringLiteral("正在读取emlog备份文件...");
        return QStringLiteral("正在读取emlog备份文件.") + QString::number(percentDone(event.done, event.total)) +
               QLatin1Char('%');
    case RunEvent::What::Reconnecting:
        return QStringLiteral("正在重新连接%1博客数据库...(第%2次)")
            .arg(event.wordPress ? QStringLiteral("WordPress") : QStringLiteral("emlog"))
            .arg(event.attempt);
    }
    return {};
}

QString note(const FailureLog::Note& note)
{
    const QString first = text(note.first);
    const QString second = text(note.second);
    switch (note.what) {
    case FailureLog::Note::What::TimeZoneKept:
        return QStringLiteral("时区：保留 WordPress 的时区 %1（emlog 的是 %2），时间按 WordPress 的时区写入")
            .arg(first, second);
    case FailureLog::Note::What::TimeZoneSet:
        return QStringLiteral("时区：WordPress 的时区由 %1 改为 emlog 的 %2").arg(first, second);
    case FailureLog::Note::What::FilesNotCopied:
        return QStringLiteral("文件：没有复制（没有给出 emlog 的文件和 WordPress 的上传文件夹），附件仍指向旧博客");
    case FailureLog::Note::What::FilesLeftAfterEmptying:
        return QStringLiteral("文件：先清空只删除了数据库中的行，复制过的文件仍在 %1，需要时请自行删除").arg(first);
    }
    return {};
}

QString summary(const FailureLog& log)
{
    QStringList lines;
    for (const FailureLog::Note& each : log.notes())
        lines << note(each);
    for (const FailureLog::Tally& tally : log.tallies()) {
        if (tally.unreadable)
            lines << label(tally.migration) + QStringLiteral("：无法读取 emlog 表");
        else
            lines << QStringLiteral("%1：读取 %2 行，写入 %3 行，已存在 %4 行，失败 %5 行")
                         .arg(label(tally.migration))
                         .arg(tally.read)
                         .arg(tally.written)
                         .arg(tally.alreadyThere)
                         .arg(tally.failed);
    }
    std::vector<std::string> untallied;
    for (const FailureLog::Entry& entry : log.entries()) {
        if (!log.tallied(entry) && std::find(untallied.begin(), untallied.end(), entry.migration) == untallied.end())
            untallied.push_back(entry.migration);
    }
    for (const std::string& step : untallied) {
        const auto failed = std::count_if(log.entries().begin(), log.entries().end(),
                                          [&](const FailureLog::Entry& entry) { return entry.migration == step; });
        lines << QStringLiteral("%1：失败 %2 条语句").arg(label(step)).arg(failed);
    }
    return lines.join(QLatin1Char('\n'));
}

QString details(const FailureLog& log, std::size_t limit)
{
    return text(log.details(limit, [](std::string_view id) { return label(id).toStdString(); }));
}

} // namespace kestrel::texts
