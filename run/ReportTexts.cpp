#include "ReportTexts.h"

#include "ConnectionTexts.h"
#include "EmptyingTexts.h"
#include "KindTexts.h"
#include "ReasonTexts.h"
#include "Utf8Text.h"

#include <QStringList>

#include <algorithm>

namespace kestrel::texts {

namespace {

// What failed of a kind but no row of it (a table it reads besides its own, say): counted too.
QString problemsBeside(const FailureLog& log, std::string_view migration)
{
    const auto besides = std::count_if(log.entries().begin(), log.entries().end(), [&](const FailureLog::Entry& entry) {
        return entry.migration == migration && entry.sourceId.empty();
    });
    return besides > 0 ? QStringLiteral("，另有 %1 个问题（见详情）").arg(besides) : QString();
}

} // namespace

QString completion(const RunReport& report)
{
    const QString seconds = QString::number(report.elapsedSeconds, 'g', 13);
    QStringList lines{report.stopped
                          ? QStringLiteral("转换已中断，共用时：%1秒。以下是中断前已到达的部分。").arg(seconds)
                          : QStringLiteral("转换完成，共用时：%1秒。").arg(seconds)};
    lines << emlogSourceLine(report) << sessionText(QStringLiteral("WordPress"), report.wordPressSession);
    if (report.emptied)
        lines << emptyingLine(*report.emptied);
    if (report.log.worthReporting())
        lines << QString() << summary(report.log);
    if (report.bundledSample && !report.log.empty())
        lines << QString()
              << QStringLiteral("这是 Kestrel 自带的示例博客：它故意带着几行有问题的数据（例如所属文章已被删除的评论，"
                                "见 scripts/sample/README.md），好让你看到失败的行怎样列出。转换你自己的博客时，"
                                "这里列出的才是要留意的问题。");
    return lines.join(QLatin1Char('\n'));
}

QString emlogSourceLine(const RunReport& report)
{
    // A run from a backup file opens no emlog session: there is none to speak of.
    if (!report.emlogBackup.empty())
        return QStringLiteral("emlog：备份文件 %1").arg(text(report.emlogBackup));
    return sessionText(QStringLiteral("emlog"), report.emlogSession);
}

QString interrupted(const QString& what)
{
    return QStringLiteral("转换中断：%1").arg(what);
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
    case FailureLog::Note::What::MenuAtLocation:
        return QStringLiteral("导航：成为菜单“%1”，显示在主题 %2 的菜单位置 %3").arg(menuName(), second, first);
    case FailureLog::Note::What::MenuInNavigation:
        return QStringLiteral("导航：成为菜单“%1”和网站的导航，显示在块主题 %2 的页头").arg(menuName(), first);
    case FailureLog::Note::What::MenuLocationTaken:
        return QStringLiteral("导航：成为菜单“%1”；主题 %2 的菜单位置 %3 已有菜单，没有替换，"
                              "需要时请在“外观 → 菜单”中选择")
            .arg(menuName(), second, first);
    case FailureLog::Note::What::MenuNavigationTaken:
        return QStringLiteral("导航：成为菜单“%1”；网站已有自己的导航，没有替换，需要时请在“外观 → 编辑器”中选择")
            .arg(menuName());
    case FailureLog::Note::What::FooterKept:
        return QStringLiteral("页脚：备案号%1和页脚信息由 Kestrel Redirects 插件显示在每个页面（启用插件；"
                              "可在“设置 → 页脚”中修改或隐藏）")
            .arg(first.isEmpty() ? QString() : QStringLiteral(" %1 ").arg(first));
    case FailureLog::Note::What::WidgetsInSidebar:
        return QStringLiteral("侧边栏：%1 个自定义组件成为可重用区块，并作为区块小工具显示在侧边栏 %2")
            .arg(first, second);
    case FailureLog::Note::What::WidgetsAsBlocks:
        return QStringLiteral("侧边栏：%1 个自定义组件成为可重用区块（主题 %2 没有已知的侧边栏），"
                              "可在编辑器中插入到模板里")
            .arg(first, second);
    case FailureLog::Note::What::SettingChanged:
        return QStringLiteral("设置：WordPress 的 %1 由“%2”改为 emlog 的“%3”").arg(first, second, text(note.third));
    case FailureLog::Note::What::SettingKept:
        return QStringLiteral("设置：保留 WordPress 的 %1“%2”（emlog 的是“%3”）").arg(first, second, text(note.third));
    case FailureLog::Note::What::HomeMetaKept:
        return QStringLiteral("首页：emlog 的首页标题、描述和关键词由 Kestrel Redirects 插件显示（启用插件）");
    case FailureLog::Note::What::LogoNotPlaced:
        return QStringLiteral("站标：模板的标志已在媒体库中；不知道主题 %1 在哪里显示标志，请在“外观 → 自定义”中选择")
            .arg(first);
    case FailureLog::Note::What::MenuNotPlaced:
        return QStringLiteral("导航：成为菜单“%1”；不知道主题 %2 在哪里显示菜单，请在“外观 → 菜单”中选择位置")
            .arg(menuName(), first);
    }
    return {};
}

QString summary(const FailureLog& log)
{
    QStringList lines;
    for (const FailureLog::Note& each : log.notes())
        lines << note(each);
    for (const FailureLog::Tally& tally : log.tallies()) {
        if (tally.wordPressUnreadable)
            lines << label(tally.migration) + QStringLiteral("：无法读取 WordPress 中已有的内容，什么都没有写入");
        else if (tally.unreadable)
            lines << label(tally.migration) + QStringLiteral("：无法读取 emlog 表");
        else
            lines << QStringLiteral("%1：读取 %2 行，写入 %3 行%4，已存在 %5 行，失败 %6 行%7")
                         .arg(label(tally.migration))
                         .arg(tally.read)
                         .arg(tally.written)
                         .arg(tally.incomplete > 0 ? QStringLiteral("（其中 %1 行不完整）").arg(tally.incomplete)
                                                   : QString())
                         .arg(tally.alreadyThere)
                         .arg(tally.failed)
                         .arg(problemsBeside(log, tally.migration));
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
    QString shown = text(log.details(
        limit, [](std::string_view id) { return label(id).toStdString(); },
        [](const FailureLog::Entry& entry) { return reason(entry).toStdString(); }));
    if (log.entries().size() > limit)
        shown += QStringLiteral("…另有 %1 条失败记录\n").arg(log.entries().size() - limit);
    return shown;
}

} // namespace kestrel::texts
