#pragma once

namespace kestrel {

struct MigrationRun;
struct EmptyingPlan;

// The migrations, called in this order by a run. Each reads one emlog table
// and writes its rows into WordPress; a row an earlier run copied is left as
// it is. Terms come before the articles, so that each article arrives with
// its category and tag links.
void migrateUsers(MigrationRun& run);
void migrateCategories(MigrationRun& run);
void migrateTags(MigrationRun& run);
void migratePosts(MigrationRun& run);
void migrateComments(MigrationRun& run);
void migrateAttachments(MigrationRun& run);
void migrateLinks(MigrationRun& run);
// Not a migration of rows: WordPress takes emlog's time zone before any time is written.
void settleTimeZone(MigrationRun& run);

inline constexpr void (*allMigrations[])(MigrationRun&) = {settleTimeZone,     migrateUsers, migrateCategories,
                                                           migrateTags,        migratePosts, migrateComments,
                                                           migrateAttachments, migrateLinks};

// Deletes what the plan counted, only what a copy of a blog owns, after writing every row it
// deletes into the plan's backup file, all in one transaction; and resets the options that
// named deleted posts. Users are never emptied. False when nothing was deleted (the run's
// log says why); the plan's counts are then what was deleted.
bool emptyWordPress(MigrationRun& run, EmptyingPlan& plan);

} // namespace kestrel
