#pragma once

#include "FailureLog.h"
#include "Kinds.h"
#include "Session.h"

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
    milliseconds navigation{15};
    milliseconds widgets{15};

    static Pacing none()
    {
        return {milliseconds{0}, milliseconds{0}, milliseconds{0}, milliseconds{0}, milliseconds{0},
                milliseconds{0}, milliseconds{0}, milliseconds{0}, milliseconds{0}};
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

// What every part of a run works with: the two sessions, the table prefixes taken when the run
// started, where it tells how it goes, the pacing, a way to be asked to stop, and the log of what
// failed. What the run reads of either blog is kept by the parts that read it, not here.
struct RunContext
{
    RunContext(Session& emlog, Session& wordPress) : emlog(emlog), wordPress(wordPress) {}

    Session& emlog;
    Session& wordPress;
    std::string emlogPrefix = "emlog_";
    std::string wordPressPrefix = "wp_";
    Pacing pacing;
    std::function<void(const RunEvent&)> tell = [](const RunEvent&) {};
    // Rests for a while; the default waits on the clock and wakes early when a stop is asked for.
    std::function<void(milliseconds, std::stop_token)> sleep;
    // The time now in Unix seconds, as now() tells it: the system's clock unless set.
    std::function<std::int64_t()> clock;
    std::stop_token stopToken;
    FailureLog failures;

    bool stopRequested() const { return stopToken.stop_requested(); }
    void pace(milliseconds interval);
    // The time now, in Unix seconds: what a row made by the run is dated, and whether an article emlog held
    // back is still to come. The one way a migration reads the clock.
    std::int64_t now() const;

    std::string emlogTable(std::string_view bare) const { return emlogPrefix + std::string(bare); }
    std::string wordPressTable(std::string_view bare) const { return wordPressPrefix + std::string(bare); }
};

// p = trunc(i / n * 100.0) in double arithmetic: row 29 of 100 shows 28.
int percentDone(std::int64_t row, std::int64_t rows);

// Records the last error of the WordPress session as a failure.
void recordFailure(RunContext& run, std::string_view migration, std::string_view table, std::string_view sourceId);

} // namespace kestrel
