// A whole generated blog through the six migrations, without pacing: rows, seconds and rows per
// second for each, the peak memory, and the same INSERT statements replayed by the mariadb
// command-line client for comparison. Then a smaller blog with the pacing on, against the floor
// its sleeps set.
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"
#include "Sessions.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
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

// The inserts a session sent, from the server's general log, as a script for the mariadb client.
void writeReplayScript(unsigned long threadId, const std::string& path)
{
    BlogConnection admin = connect();
    run(admin, "SELECT argument FROM mysql.general_log WHERE thread_id=" + std::to_string(threadId) +
                   " AND command_type='Query' AND argument LIKE 'insert%'");
    ResultSet statements = storeResult(admin);
    std::ofstream script(path, std::ios::binary);
    script << "SET NAMES utf8mb4;\nSET SESSION sql_mode='ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,"
              "NO_ENGINE_SUBSTITUTION';\n";
    std::string statement;
    for (std::uint64_t i = 0; i < rowCount(statements); ++i, nextRow(statements)) {
        readField(statements, 0, statement);
        script << statement << ";\n";
    }
    std::printf("replay script: %llu inserts\n", static_cast<unsigned long long>(rowCount(statements)));
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
    openSessions("bench_emlog", "bench_wp");
    MigrationRun measured(emlogSession(), wordPressSession());
    measured.pacing = Pacing::none();
    const Stopwatch total;
    const std::vector<Timing> timings = migrateAll(measured);
    const double ourSeconds = total.seconds();
    const double peakMiB = peakResidentMiB();
    closeSessions();

    std::printf("\n%-14s %8s %9s %12s\n", "migration", "rows", "seconds", "rows/second");
    for (const Timing& t : timings)
        std::printf("%-14s %8lld %9.2f %12.0f\n", t.name, static_cast<long long>(t.rows), t.seconds,
                    t.seconds > 0 ? t.rows / t.seconds : 0.0);
    std::printf("%-14s %8s %9.2f\n", "all six", "", ourSeconds);
    std::printf("peak resident memory of the run: %.1f MiB\n\n", peakMiB);

    // The same inserts, captured from the server's general log on a second run...
    installWordPress("bench_wp_logged");
    BlogConnection admin = connect();
    run(admin, "TRUNCATE mysql.general_log");
    run(admin, "SET GLOBAL log_output='TABLE'");
    run(admin, "SET GLOBAL general_log=ON");
    openSessions("bench_emlog", "bench_wp_logged");
    const unsigned long threadId = mysql_thread_id(wordPressSession().handle());
    {
        MigrationRun logged(emlogSession(), wordPressSession());
        logged.pacing = Pacing::none();
        migrateAll(logged);
    }
    closeSessions();
    run(admin, "SET GLOBAL general_log=OFF");
    const std::string script = std::string(KESTREL_BINARY_DIR) + "/bench/replay.sql";
    writeReplayScript(threadId, script);
    run(admin, "TRUNCATE mysql.general_log");

    // ...replayed by the mariadb client over one connection into an emptied WordPress.
    installWordPress("bench_wp_replay");
    BlogConnection replayTarget = connect("bench_wp_replay");
    emptyWordPressTables(replayTarget);
    const Stopwatch replay;
    const std::string command = "mariadb --no-defaults -h127.0.0.1 -P" + std::to_string(server().port) +
                                " -uroot bench_wp_replay < '" + script + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "the replay failed\n");
        return 1;
    }
    const double clientSeconds = replay.seconds();
    std::printf("mariadb client replaying the same inserts: %.2f s\n\n", clientSeconds);

    // With the pacing on, a smaller blog: the wall time against the sum of the sleeps.
    const BlogSize paced{1000, 5000, 0, 0, 0, 0};
    makeEmlogBlog("bench_paced_emlog", paced);
    installWordPress("bench_paced_wp");
    openSessions("bench_paced_emlog", "bench_paced_wp");
    MigrationRun pacedRun(emlogSession(), wordPressSession());
    double slept = 0;
    pacedRun.sleep = [&slept](milliseconds interval, std::stop_token) {
        slept += std::chrono::duration<double>(interval).count();
        std::this_thread::sleep_for(interval);
    };
    const Stopwatch pacedWall;
    migrateAll(pacedRun);
    const double pacedSeconds = pacedWall.seconds();
    closeSessions();
    std::printf("with pacing, %d articles and %d comments: %.2f s wall, %.2f s of it asleep (the floor), "
                "%.2f s of work\n\n",
                paced.articles, paced.comments, pacedSeconds, slept, pacedSeconds - slept);

    std::printf("our time / the client's time for the same inserts: %.2f\n", ourSeconds / clientSeconds);
    return 0;
}
