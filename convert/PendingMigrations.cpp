#include "Migrations.h"

namespace kestrel {

// Migrations that are not written yet do nothing.
void migratePosts(MigrationRun&) {}
void migrateComments(MigrationRun&) {}
void migrateAttachments(MigrationRun&) {}
void migrateCategories(MigrationRun&) {}
void migrateTags(MigrationRun&) {}
void migrateLinks(MigrationRun&) {}

} // namespace kestrel
