#include "Migrations.h"

namespace kestrel {

// Migrations that are not written yet do nothing.
void migrateCategories(MigrationRun&) {}
void migrateTags(MigrationRun&) {}
void migrateLinks(MigrationRun&) {}

} // namespace kestrel
