#pragma once

#include "BackupProblem.h"
#include "EmlogRow.h"
#include "FailureLog.h"
#include "Kinds.h"
#include "Origins.h"
#include "TimeZones.h"
#include "Users.h"

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kestrel {

class BackupFile;
class BlogConnection;
class CopiedFiles;
class ResultSet;

using std::chrono::milliseconds;

// The WordPress tables emptying first takes rows from (only the blog's: EmptyingPlan.h),
// with their meta tables.
inline constexpr std::string_view wordPressTables[] = {"comments",           "posts",         "terms",
                                                       "term_relationships", "term_taxonomy", "links"};
inline constexpr std::string_view wordPressMetaTables[] = {"postmeta", "commentmeta", "termmeta"};
// Every WordPress table a run writes rows into. Users are never emptied.
inline constexpr std::string_view wordPressTablesWritten[] = {
    "posts",         "postmeta",           "comments", "commentmeta", "terms",   "termmeta",
    "term_taxonomy", "term_relationships", "links",    "users",       "usermeta"};

// How long a run rests: once after emptying the WordPress tables, and once per
// emlog row in each migration, so as not to flood a small shared server.
struct Pacing
{
    milliseconds afterEmptying{500};
    milliseconds posts{15};
    milliseconds comments{15};
    milliseconds attachments{10};
    milliseconds categories{30};
    milliseconds tags{10};
    milliseconds links{15};

    static Pacing none()
    {
        return {milliseconds{0}, milliseconds{0}, milliseconds{0}, milliseconds{0},
                milliseconds{0}, milliseconds{0}, milliseconds{0}};
    }
};

// What a run tells whoever started it, as it goes: numbers and kinds, never texts, which the
// window and the terminal make of them.
struct RunEvent
{
    enum class What {
        Reading,       // a kind's emlog table is being read
        Row,           // `done` of the kind's `total` rows are through
        Reconnecting,  // a lost session is being opened again: `attempt` from 1
        Files,         // `done` of the blog's `total` files are through
        ReadingBackup, // emlog's backup file is being read once through, before the migrations: `done`
                       // of `total` bytes, when known
    };
    What what = What::Row;
    Kind kind = Kind::users;
    std::int64_t done = 0;
    std::int64_t total = 0;
    bool wordPress = false; // Reconnecting: which blog's session
    int attempt = 0;
};

// Everything one migration run works with: the two sessions, the table
// prefixes taken when the run started, where it tells how it goes, the pacing,
// a way to be asked to stop, and the log of what failed.
struct MigrationRun
{
    MigrationRun(BlogConnection& emlog, BlogConnection& wordPress) : emlog(emlog), wordPress(wordPress) {}

    BlogConnection& emlog;
    BlogConnection& wordPress;
    // When set, emlog's rows come from this backup file, already read once, instead of its server.
    BackupFile* emlogBackup = nullptr;
    // The front end's words for why the backup file could not be read, and where one read anyway stopped.
    std::function<std::string(const BackupProblem&)> backupProblemText;
    std::function<std::string(const BackupCut&)> backupCutText;
    std::string emlogPrefix = "emlog_";
    std::string wordPressPrefix = "wp_";
    Pacing pacing;
    std::function<void(const RunEvent&)> tell = [](const RunEvent&) {};
    // Local times go into WordPress in its own zone as it is, instead of WordPress taking emlog's.
    bool keepWordPressTimeZone = false;
    // Where a file under the old blog's content/ folder is now (its path there, e.g.
    // "content/uploadfile/a.jpg"); unset, or nothing given, keeps the old blog's address.
    std::function<std::optional<std::string>(std::string_view path)> contentAddress;
    // Rests for a while; the default waits on the clock and wakes early when a stop is asked for.
    std::function<void(milliseconds, std::stop_token)> sleep;
    std::stop_token stopToken;
    FailureLog failures;
    // The blog's files as copied before the rows that name them; none when no files were asked for.
    const CopiedFiles* files = nullptr;
    // Per WordPress table and column list, how many "no default value" warnings a
    // row raises on its own: WordPress's tables have NOT NULL columns without
    // defaults that the server fills in. Only warnings beyond those are asked for.
    std::unordered_map<std::string, unsigned> expectedWarnings;
    // Whether the WordPress tables can undo a row (InnoDB); asked once.
    std::optional<bool> transactional;
    // What the run knows of WordPress: asked once, and kept up to date with what the run
    // writes, on the understanding that nothing else writes WordPress meanwhile.
    struct Known
    {
        std::unordered_map<std::string_view, Copies> copies; // by origin key
        std::optional<Authors> authors;
        std::optional<std::unordered_set<std::string>> postNames;
        std::optional<std::unordered_set<std::int64_t>> termIds; // taken by terms, taxonomies or links
        std::optional<std::int64_t> largestPostId;               // after the articles: of every post
        std::optional<std::int64_t> largestGid;                  // of every emlog article
        // emlog's side: the tags each article carries, as the tags migration read them.
        std::optional<std::unordered_map<std::int64_t, std::vector<std::int64_t>>> tagsByArticle;
        std::optional<bool> hasUserTable;
        std::optional<TimeZone> localZone; // the zone local times are written in
    } known;

    bool stopRequested() const { return stopToken.stop_requested(); }
    void pace(milliseconds interval);

    std::string emlogTable(std::string_view bare) const { return emlogPrefix + std::string(bare); }
    std::string wordPressTable(std::string_view bare) const { return wordPressPrefix + std::string(bare); }
};

// p = trunc(i / n * 100.0) in double arithmetic: row 29 of 100 shows 28.
int percentDone(std::int64_t row, std::int64_t rows);

// The shape every migration shares: both sessions switched to Unicode, the
// whole emlog table of a kind selected and stored, then for each row the
// caller's work, the pacing and the progress. A failed select is logged and
// the migration ends; a stop request ends it between rows.
struct TableReading
{
    Kind kind;
    milliseconds pacing{0}; // rest once per row
    // When set, a row comes after the row it names in this column (a reply after
    // the comment it answers, a page after its parent); otherwise the table's order.
    std::string_view parentColumn = {};
};
// False when the table could not be read.
bool forEachRow(MigrationRun& run, const TableReading& reading, const std::function<void(const EmlogRow&)>& work);

// One column of every row of an emlog table, with each row's id: nothing when it cannot be read.
using EmlogValues = std::vector<std::pair<std::int64_t, std::string>>;
std::optional<EmlogValues> readEmlogColumns(MigrationRun& run, std::string_view table, std::string_view idColumn,
                                            std::string_view column);

// Records the last error of the WordPress session as a failure.
void recordFailure(MigrationRun& run, std::string_view migration, std::string_view table, std::string_view sourceId);

} // namespace kestrel
