// A generated blog of about 200 MB as a mariadb-dump file, read by a run without a server: its time and
// peak memory, against loading the same file into MariaDB with the mariadb client and running from there.
// The reading alone (both passes, nothing written) is what stands in for the load; the rest of a run
// is the same from a file as from a server. Each run is a process of its own, so that each peak
// resident memory is its own. Then the run from the server again: with every article under one
// title, and with a blog twice the size, against the first.
#include "BackupFile.h"
#include "BackupSource.h"
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "MigrationRun.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

std::string client(const std::string& program)
{
    return program + " --host=" + server().host + " --port=" + std::to_string(server().port) + " --user=root ";
}

void shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        fail("failed: " + command);
}

// One whole run into WordPress, from the backup file when one is given, and its figures on one line.
int runOnce(const std::string& what, const std::string& emlogDatabase, const std::string& backupPath)
{
    installWordPress("bench_backup_wp");
    // From a backup file emlog's session is never read: any database of the server stands in for it.
    Sessions sessions = openSessions(backupPath.empty() ? emlogDatabase : "bench_backup_wp", "bench_backup_wp");
    MigrationRun run(sessions.emlog, sessions.wordPress);
    run.pacing = Pacing::none();
    const Stopwatch stopwatch;
    BackupFile backup;
    double firstPass = 0;
    if (!backupPath.empty()) {
        auto source = std::make_unique<BackupSource>(run, backup);
        if (!source->open(backupPath, false))
            fail("the backup file could not be read: problem " +
                 std::to_string(static_cast<int>(backup.problem().what)));
        run.source = std::move(source);
        firstPass = stopwatch.seconds();
    }
    std::int64_t rows = 0;
    for (const MigrationStep& step : migrationSteps) {
        step.migrate(run);
        rows += run.failures.tally(step.name).read;
    }
    const double seconds = stopwatch.seconds();
    if (!run.failures.empty())
        std::fprintf(stderr, "failures:\n%s", run.failures.details(10).c_str());
    std::printf("%-34s %9.2f s  %8lld rows  peak RSS %6.1f MiB", what.c_str(), seconds, static_cast<long long>(rows),
                peakResidentMiB());
    if (!backupPath.empty())
        std::printf("  (first pass over the file %.2f s)", firstPass);
    std::printf("\n");
    // For the parent, which compares the runs.
    std::fprintf(stderr, "figures %.3f %.3f\n", seconds, peakResidentMiB());
    std::fflush(stdout);
    return 0;
}

struct Figures
{
    double seconds = 0;
    double peakMiB = 0;
};

// A run in a process of its own; its figures as it gives them.
Figures runChild(const std::string& command)
{
    const std::string figuresPath = std::string(KESTREL_BINARY_DIR) + "/bench-backup-figures.txt";
    shell(command + " 2> " + figuresPath);
    Figures figures;
    if (FILE* file = std::fopen(figuresPath.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, file)) {
            if (std::sscanf(line, "figures %lf %lf", &figures.seconds, &figures.peakMiB) != 2)
                std::fputs(line, stderr);
        }
        std::fclose(file);
    }
    std::remove(figuresPath.c_str());
    return figures;
}

// The blog of this size in `database`, its articles' text repeated to bring it to about 200 MB.
void makeBlog(const std::string& database, const BlogSize& size)
{
    makeEmlogBlog(database, size);
    MysqlSession source = connect(database);
    run(source, "UPDATE emlog_blog SET content=REPEAT(content, 5)");
}

// The reading alone: the first pass, then every table's rows once, as a run reads them, with nothing written.
int readOnce(const std::string& backupPath)
{
    const Stopwatch stopwatch;
    BackupFile backup;
    if (!backup.open(backupPath, "emlog_", false))
        fail("the backup file could not be read: problem " + std::to_string(static_cast<int>(backup.problem().what)));
    const double firstPass = stopwatch.seconds();
    std::int64_t rows = 0;
    for (const BackupTable& table : backup.tables()) {
        if (!backup.forEachRow(table, [&](const BackupRow&) { return ++rows, true; }))
            fail("the backup file could not be read: problem " +
                 std::to_string(static_cast<int>(backup.problem().what)));
    }
    std::printf("%-34s %9.2f s  %8lld rows  peak RSS %6.1f MiB  (first pass over the file %.2f s)\n",
                "the file read alone, both passes", stopwatch.seconds(), static_cast<long long>(rows),
                peakResidentMiB(), firstPass);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--from-backup")
        return runOnce("run from the backup file", "", argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--read-only")
        return readOnce(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--from-server")
        return runOnce("run from the loaded server", argv[2], "");

    // 20,000 articles and 200,000 comments; the articles' text repeated to bring the file to about 200 MB.
    const BlogSize size{20000, 200000, 5000, 200, 2000, 100};
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const BlogSize scaled{static_cast<int>(size.articles * scale),
                          static_cast<int>(size.comments * scale),
                          static_cast<int>(size.attachments * scale),
                          size.categories,
                          size.tags,
                          size.links};
    std::printf("generating an emlog blog: %d articles, %d comments, %d attachments\n", scaled.articles,
                scaled.comments, scaled.attachments);
    makeBlog("bench_backup_source", scaled);

    const std::string path = std::string(KESTREL_BINARY_DIR) + "/bench-backup.sql";
    shell(client("mariadb-dump") + "bench_backup_source > " + path);
    std::printf("mariadb-dump file: %.1f MB\n\n", static_cast<double>(std::filesystem::file_size(path)) / 1e6);

    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    shell(self + " --read-only " + path);
    runChild(self + " --from-backup bench_backup_wp " + path);

    recreateDatabase("bench_backup_loaded");
    const Stopwatch load;
    shell(client("mariadb") + "bench_backup_loaded < " + path);
    const double loadSeconds = load.seconds();
    std::printf("%-34s %9.2f s\n", "mariadb < file (the load alone)", loadSeconds);
    std::fflush(stdout);
    const Figures fromServer = runChild(self + " --from-server bench_backup_loaded bench_backup_wp");
    if (!std::getenv("KESTREL_BENCH_KEEP_FILE"))
        std::remove(path.c_str());

    // Every article under one title: each slug takes the next number of the one base.
    MysqlSession loaded = connect("bench_backup_loaded");
    run(loaded, "UPDATE emlog_blog SET title='同一个标题 the same title'");
    std::printf("\nevery article titled the same:\n");
    std::fflush(stdout);
    const Figures sameTitle = runChild(self + " --from-server bench_backup_loaded bench_backup_wp");

    const BlogSize doubled{scaled.articles * 2, scaled.comments * 2, scaled.attachments * 2,
                           scaled.categories,   scaled.tags,         scaled.links};
    std::printf("\nthe blog doubled: %d articles, %d comments, %d attachments\n", doubled.articles, doubled.comments,
                doubled.attachments);
    std::fflush(stdout);
    makeBlog("bench_backup_double", doubled);
    const Figures twice = runChild(self + " --from-server bench_backup_double bench_backup_wp");

    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("\nfrom the server        %9s %12s\n", "seconds", "peak RSS");
    std::printf("the blog               %9.2f %8.1f MiB\n", fromServer.seconds, fromServer.peakMiB);
    std::printf("one title for all      %9.2f %8.1f MiB   time x%.2f\n", sameTitle.seconds, sameTitle.peakMiB,
                ratio(sameTitle.seconds, fromServer.seconds));
    std::printf("the blog doubled       %9.2f %8.1f MiB   time x%.2f, peak x%.2f\n", twice.seconds, twice.peakMiB,
                ratio(twice.seconds, fromServer.seconds), ratio(twice.peakMiB, fromServer.peakMiB));
    return 0;
}
