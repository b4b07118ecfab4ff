// How the tags migration grows with the number of tags: it should be linear.
#include "BenchSupport.h"
#include "Migrations.h"
#include "MigrationRun.h"
#include "Sessions.h"

#include <cstdio>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

// Seconds the tags migration takes for `count` tags of three articles each, after 20 categories.
double timeTags(int count)
{
    const std::string emlogName = "bench_tags_emlog_" + std::to_string(count);
    const std::string wordPressName = "bench_tags_wp_" + std::to_string(count);
    recreateDatabase(emlogName);
    installWordPress(wordPressName);

    BlogConnection emlog = connect(emlogName);
    createEmlogTables(emlog);
    std::string values;
    for (int tid = 1; tid <= count; ++tid) {
        values += (values.empty() ? "" : ",") + std::string("(") + std::to_string(tid) + ",'tag " +
                  std::to_string(tid) + "','," + std::to_string(tid % 97 + 1) + "," + std::to_string(tid % 89 + 100) +
                  "," + std::to_string(tid % 83 + 200) + ",')";
        if (tid % 1000 == 0 || tid == count) {
            run(emlog, "INSERT INTO emlog_tag (tid, tagname, gid) VALUES " + values);
            values.clear();
        }
    }
    for (int sid = 1; sid <= 20; ++sid)
        run(emlog, "INSERT INTO emlog_sort SET sid=" + std::to_string(sid) + ",sortname='c" + std::to_string(sid) +
                       "',description=''");

    BlogConnection wordPress = connect(wordPressName);
    useWordPressSqlMode(wordPress);
    for (const char* bare : {"posts", "terms", "term_relationships", "term_taxonomy"})
        run(wordPress, std::string("DELETE FROM wp_") + bare);

    MigrationRun migration(emlog, wordPress);
    migration.pacing = Pacing::none();
    migrateCategories(migration);
    const Stopwatch stopwatch;
    migrateTags(migration);
    const double seconds = stopwatch.seconds();
    if (!migration.failures.empty())
        std::fprintf(stderr, "failures:\n%s", migration.failures.details(10).c_str());
    return seconds;
}

} // namespace

int main()
{
    const int small = 500;
    const int large = 5000;
    const double smallSeconds = timeTags(small);
    const double largeSeconds = timeTags(large);
    std::printf("%-28s %8s %10s %12s\n", "tags migration", "tags", "seconds", "tags/second");
    std::printf("%-28s %8d %10.3f %12.0f\n", "", small, smallSeconds, small / smallSeconds);
    std::printf("%-28s %8d %10.3f %12.0f\n", "", large, largeSeconds, large / largeSeconds);
    std::printf("time ratio %d/%d tags: %.2f (linear growth gives %.0f)\n", large, small, largeSeconds / smallSeconds,
                static_cast<double>(large) / small);
    return 0;
}
