#include "BlogConnection.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Options.h"

namespace kestrel {

void emptyWordPress(MigrationRun& run)
{
    constexpr std::string_view step = "清空";
    auto empty = [&](std::string_view bare) {
        const std::string table = run.wordPressTable(bare);
        if (!deleteRows(run.wordPress, table, ""))
            recordFailure(run, step, table, "");
    };
    for (const std::string_view bare : wordPressTables)
        empty(bare);
    for (const std::string_view bare : wordPressMetaTables)
        empty(bare);
    if (!resetOptionsNamingDeletedPosts(run))
        recordFailure(run, step, run.wordPressTable("options"), "");
}

} // namespace kestrel
