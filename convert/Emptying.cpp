#include "RowsBackup.h"
#include "BlogConnection.h"
#include "EmptyingPlan.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"
#include "ResultSet.h"
#include "Kinds.h"

namespace kestrel {

namespace {

constexpr std::string_view emptying = step::emptying;

std::string where(const MarkedTable& table)
{
    return table.condition.empty() ? std::string() : " WHERE " + table.condition;
}

} // namespace

bool emptyWordPress(MigrationRun& run, EmptyingPlan& plan)
{
    useUnicode(run.wordPress);
    // One transaction: the rows are marked, backed up and deleted as one, or not at all.
    // Marking reads with locks, so what is backed up is what is deleted.
    auto fail = [&](std::string_view table, const std::string& reason) {
        executeSql(run.wordPress, "ROLLBACK");
        run.failures.record(emptying, table, "", reason);
        return false;
    };
    auto failStatement = [&](std::string_view table) {
        return fail(table, std::to_string(run.wordPress.lastErrorNumber()) + " " + run.wordPress.lastError());
    };
    if (!executeSql(run.wordPress, "START TRANSACTION"))
        return failStatement("START TRANSACTION");
    const unsigned long session = mysql_thread_id(run.wordPress.handle());
    if (!markBlogRows(run, plan.kinds))
        return fail("", "什么都没有删除");

    RowsBackup backup;
    if (!backup.create(plan.backupFile, "Rows emptying WordPress first took from its database, prefix " +
                                            run.wordPressPrefix + ".\nTo put them back: mariadb DATABASE < this file"))
        return fail(plan.backupFile, backup.error() + "：备份写不了，什么都没有删除");
    const std::vector<MarkedTable> tables = markedTables();
    for (const MarkedTable& table : tables) {
        const std::string name = run.wordPressTable(table.bare);
        if (!executeSql(run.wordPress, "SELECT * FROM " + name + where(table)))
            return failStatement(name);
        ResultSet rows = storeResult(run.wordPress);
        if (!rows)
            return failStatement(name);
        if (!backup.addRows(name, rows))
            return fail(plan.backupFile, backup.error() + "：备份写不了，什么都没有删除");
    }
    if (!backup.finish())
        return fail(plan.backupFile, backup.error() + "：备份写不了，什么都没有删除");

    for (const MarkedTable& table : tables) {
        const std::string name = run.wordPressTable(table.bare);
        if (!deleteRows(run.wordPress, name, table.condition))
            return failStatement(name);
    }
    if (!resetOptionsNamingDeletedPosts(run))
        return failStatement(run.wordPressTable("options"));
    // A session lost on the way took its deletes with it; one opened again in its place must not commit.
    if (!run.wordPress || mysql_thread_id(run.wordPress.handle()) != session)
        return fail("COMMIT", "连接中断，什么都没有删除");
    if (!executeSql(run.wordPress, "COMMIT"))
        return failStatement("COMMIT");
    executeSql(run.wordPress, "DROP TEMPORARY TABLE IF EXISTS kestrel_gone_posts, kestrel_gone_comments, "
                              "kestrel_gone_taxonomies, kestrel_gone_terms");
    return true;
}

} // namespace kestrel
