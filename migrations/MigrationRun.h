#pragma once

#include "BlogAddresses.h"
#include "EmlogSource.h"
#include "RunContext.h"
#include "ServerSource.h"
#include "TimeZones.h"
#include "Users.h"
#include "WordPressState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kestrel {

class CopiedFiles;

// A run of the migrations: the run's context, where emlog's rows come from, what WordPress
// holds, the choices that shape the copy, and what one migration leaves for the next.
struct MigrationRun : RunContext
{
    // emlog's rows come from its server, unless the run is given another source (a backup file).
    MigrationRun(Session& emlog, Session& wordPress);

    std::unique_ptr<EmlogSource> source;
    WordPressState state;

    // Local times go into WordPress in its own zone as it is, instead of WordPress taking emlog's.
    bool keepWordPressTimeZone = false;
    // WordPress keeps its own name and settings (and icon and logo) instead of taking emlog's.
    bool keepWordPressSettings = false;
    // Where a file under the old blog's content/ folder is now (its path there, e.g.
    // "content/uploadfile/a.jpg"); unset, or nothing given, keeps the old blog's address.
    std::function<std::optional<std::string>(std::string_view path)> contentAddress;
    // The blog's files as copied before the rows that name them; none when no files were asked for.
    const CopiedFiles* files = nullptr;
    // The name the blog's menu gets in WordPress, in the words of whoever started the run.
    std::string menuName = "emlog";
    // The label of the home page's item of a menu made of emlog's navibar, which its templates showed first.
    std::string homeLabel = "Home";

    // What a migration learnt that a later one uses.
    struct Handoffs
    {
        std::optional<Authors> authors;            // after the users
        std::optional<std::int64_t> largestPostId; // after the articles: of every post
        std::optional<std::int64_t> largestGid;    // of every emlog article
        // emlog's side: the tags each article carries, as the tags migration read them.
        std::optional<std::unordered_map<std::int64_t, std::vector<std::int64_t>>> tagsByArticle;
        std::optional<TimeZone> localZone; // the zone local times are written in
        std::string wordPressHome;         // WordPress's home, as the links into the blog read it; or empty
        // emlog's article ids, as the tags migration read them: a row that names an article emlog no
        // longer has is told from one whose article did not arrive.
        std::optional<std::unordered_set<std::int64_t>> articlesInEmlog;
        std::optional<bool> commentsClosed;       // emlog closed comments on every article (iscomment)
        std::optional<BlogAddressing> addressing; // how the old blog wrote its addresses (see Addresses.h)
    } handoffs;
};

// Why a row cannot name article `gid`, which WordPress does not have: emlog no longer has it, or it
// did not arrive.
Why missingArticle(const MigrationRun& run, std::int64_t gid);

// Reads the parts of WordPress a migration needs before its first row: the copies of each kind
// given, after taking away, where the tables cannot undo a row, origins whose rows are gone. False
// when that fails; the migration then writes nothing.
bool readCopies(MigrationRun& run, std::string_view migration, std::initializer_list<const OriginKey*> keys);

// Reads ahead, several to an exchange, what a migration asks WordPress before its first row (see
// readAheadOfWordPress()): the copies of the kinds given not read yet, then `selects`. Copies only where the
// tables can undo a row: elsewhere the orphaned origins are deleted first, which would drop what was read.
// While those are on their way, emlog's `reads` are read ahead too.
void readAheadOfMigration(MigrationRun& run, std::initializer_list<const OriginKey*> keys,
                          std::vector<Query> selects = {}, const std::vector<EmlogRead>& reads = {});

// Records that a read of emlog's table failed, with the emlog session's last error or the file's,
// and marks the migration unreadable.
void unreadableEmlog(MigrationRun& run, std::string_view migration, std::string_view table);

} // namespace kestrel
