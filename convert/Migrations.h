#pragma once

namespace kestrel {

struct MigrationRun;

// The six migrations, called in this order by a run. Each reads one emlog
// table and writes its rows into WordPress.
void migratePosts(MigrationRun& run);
void migrateComments(MigrationRun& run);
void migrateAttachments(MigrationRun& run);
void migrateCategories(MigrationRun& run);
void migrateTags(MigrationRun& run);
void migrateLinks(MigrationRun& run);

} // namespace kestrel
