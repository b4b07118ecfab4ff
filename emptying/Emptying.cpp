#include "Emptying.h"

#include "BlogConnection.h"
#include "EmptyingPlan.h"
#include "Kinds.h"
#include "Options.h"
#include "ResultSet.h"
#include "RowsBackup.h"
#include "RunContext.h"
#include "TextHelpers.h"

namespace kestrel {

namespace {

constexpr std::string_view emptying = step::emptying;

std::string where(const MarkedTable& table)
{
    return table.condition.empty() ? std::string() : " WHERE " + table.condition;
}

// One statement of the emptying's transaction on its own session: never sent again on another, which
// would stand outside the transaction.
bool inTransaction(RunContext& run, const std::string& statement)
{
    return executeSql(run.wordPress, statement);
}

// An option's value inside the transaction; nothing when the site has none. False when it cannot be read.
bool optionInTransaction(RunContext& run, std::string_view name, std::optional<std::string>& value)
{
    value.reset();
    if (!inTransaction(run, "SELECT option_value FROM " + run.wordPressTable("options") +
                                " WHERE option_name=" + quotedLiteral(run.wordPress, name)))
        return false;
    ResultSet result = storeResult(run.wordPress);
    if (!result)
        return false;
    return rowCount(result) == 0 || readField(result, 0, value.emplace());
}

bool setOptionInTransaction(RunContext& run, std::string_view name, std::string_view value)
{
    return inTransaction(run, "UPDATE " + run.wordPressTable("options") +
                                  " SET option_value=" + quotedLiteral(run.wordPress, value) +
                                  " WHERE option_name=" + quotedLiteral(run.wordPress, name));
}

// After the deletes: no post is sticky any more, and a front page or posts page that named a
// deleted post goes back to WordPress's default, the latest posts.
bool resetOptionsNamingDeletedPosts(RunContext& run)
{
    if (!setOptionInTransaction(run, "sticky_posts", serializeIds({})))
        return false;
    bool frontPageGone = false;
    for (const std::string_view name : {"page_on_front", "page_for_posts"}) {
        std::optional<std::string> value;
        if (!optionInTransaction(run, name, value))
            return false;
        const std::int64_t id = value ? leadingInteger(*value) : 0;
        if (id == 0)
            continue;
        if (!inTransaction(run, "SELECT COUNT(*) FROM " + run.wordPressTable("posts") + " WHERE ID=" +
                                    std::to_string(id)))
            return false;
        ResultSet count = storeResult(run.wordPress);
        std::int64_t found = 0;
        if (!count || !readField(count, 0, found))
            return false;
        if (found == 0) {
            if (!setOptionInTransaction(run, name, "0"))
                return false;
            frontPageGone = frontPageGone || name == "page_on_front";
        }
    }
    std::optional<std::string> shown;
    if (frontPageGone && (!optionInTransaction(run, "show_on_front", shown) ||
                          (shown.value_or("") == "page" && !setOptionInTransaction(run, "show_on_front", "posts"))))
        return false;
    return true;
}

} // namespace

bool emptyWordPress(RunContext& run, EmptyingPlan& plan)
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
