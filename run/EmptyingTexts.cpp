#include "EmptyingTexts.h"

#include "KindTexts.h"
#include "Utf8Text.h"

#include <QStringList>

namespace kestrel::texts {

QString runConfirmationQuestion()
{
    return QStringLiteral(
        "转换数据库可能会有意想不到的情况出现，请先备份或者用本地数据测试，然后：你确认要开始转换吗？");
}

QString emptyingCounts(const EmptyingPlan& plan)
{
    QStringList counts;
    for (const EmptyingPlan::Kind& kind : plan.kinds) {
        if (kind.rows > 0)
            counts << QStringLiteral("%1 %2").arg(label(kind.name)).arg(kind.rows);
    }
    return counts.isEmpty() ? QStringLiteral("没有要删除的行") : counts.join(QStringLiteral("、"));
}

QString runConfirmationQuestion(const EmptyingPlan& plan)
{
    QString question = runConfirmationQuestion() +
                       QStringLiteral("\n\n先清空wp数据库将删除博客的文章、页面、附件、评论、分类、标签和链接：%1。"
                                      "博客带来的导航菜单、网站导航和可重用区块也删除；"
                                      "其他菜单、模板、样式、其他类型的文章和分类法不动。删除前这些行全部备份到：\n%2")
                           .arg(emptyingCounts(plan), QString::fromStdString(plan.backupFile));
    // Before the answer: on these tables "nothing was deleted" cannot be promised.
    const QString warning = emptyingEngineWarning(plan);
    return warning.isEmpty() ? question : question + QStringLiteral("\n\n") + warning;
}

namespace {

QString refusalReason(const EmptyingPlan& plan)
{
    const QString table = text(plan.refusedTable);
    const QString because = text(plan.refusedBecause);
    switch (plan.refusal) {
    case EmptyingPlan::Refusal::None:
        break;
    case EmptyingPlan::Refusal::EmlogTableUnreadable:
        return QStringLiteral("emlog 的表 %1 读不到（%2）：请检查 emlog 的数据库和表前缀。").arg(table, because);
    case EmptyingPlan::Refusal::WordPressTableUnreadable:
        return QStringLiteral("WordPress 的表 %1 读不到（%2）：请检查 WordPress 的数据库和表前缀。")
            .arg(table, because);
    case EmptyingPlan::Refusal::NotCounted:
        return QStringLiteral("数不出要删除的行：%1").arg(because);
    case EmptyingPlan::Refusal::EnginesUnknown:
        return QStringLiteral("问不到 WordPress 的表用的存储引擎：%1").arg(because);
    }
    return {};
}

} // namespace

QString emptyingRefusal(const EmptyingPlan& plan)
{
    return QStringLiteral("没有清空 WordPress，也没有开始转换：") + refusalReason(plan);
}

QString emptyingEngineWarning(const EmptyingPlan& plan)
{
    QStringList tables;
    for (const EmptyingPlan::Table& table : plan.tablesThatCannotRollBack())
        tables << QStringLiteral("%1（%2）")
                      .arg(text(table.name), table.engine.empty() ? QStringLiteral("引擎不明") : text(table.engine));
    if (tables.isEmpty())
        return {};
    return QStringLiteral("注意：WordPress 的表 %1 的存储引擎不支持事务。清空中途失败时，这些表里已经删除的行"
                          "不能撤销，只能用备份放回。")
        .arg(tables.join(QStringLiteral("、")));
}

QString emptyingFailure(const EmptyingFailure& failure, const QString& backupFile)
{
    const QString where = text(failure.where);
    const QString error = text(failure.error);
    QString why;
    switch (failure.reason) {
    case EmptyingFailure::Reason::NotMarked:
        why = QStringLiteral("标记要删除的行时出错：%1").arg(error);
        break;
    case EmptyingFailure::Reason::BackupNotWritten:
        why = QStringLiteral("备份写不了：%1").arg(error);
        break;
    case EmptyingFailure::Reason::StatementFailed:
        why = QStringLiteral("%1 出错：%2").arg(where, error);
        break;
    case EmptyingFailure::Reason::SessionLost:
        why = QStringLiteral("连接中断");
        break;
    }
    if (failure.deleted.empty())
        return QStringLiteral("先清空 WordPress 没有成功（%1）：什么都没有删除，也没有开始转换。").arg(why);
    QStringList deleted;
    for (const EmptyingFailure::Deleted& table : failure.deleted)
        deleted << (table.rows < 0 ? QStringLiteral("%1 部分行（行数不明）").arg(text(table.table))
                                   : QStringLiteral("%1 %2 行").arg(text(table.table)).arg(table.rows));
    return QStringLiteral("先清空 WordPress 没有成功（%1），也没有开始转换。这些表的存储引擎不支持事务，"
                          "已经删除的行没有撤销：%2。删除的行都在备份里，用 mariadb 客户端在 WordPress 的数据库上"
                          "执行它即可放回（还在的行不动）：\n%3")
        .arg(why, deleted.join(QStringLiteral("、")), backupFile);
}

QString emptyingLine(const EmptyingPlan& emptied)
{
    return QStringLiteral("已先清空 WordPress（%1），删除的行备份在：%2")
        .arg(emptyingCounts(emptied), text(emptied.backupFile));
}

} // namespace kestrel::texts
