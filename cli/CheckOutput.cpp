#include "CheckOutput.h"
#include "Utf8Text.h"

#include "RunTexts.h"

#include <QStringList>

#include <algorithm>

namespace kestrel {

namespace {

QString quoted(const std::string& utf8)
{
    return QLatin1Char('"') + text(utf8) + QLatin1Char('"');
}

// What a WordPress row is, in the window's words, from its post_type, taxonomy or "link".
QString wordPressKind(const std::string& type)
{
    static const std::pair<const char*, const char*> names[] = {
        {"post", "文章"},
        {"page", "页面"},
        {"attachment", "附件"},
        {"revision", "修订版本"},
        {"nav_menu_item", "菜单项"},
        {"category", "分类"},
        {"post_tag", "标签"},
        {"nav_menu", "菜单"},
        {"link_category", "链接分类"},
        {"link", "链接"},
        {"", "词条"},
    };
    for (const auto& [name, words] : names) {
        if (type == name)
            return QString::fromUtf8(words);
    }
    return text(type);
}

void addTables(QStringList& lines, const BlogTables& blog, const char* prefixOption)
{
    qsizetype width = 0;
    for (const CheckedTable& table : blog.tables)
        width = std::max(width, static_cast<qsizetype>(table.name.size()));
    for (const CheckedTable& table : blog.tables) {
        QString line = QStringLiteral("  ") + text(table.name).leftJustified(width + 2);
        if (!table.present)
            line += table.required ? QStringLiteral("缺少") : QStringLiteral("缺少（可选）");
        else if (table.rows >= 0)
            line += QStringLiteral("%1 行  %2").arg(table.rows, 6).arg(text(table.charset));
        else
            line += text(table.charset);
        lines << line;
    }
    if (!blog.complete() && !blog.fittingPrefix.empty())
        lines << QStringLiteral("  前缀 %1 下的表是齐全的：可用 --%2=%3")
                     .arg(quoted(blog.fittingPrefix), QString::fromUtf8(prefixOption), text(blog.fittingPrefix));
}

void addOversized(QStringList& lines, const BlogCheckReport& report)
{
    // From a backup file no emlog server carries the rows: only WordPress's limit counts.
    if (report.emlogMaxPacket == 0)
        lines << QStringLiteral("max_allowed_packet：WordPress 服务器 %1 字节").arg(report.wordPressMaxPacket);
    else
        lines << QStringLiteral("max_allowed_packet：emlog 服务器 %1 字节，WordPress 服务器 %2 字节")
                     .arg(report.emlogMaxPacket)
                     .arg(report.wordPressMaxPacket);
    if (report.oversized.empty())
        lines << QStringLiteral("  没有大到装不进一条语句的行。");
    for (const OversizedRow& row : report.oversized) {
        QStringList servers;
        if (report.emlogMaxPacket != 0 && row.bytes >= report.emlogMaxPacket)
            servers << QStringLiteral("emlog");
        if (report.wordPressMaxPacket != 0 && row.bytes >= report.wordPressMaxPacket)
            servers << QStringLiteral("WordPress");
        lines << QStringLiteral("  %1 %2=%3：%4 字节，超过 %5 服务器的上限，这一行会失败")
                     .arg(text(row.table), text(row.idColumn))
                     .arg(row.id)
                     .arg(row.bytes)
                     .arg(servers.join(QStringLiteral("、")));
    }
}

void addExistingRows(QStringList& lines, const BlogCheckReport& report)
{
    if (!report.emptiedFirst.empty()) {
        QStringList tables;
        for (const TableRows& table : report.emptiedFirst)
            tables << QStringLiteral("%1 %2 行").arg(texts::label(table.table)).arg(table.rows);
        lines << QStringLiteral("--empty-first 先清空 WordPress：将删除 %1。").arg(tables.join(QStringLiteral("，")));
    }
    QStringList there;
    QStringList taken;
    for (const KindCheck& kind : report.kinds) {
        if (kind.alreadyThere > 0)
            there << QStringLiteral("  %1 %2 行").arg(texts::label(kind.kind)).arg(kind.alreadyThere);
        for (const TakenId& id : kind.taken)
            taken << QStringLiteral("  %1 %2=%3：WordPress %4 %3 %5 —— 将换用新的 id")
                         .arg(texts::label(kind.kind), text(kind.idColumn))
                         .arg(id.id)
                         .arg(wordPressKind(id.wordPressType), quoted(id.title));
    }
    lines << QStringLiteral("已在 WordPress 中的行（以前转换过，这次不动）：");
    lines << (there.isEmpty() ? QStringList{QStringLiteral("  无")} : there);
    lines << QStringLiteral("WordPress 已经用了的 id（这些行换用新的 id，它们的评论、附件、分类标签和回复跟着走）：");
    lines << (taken.isEmpty() ? QStringList{QStringLiteral("  无")} : taken);
}

} // namespace

QString checkText(const BlogCheckReport& report, const CheckSettings& settings)
{
    QStringList lines;
    lines << QStringLiteral("emlog：%1")
                 .arg(report.emlogVersion.empty() ? QStringLiteral("版本不明（没有文章表）")
                                                  : QStringLiteral("emlog ") + text(report.emlogVersion));
    if (report.emlogVersion == "2.x")
        lines << QStringLiteral("  ") + texts::emlogTwoRefusal();
    addTables(lines, report.emlog, "emlog-prefix");
    lines << QStringLiteral("WordPress：数据库版本 %1")
                 .arg(report.wordPressDatabaseVersion.empty() ? QStringLiteral("不明")
                                                              : text(report.wordPressDatabaseVersion));
    addTables(lines, report.wordPress, "wp-prefix");
    lines << QStringLiteral("时区：emlog %1，WordPress %2")
                 .arg(text(report.emlogTimeZone),
                      report.wordPressTimeZone.empty() ? QStringLiteral("不明") : text(report.wordPressTimeZone));
    if (!report.wordPressTimeZone.empty() && report.wordPressTimeZone != report.emlogTimeZone)
        lines << QStringLiteral(
            "  转换时 WordPress 改用 emlog 的时区（--keep-wordpress-timezone：保留 WordPress 的）。");
    addOversized(lines, report);
    if (report.emlog.complete() && report.wordPress.complete())
        addExistingRows(lines, report);
    if (!report.errors.empty() || !report.backupErrors.empty()) {
        lines << QStringLiteral("检查时出错：");
        for (const std::string& error : report.errors)
            lines << QStringLiteral("  ") + text(error);
        for (const BackupProblem& error : report.backupErrors)
            lines << QStringLiteral("  ") + texts::backupProblem(error);
    }
    if (report.runCanGoAhead())
        lines << QStringLiteral("可以开始转换。");
    else if (!report.emlog.complete() || !report.wordPress.complete())
        lines << QStringLiteral("不能开始转换：缺少表（前缀 %1 / %2）。")
                     .arg(quoted(settings.emlogPrefix), quoted(settings.wordPressPrefix));
    else
        lines << QStringLiteral("不能开始转换：检查没能读完两边。");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace kestrel
