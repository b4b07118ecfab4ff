// How the tags migration grows with the number of tags: it should be linear.
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "WordPressSession.h"

#include <cstdio>
#include <cstdlib>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

// Seconds the tags migration takes for `count` tags of five articles each, after 20 categories, as
// in a whole run: the articles (as many as the tags) come next and link their tags themselves.
double timeTags(int count)
{
    const std::string emlogName = "bench_tags_emlog_" + std::to_string(count);
    const std::string wordPressName = "bench_tags_wp_" + std::to_string(count);
    recreateDatabase(emlogName);
    installWordPress(wordPressName);

    MysqlSession emlog = connect(emlogName);
    createEmlogTables(emlog);
    generateBlog(emlog, {count, 0, 0, 20, count, 0});

    MysqlSession wordPress = connect(wordPressName);
    useWordPressSqlMode(wordPress);
    emptyWordPressTables(wordPress);

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

// Usage: bench_tags [SMALL LARGE]   (tag counts, 500 and 5000 unless given)
int main(int argc, char* argv[])
{
    const int small = argc > 2 ? std::atoi(argv[1]) : 500;
    const int large = argc > 2 ? std::atoi(argv[2]) : 5000;
    const double smallSeconds = timeTags(small);
    const double largeSeconds = timeTags(large);
    std::printf("%-28s %8s %10s %12s\n", "tags migration", "tags", "seconds", "tags/second");
    std::printf("%-28s %8d %10.3f %12.0f\n", "", small, smallSeconds, small / smallSeconds);
    std::printf("%-28s %8d %10.3f %12.0f\n", "", large, largeSeconds, large / largeSeconds);
    std::printf("time ratio %d/%d tags: %.2f (linear growth gives %.0f)\n", large, small, largeSeconds / smallSeconds,
                static_cast<double>(large) / small);
    return 0;
}
