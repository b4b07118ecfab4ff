#pragma once

#include "BackupProblem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

class BackupFile;
class Session;

// What a run would meet, found without writing anything: the tables of both
// blogs, emlog's version, and the rows of WordPress that a run would keep
// clear of. Plain data, so that the command line and the window can show it.
struct CheckSettings
{
    std::string emlogPrefix = "emlog_";
    std::string wordPressPrefix = "wp_";
    bool emptyWordPressFirst = false;
};

struct CheckedTable
{
    std::string name; // with its prefix
    bool required = true;
    bool present = false;
    std::int64_t rows = -1; // counted for emlog's tables only
    std::string charset;    // of the table's collation
};

struct BlogTables
{
    std::vector<CheckedTable> tables;
    // When a required table is missing: another prefix under which the database has them all.
    std::string fittingPrefix;

    bool complete() const;
    const CheckedTable* find(const std::string& name) const;
};

// An emlog row whose id WordPress already uses for a row of its own: the run gives it a free id.
struct TakenId
{
    std::int64_t id = 0;
    std::string wordPressType; // post_type, taxonomy, or "link"
    std::string title;
};

// One kind of row, by the id the run gives it ("posts").
struct KindCheck
{
    std::string kind;
    std::string idColumn; // emlog's: gid, sid, id...
    std::int64_t rows = 0;
    std::int64_t alreadyThere = 0; // copied by an earlier run: left as they are
    std::vector<TakenId> taken;
    bool emptiedFirst = false; // WordPress's rows of this kind go before the run
};

struct OversizedRow
{
    std::string table;
    std::string idColumn;
    std::int64_t id = 0;
    std::uint64_t bytes = 0;
};

struct TableRows
{
    std::string table;
    std::int64_t rows = 0;
};

struct BlogCheckReport
{
    // "2.x" (which a run refuses), "3.x", "4.x", "5.x", "6.x" or "pro"; empty when its articles table is missing
    std::string emlogVersion;
    BlogTables emlog;
    std::string wordPressDatabaseVersion; // the option db_version
    // The zones the blogs show their times in, as a person reads them: "Asia/Shanghai", "UTC+8".
    std::string emlogTimeZone;
    std::string wordPressTimeZone; // empty when its options cannot be read
    BlogTables wordPress;
    std::vector<KindCheck> kinds;
    std::vector<TableRows> emptiedFirst; // what emptying WordPress first would delete
    std::uint64_t emlogMaxPacket = 0;    // each server's max_allowed_packet
    std::uint64_t wordPressMaxPacket = 0;
    std::vector<OversizedRow> oversized;     // rows at least as large as the smaller of the two
    std::vector<std::string> errors;         // statements the check could not run, with the server's answer
    std::vector<BackupProblem> backupErrors; // why the emlog backup file could no longer be read

    bool runCanGoAhead() const
    {
        return emlog.complete() && wordPress.complete() && errors.empty() && backupErrors.empty();
    }
};

// Reads both blogs; sends only selects. Both sessions must be open, or only WordPress's
// when emlog is a backup file, read once already.
BlogCheckReport checkBlogs(Session& emlog, Session& wordPress, const CheckSettings& settings,
                           BackupFile* emlogBackup = nullptr);

} // namespace kestrel
