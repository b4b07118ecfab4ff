#include "CarriedEmptying.h"

#include "BackupPages.h"
#include "Kinds.h"
#include "MarkedRows.h"
#include "Options.h"
#include "ResultSet.h"
#include "RowsBackup.h"
#include "RunContext.h"
#include "Session.h"
#include "WordPressQueries.h"

#include <QCryptographicHash>

#include <errmsg.h>

#include <algorithm>

#include <set>

namespace kestrel {

namespace {

constexpr std::string_view emptying = step::emptying;

// A statement that fails (ERROR 1690, a BIGINT UNSIGNED out of range) when its condition holds, and only
// then: the request stops there and the site undoes its transaction. The largest BIGINT UNSIGNED plus 1.
std::string failWhen(const std::string& condition, const std::string& from)
{
    return "SELECT 18446744073709551615 + (" + condition + ") FROM " + from;
}

// The fingerprint of a table's rows the server and Kestrel both work out: per row, MD5 of each value's
// bytes in hex ("N" for NULL), joined by ","; the first 64 bits of each, XORed together.
struct Fingerprint
{
    std::uint64_t rows = 0;
    std::uint64_t bits = 0;
    std::vector<std::string> columns;

    void take(ResultSet& page)
    {
        if (columns.empty()) {
            for (int i = 0; i < page.columnCount(); ++i)
                columns.push_back(page.columnName(i));
        }
        rewindRows(page);
        for (std::uint64_t row = 0; row < rowCount(page); ++row, nextRow(page)) {
            QByteArray text;
            for (int i = 0; i < page.columnCount(); ++i) {
                std::optional<std::string_view> value;
                readRawField(page, i, value);
                if (i)
                    text += ',';
                text += value ? QByteArray(value->data(), static_cast<qsizetype>(value->size())).toHex().toUpper()
                              : QByteArray("N");
            }
            const QByteArray digest = QCryptographicHash::hash(text, QCryptographicHash::Md5);
            std::uint64_t first = 0;
            for (int i = 0; i < 8; ++i)
                first = (first << 8) | static_cast<unsigned char>(digest[i]);
            bits ^= first;
            ++rows;
        }
    }

    // The server's own reckoning of it, "<>" what was backed up.
    std::string differs() const
    {
        std::string values;
        for (const std::string& column : columns)
            values += (values.empty() ? "" : ", ") + ("IFNULL(HEX(CAST(`" + column + "` AS BINARY)), 'N')");
        const std::string bitsOfRows =
            columns.empty() ? "0"
                            : "BIT_XOR(CAST(CONV(LEFT(MD5(CONCAT_WS(',', " + values + ")), 16), 16, 10) AS UNSIGNED))";
        return "COUNT(*) <> " + std::to_string(rows) + " OR " + bitsOfRows + " <> " + std::to_string(bits);
    }
};

// A mark set's ids, as a list for " IN (...)": "NULL" for none, which matches nothing.
struct IdSet
{
    const char* name;   // which set, as the receiver plugin names it
    std::string select; // the select that finds them
    std::string column; // its column
    std::vector<std::string> ids;
    std::uint64_t bits = 0;

    std::string list() const
    {
        std::string text;
        for (const std::string& id : ids)
            text += (text.empty() ? "" : ",") + id;
        return text.empty() ? "NULL" : text;
    }
    bool contains(std::int64_t id) const { return std::find(ids.begin(), ids.end(), std::to_string(id)) != ids.end(); }
};

bool readIds(Session& wordPress, IdSet& set)
{
    std::vector<Parameter> parameters = ownedParameters(set.name);
    ResultSet rows = wordPress.read(Query("blog_ids", set.select, std::move(parameters)));
    if (!rows)
        return false;
    std::set<std::uint64_t> ids;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::string id;
        readField(rows, 0, id);
        if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos || id.size() > 18) {
            wordPress.rememberError(0, "an id that is not a number in: " + set.select.substr(0, 60));
            return false;
        }
        ids.insert(std::stoull(id));
    }
    for (const std::uint64_t id : ids) {
        set.ids.push_back(std::to_string(id));
        set.bits ^= id;
    }
    return true;
}

std::optional<std::string> optionValue(Session& wordPress, const std::string& prefix, std::string_view name, bool& read)
{
    ResultSet result = wordPress.read(reads::option(prefix, name));
    read = static_cast<bool>(result);
    std::string value;
    if (!read || rowCount(result) == 0 || !readField(result, 0, value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<EmptyingFailure> emptyThroughCarrier(RunContext& run, EmptyingPlan& plan)
{
    Session& wp = run.wordPress;
    EmptyingFailure failure;
    auto fail = [&](EmptyingFailure::Reason reason, std::string where, std::string error) {
        failure.reason = reason;
        failure.where = std::move(where);
        failure.error = std::move(error);
        run.failures.record(emptying, failure.where, "", {Why::Code::serverRefused, {}, failure.error});
        return std::optional<EmptyingFailure>(std::move(failure));
    };
    auto serverError = [&] { return std::to_string(wp.lastErrorNumber()) + " " + wp.lastError(); };

    // What goes, found as markBlogRows() marks it, and counted from those ids.
    const MarkSets selects = markSelects(run.wordPressPrefix);
    IdSet sets[] = {{"posts", selects.posts, "ID", {}, 0},
                    {"comments", selects.comments, "comment_ID", {}, 0},
                    {"taxonomies", selects.taxonomies, "term_taxonomy_id", {}, 0},
                    {"terms", selects.terms, "term_id", {}, 0}};
    for (IdSet& set : sets) {
        if (!readIds(wp, set))
            return fail(EmptyingFailure::Reason::NotMarked, set.select.substr(0, set.select.find(' ', 40)),
                        serverError());
    }
    IdSet& posts = sets[0];
    auto ids = std::make_shared<std::vector<Parameter>>();
    for (const IdSet& set : sets) {
        std::vector<std::int64_t> list;
        for (const std::string& id : set.ids)
            list.push_back(static_cast<std::int64_t>(std::stoull(id)));
        ids->emplace_back(std::move(list));
    }
    const MarkSets marks = {sets[0].list(), sets[1].list(), sets[2].list(), sets[3].list(), std::move(ids)};
    if (!countMarkedRows(wp, run.wordPressPrefix, marks, plan.kinds))
        return fail(EmptyingFailure::Reason::NotMarked, run.wordPressTable("posts"), serverError());

    // Every row that goes, into the file and onto the disk before anything is deleted.
    RowsBackup backup;
    if (!backup.create(plan.backupFile, "Rows emptying WordPress first took from its database, prefix " +
                                            run.wordPressPrefix + ".\nTo put them back: mariadb DATABASE < this file"))
        return fail(EmptyingFailure::Reason::BackupNotWritten, plan.backupFile, backup.error());
    const std::vector<MarkedTable> tables = markedTables(marks);
    std::vector<Fingerprint> fingerprints(tables.size());
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string name = run.wordPressTable(tables[i].bare);
        std::uint64_t rows = 0;
        bool written = true;
        if (!backUpInPages(wp, backup, name, tables[i], rows, written,
                           [&](ResultSet& page) { fingerprints[i].take(page); }))
            return written ? fail(EmptyingFailure::Reason::StatementFailed, name, serverError())
                           : fail(EmptyingFailure::Reason::BackupNotWritten, plan.backupFile, backup.error());
    }
    if (!backup.finish())
        return fail(EmptyingFailure::Reason::BackupNotWritten, plan.backupFile, backup.error());

    // The options that name a post that goes (or none there), as they read now: each reset only if it still does.
    const std::string options = run.wordPressTable("options");
    std::vector<Change> resets = {changes::updateOption(run.wordPressPrefix, "sticky_posts", serializeIds({}))};
    bool frontPageGone = false;
    for (const std::string_view name : {"page_on_front", "page_for_posts"}) {
        bool read = false;
        const std::optional<std::string> value = optionValue(wp, run.wordPressPrefix, name, read);
        if (!read)
            return fail(EmptyingFailure::Reason::StatementFailed, options, serverError());
        const std::int64_t id = value ? leadingInteger(*value) : 0;
        if (id == 0)
            continue;
        bool gone = posts.contains(id);
        if (!gone) {
            ResultSet found = wp.read(reads::postsAt(run.wordPressPrefix, {id}));
            if (!found)
                return fail(EmptyingFailure::Reason::StatementFailed, options, serverError());
            gone = rowCount(found) == 0;
        }
        if (gone) {
            resets.push_back(changes::updateOptionFrom(run.wordPressPrefix, name, *value, "0"));
            frontPageGone = frontPageGone || name == "page_on_front";
        }
    }
    if (frontPageGone)
        resets.push_back(changes::updateOptionFrom(run.wordPressPrefix, "show_on_front", "page", "posts"));

    // One request, one transaction: nothing changed since the backup (checked under lock), then the deletes.
    Exchange exchange;
    exchange.transaction = true;
    std::vector<Operation>& statements = exchange.operations;
    for (const IdSet& set : sets) {
        std::vector<Parameter> parameters = ownedParameters(set.name);
        parameters.emplace_back(static_cast<std::int64_t>(set.ids.size()));
        parameters.emplace_back(std::to_string(set.bits));
        statements.emplace_back(Query("marks_unchanged",
                                      failWhen("COUNT(*) <> " + std::to_string(set.ids.size()) + " OR BIT_XOR(" +
                                                   set.column + ") <> " + std::to_string(set.bits),
                                               "(" + set.select + ") kestrel_marks"),
                                      std::move(parameters)));
    }
    const std::size_t firstCheck = statements.size();
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string condition = tables[i].condition.empty() ? "" : " WHERE " + tables[i].condition;
        std::vector<Parameter> parameters = markedParameters(tables[i], run.wordPressTable(tables[i].bare));
        parameters.emplace_back(static_cast<std::int64_t>(fingerprints[i].rows));
        parameters.emplace_back(std::to_string(fingerprints[i].bits));
        statements.emplace_back(
            Query("rows_unchanged",
                  failWhen(fingerprints[i].differs(), run.wordPressTable(tables[i].bare) + condition) + " FOR UPDATE",
                  std::move(parameters)));
    }
    const std::size_t firstDelete = statements.size();
    for (const MarkedTable& table : tables)
        statements.emplace_back(Change("delete_marked",
                                       "DELETE FROM ?1" + (table.condition.empty() ? "" : " WHERE " + table.condition),
                                       markedParameters(table, run.wordPressTable(table.bare))));
    statements.insert(statements.end(), resets.begin(), resets.end());
    const std::size_t operations = statements.size();
    const ExchangeOutcome outcome =
        wp.send(exchange) ? wp.collect() : ExchangeOutcome{0, false, {}, wp.lastErrorNumber(), wp.lastError()};
    if (outcome.complete)
        return std::nullopt;

    const std::size_t failed = std::min(outcome.done, operations);
    const std::string error = std::to_string(outcome.errorNumber) + " " + outcome.error;
    const bool lost = outcome.errorNumber == CR_SERVER_LOST || outcome.errorNumber == CR_SERVER_GONE_ERROR;
    if (failed < firstDelete && !lost) {
        const std::string where =
            failed < firstCheck ? run.wordPressTable("posts") : run.wordPressTable(tables[failed - firstCheck].bare);
        return fail(EmptyingFailure::Reason::StatementFailed, where,
                    "WordPress changed while its rows were backed up (" + error + "): nothing was deleted; run again");
    }
    // Refused or lost on the way: what stands is asked for, table by table, since a table whose engine takes
    // no part in the transaction keeps its deletes, and a request lost after its COMMIT kept them all.
    bool allGone = true;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string name = run.wordPressTable(tables[i].bare);
        std::int64_t left = -1;
        ResultSet count = wp.read(
            Query("marked_rows_left",
                  "SELECT COUNT(*) FROM ?1" + (tables[i].condition.empty() ? "" : " WHERE " + tables[i].condition),
                  markedParameters(tables[i], name)));
        if (!count || !readField(count, 0, left))
            left = -1;
        const std::int64_t gone = left < 0 ? -1 : static_cast<std::int64_t>(fingerprints[i].rows) - left;
        allGone = allGone && left == 0;
        if (gone != 0)
            failure.deleted.push_back({name, gone});
    }
    if (lost && allGone) {
        // The COMMIT went through; only its answer was lost.
        failure.deleted.clear();
        return std::nullopt;
    }
    if (lost)
        return fail(EmptyingFailure::Reason::SessionLost, "COMMIT", error);
    const std::size_t at = failed - firstDelete;
    return fail(EmptyingFailure::Reason::StatementFailed,
                at < tables.size() ? run.wordPressTable(tables[at].bare) : options, error);
}

} // namespace kestrel
