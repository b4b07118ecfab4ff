#include "BlogConnection.h"
#include "Kinds.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"

namespace kestrel {

void emptyWordPress(MigrationRun& run)
{
    constexpr std::string_view emptying = step::emptying;
    auto empty = [&](std::string_view bare) {
        const std::string table = run.wordPressTable(bare);
        if (!deleteRows(run.wordPress, table, ""))
            recordFailure(run, emptying, table, "");
    };
    for (const std::string_view bare : wordPressTables)
        empty(bare);
    for (const std::string_view bare : wordPressMetaTables)
        empty(bare);
    if (!resetOptionsNamingDeletedPosts(run))
        recordFailure(run, emptying, run.wordPressTable("options"), "");
}

} // namespace kestrel
