#include "Assignments.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"

namespace kestrel {

void migrateLinks(MigrationRun& run)
{
    constexpr std::string_view migration = "友情链接";
    std::int64_t id = 0;
    std::string url;
    std::string name;
    std::string description;
    std::string hide = "n";
    forEachRow(run, {migration, "link", "初始化转换友情链接...", "正在转换友情链接."}, [&](const ResultSet& rows) {
        readField(rows, "id", id);
        readField(rows, "siteurl", url);
        readField(rows, "sitename", name);
        readField(rows, "description", description);
        readField(rows, "hide", hide);

        Assignments link(run.wordPress);
        link.add("link_id", id).add("link_url", url).add("link_name", name).add("link_description", description);
        // A link the blogger hid stays hidden.
        if (hide == "y")
            link.add("link_visible", "N");
        const bool written = writeRow(run, migration, "links", "id=" + std::to_string(id), link.text());
        run.pace(run.pacing.links);
        return written;
    });
}

} // namespace kestrel
