#include "Emptying.h"

#include "BackupPages.h"
#include "CarriedEmptying.h"
#include "Kinds.h"
#include "MarkedRows.h"
#include "Options.h"
#include "ResultSet.h"
#include "RowsBackup.h"
#include "RunContext.h"
#include "Session.h"
#include "TextHelpers.h"
#include "WordPressQueries.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr std::string_view emptying = step::emptying;

std::string where(const MarkedTable& table)
{
    return table.condition.empty() ? std::string() : " WHERE " + table.condition;
}

// One statement of the emptying's transaction on its own session: never sent again on another, which
// would stand outside the transaction.
bool inTransaction(RunContext& run, const Change& change)
{
    return run.wordPress.change(change);
}

// A read inside the transaction: null when it failed.
ResultSet readInTransaction(RunContext& run, const Query& query)
{
    return run.wordPress.read(query);
}

// An option's value inside the transaction; nothing when the site has none. False when it cannot be read.
bool optionInTransaction(RunContext& run, std::string_view name, std::optional<std::string>& value)
{
    value.reset();
    ResultSet result = readInTransaction(run, reads::option(run.wordPressPrefix, name));
    if (!result)
        return false;
    return rowCount(result) == 0 || readField(result, 0, value.emplace());
}

bool setOptionInTransaction(RunContext& run, std::string_view name, std::string_view value)
{
    return inTransaction(run, changes::updateOption(run.wordPressPrefix, name, value));
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
        ResultSet count = readInTransaction(run, reads::postsAt(run.wordPressPrefix, {id}));
        if (!count)
            return false;
        if (rowCount(count) == 0) {
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

bool rollsBack(const EmptyingPlan& plan, const std::string& table)
{
    for (const EmptyingPlan::Table& planned : plan.tables) {
        if (planned.name == table)
            return planned.rollsBack;
    }
    return false; // not asked: nothing says it does
}

// The rows of a marked table still there after its delete was refused; -1 when that cannot be asked.
std::int64_t rowsLeft(RunContext& run, const std::string& name, const MarkedTable& table)
{
    ResultSet count =
        readInTransaction(run, Query("marked_rows_left", "SELECT COUNT(*) FROM ?1" + where(table), {Name{name}}));
    std::int64_t left = 0;
    return count && readField(count, 0, left) ? left : -1;
}

} // namespace

std::optional<EmptyingFailure> emptyWordPress(RunContext& run, EmptyingPlan& plan)
{
    run.wordPress.useUnicode();
    // A session through the receiver plugin keeps no transaction nor temporary table between its requests.
    if (!run.wordPress.keepsSessionState())
        return emptyThroughCarrier(run, plan);
    // One transaction: the rows are marked, backed up and deleted as one, or not at all.
    // Marking reads with locks, so what is backed up is what is deleted. On a table whose
    // engine takes no part in transactions a delete stands once made: those are kept here,
    // so that a failure later on says what the rollback left.
    EmptyingFailure failure;
    auto fail = [&](EmptyingFailure::Reason reason, std::string where, std::string error) {
        run.wordPress.rollback();
        failure.reason = reason;
        failure.where = std::move(where);
        failure.error = std::move(error);
        if (reason != EmptyingFailure::Reason::NotMarked) // marking has logged its statement
            run.failures.record(emptying, failure.where, "", {Why::Code::serverRefused, {}, failure.error});
        return std::optional<EmptyingFailure>(std::move(failure));
    };
    auto serverError = [&] {
        return std::to_string(run.wordPress.lastErrorNumber()) + " " + run.wordPress.lastError();
    };
    auto failStatement = [&](std::string where) {
        return fail(EmptyingFailure::Reason::StatementFailed, std::move(where), serverError());
    };
    auto failBackup = [&](const RowsBackup& backup) {
        return fail(EmptyingFailure::Reason::BackupNotWritten, plan.backupFile, backup.error());
    };
    if (!run.wordPress.begin())
        return failStatement("START TRANSACTION");
    const unsigned long session = run.wordPress.serverSessionId();
    if (!markBlogRows(run, plan.kinds))
        return fail(EmptyingFailure::Reason::NotMarked, "", serverError());

    RowsBackup backup;
    if (!backup.create(plan.backupFile, "Rows emptying WordPress first took from its database, prefix " +
                                            run.wordPressPrefix + ".\nTo put them back: mariadb DATABASE < this file"))
        return failBackup(backup);
    const std::vector<MarkedTable> tables = markedTables();
    std::vector<std::uint64_t> backedUp;
    for (const MarkedTable& table : tables) {
        const std::string name = run.wordPressTable(table.bare);
        std::uint64_t rows = 0;
        bool written = true;
        if (!backUpInPages(run.wordPress, backup, name, table, rows, written))
            return written ? failStatement(name) : failBackup(backup);
        backedUp.push_back(rows);
    }
    // On disk before the first delete: a delete that stands must find its rows there after a crash.
    if (!backup.finish())
        return failBackup(backup);

    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string name = run.wordPressTable(tables[i].bare);
        const bool stands = !rollsBack(plan, name);
        if (run.wordPress.change(Change("delete_marked", "delete from " + name + where(tables[i])))) {
            const auto affected = static_cast<std::int64_t>(run.wordPress.affectedRows());
            if (stands && affected > 0)
                failure.deleted.push_back({name, affected});
            continue;
        }
        const std::string error = serverError();
        // A statement refused part-way on such a table keeps what it had deleted: count what is left.
        if (stands) {
            const std::int64_t left = rowsLeft(run, name, tables[i]);
            const std::int64_t gone = left < 0 ? -1 : static_cast<std::int64_t>(backedUp[i]) - left;
            if (gone != 0)
                failure.deleted.push_back({name, gone});
        }
        return fail(EmptyingFailure::Reason::StatementFailed, name, error);
    }
    if (!resetOptionsNamingDeletedPosts(run))
        return failStatement(run.wordPressTable("options"));
    // A session lost on the way took its deletes with it; one opened again in its place must not commit.
    if (!run.wordPress || run.wordPress.serverSessionId() != session)
        return fail(EmptyingFailure::Reason::SessionLost, "COMMIT", serverError());
    if (!run.wordPress.commit())
        return failStatement("COMMIT");
    run.wordPress.change(Change("emptying_mark", "DROP TEMPORARY TABLE IF EXISTS kestrel_gone_posts, "
                                                 "kestrel_gone_comments, kestrel_gone_taxonomies, kestrel_gone_terms"));
    return std::nullopt;
}

} // namespace kestrel
