#include "Assignments.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"
#include "Terms.h"
#include "TextHelpers.h"

#include <vector>

namespace kestrel {

void migrateCategories(MigrationRun& run)
{
    constexpr std::string_view migration = "分类";
    std::int64_t sid = 0;
    std::int64_t parent = 0; // emlog 5 and later keep a category's parent; older tables have none
    std::string name;
    std::vector<std::int64_t> written;
    forEachRow(run, {migration, "sort", "初始化转换分类...", "正在转换分类."}, [&](const ResultSet& rows) {
        readField(rows, "sid", sid);
        readField(rows, "sortname", name);
        readField(rows, "pid", parent);
        run.pace(run.pacing.categories);

        const std::string source = "sid=" + std::to_string(sid);
        Assignments term(run.wordPress);
        term.add("term_id", sid).add("name", name).add("slug", encodeSlugWithin(name, slugColumnLength));
        const bool termWritten = writeRow(run, migration, "terms", source, term.text());

        Assignments taxonomy(run.wordPress);
        taxonomy.add("term_taxonomy_id", sid).add("term_id", sid).add("taxonomy", "category");
        if (parent != 0)
            taxonomy.add("parent", parent);
        const bool taxonomyWritten = writeRow(run, migration, "term_taxonomy", source, taxonomy.text());
        if (taxonomyWritten)
            written.push_back(sid);
        return termWritten && taxonomyWritten;
    });
    recountTerms(run, migration, written);
}

} // namespace kestrel
