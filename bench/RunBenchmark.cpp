// A whole generated blog through the six migrations, without pacing: rows, seconds and rows per
// second for each, and the peak memory. Then a smaller blog with the pacing on, against the floor
// its sleeps set. bench_latency compares the run with the mariadb client's replays.
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "MigrationRun.h"
#include "Migrations.h"

#include <cstdio>
#include <thread>
#include <vector>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

struct Timing
{
    const char* name;
    std::int64_t rows = 0;
    double seconds = 0;
};

std::vector<Timing> migrateAll(MigrationRun& run)
{
    std::vector<Timing> timings;
    for (const MigrationStep& step : migrationSteps) {
        const Stopwatch stopwatch;
        step.migrate(run);
        timings.push_back({step.name, run.failures.tally(step.logName).read, stopwatch.seconds()});
    }
    if (!run.failures.empty())
        std::fprintf(stderr, "failures:\n%s", run.failures.details(10).c_str());
    return timings;
}

} // namespace

int main()
{
    const BlogSize size{10000, 50000, 5000, 200, 2000, 100};
    std::printf(
        "generating an emlog blog: %d articles, %d comments, %d attachments, %d categories, %d tags, %d links\n",
        size.articles, size.comments, size.attachments, size.categories, size.tags, size.links);
    makeEmlogBlog("bench_emlog", size);
    installWordPress("bench_wp");

    // The measured run.
    Sessions sessions = openSessions("bench_emlog", "bench_wp");
    MigrationRun measured(sessions.emlog, sessions.wordPress);
    measured.pacing = Pacing::none();
    const Stopwatch total;
    const std::vector<Timing> timings = migrateAll(measured);
    const double ourSeconds = total.seconds();
    const double peakMiB = peakResidentMiB();

    std::printf("\n%-14s %8s %9s %12s\n", "migration", "rows", "seconds", "rows/second");
    for (const Timing& t : timings)
        std::printf("%-14s %8lld %9.2f %12.0f\n", t.name, static_cast<long long>(t.rows), t.seconds,
                    t.seconds > 0 ? t.rows / t.seconds : 0.0);
    std::printf("%-14s %8s %9.2f\n", "all six", "", ourSeconds);
    std::printf("peak resident memory of the run: %.1f MiB\n\n", peakMiB);

    // With the pacing on, a smaller blog: the wall time against the sum of the sleeps.
    const BlogSize paced{1000, 5000, 0, 0, 0, 0};
    makeEmlogBlog("bench_paced_emlog", paced);
    installWordPress("bench_paced_wp");
    Sessions pacedSessions = openSessions("bench_paced_emlog", "bench_paced_wp");
    MigrationRun pacedRun(pacedSessions.emlog, pacedSessions.wordPress);
    double slept = 0;
    pacedRun.sleep = [&slept](milliseconds interval, std::stop_token) {
        slept += std::chrono::duration<double>(interval).count();
        std::this_thread::sleep_for(interval);
    };
    const Stopwatch pacedWall;
    migrateAll(pacedRun);
    const double pacedSeconds = pacedWall.seconds();
    std::printf("with pacing, %d articles and %d comments: %.2f s wall, %.2f s of it asleep (the floor), "
                "%.2f s of work\n\n",
                paced.articles, paced.comments, pacedSeconds, slept, pacedSeconds - slept);
    return 0;
}
