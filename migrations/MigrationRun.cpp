#include "MigrationRun.h"

#include "BlogConnection.h"

namespace kestrel {

MigrationRun::MigrationRun(BlogConnection& emlog, BlogConnection& wordPress)
    : RunContext(emlog, wordPress), source(std::make_unique<ServerSource>(*this))
{
}

bool readCopies(MigrationRun& run, std::string_view migration, std::initializer_list<const OriginKey*> keys)
{
    for (const OriginKey* key : keys) {
        if (!run.state.readCopies(run, migration, *key))
            return false;
    }
    return true;
}

void unreadableEmlog(MigrationRun& run, std::string_view migration, std::string_view table)
{
    run.failures.tally(migration).unreadable = true;
    const std::string why = run.source->lastError();
    run.failures.record(migration, run.source->tableName(table), "", why);
}

} // namespace kestrel
