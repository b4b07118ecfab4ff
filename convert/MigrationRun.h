#pragma once

#include "EmlogRow.h"
#include "FailureLog.h"
#include "Origins.h"
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
class ResultSet;

using std::chrono::milliseconds;

// The WordPress tables a run empties when asked to, in this order. Their meta
// tables follow: every meta row belonged to a row just deleted.
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

// Everything one migration run works with: the two sessions, the table
// prefixes taken when the run started, the window's two outputs, the pacing,
// a way to be asked to stop, and the log of what failed.
struct MigrationRun
{
    MigrationRun(BlogConnection& emlog, BlogConnection& wordPress) : emlog(emlog), wordPress(wordPress) {}

    BlogConnection& emlog;
    BlogConnection& wordPress;
    // When set, emlog's rows come from this backup file, already read once, instead of its server.
    BackupFile* emlogBackup = nullptr;
    std::string emlogPrefix = "emlog_";
    std::string wordPressPrefix = "wp_";
    Pacing pacing;
    std::function<void(const std::string&)> setStatusText = [](const std::string&) {};
    std::function<void(int)> setProgress = [](int) {};
    // Rests for a while; the default waits on the clock and wakes early when a stop is asked for.
    std::function<void(milliseconds, std::stop_token)> sleep;
    std::stop_token stopToken;
    FailureLog failures;
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
    } known;

    bool stopRequested() const { return stopToken.stop_requested(); }
    void pace(milliseconds interval);

    std::string emlogTable(std::string_view bare) const { return emlogPrefix + std::string(bare); }
    std::string wordPressTable(std::string_view bare) const { return wordPressPrefix + std::string(bare); }
};

// p = trunc(i / n * 100.0) in double arithmetic: row 29 of 100 shows 28.
int percentDone(std::int64_t row, std::int64_t rows);

// The shape every migration shares: both sessions switched to Unicode, the
// whole emlog table selected and stored, the opening status text, then for
// each row the caller's work, the pacing and the progress. A failed select is
// logged and the migration ends; a stop request ends it between rows.
struct TableReading
{
    std::string_view migration;   // name in the failure log
    std::string_view table;       // bare emlog table name
    std::string_view openingText; // e.g. "初始化转换博客文章..."
    std::string_view runningText; // e.g. "正在转换博客文章."
    milliseconds pacing{0};       // rest once per row
    // When set, a row comes after the row it names in this column (a reply after
    // the comment it answers, a page after its parent); otherwise the table's order.
    std::string_view idColumn = {};
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
