#pragma once

#include "SessionSql.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kestrel {
struct MigrationRun;
}

// What the benchmarks share: the server the bench command started, fresh
// databases on it, and a stopwatch.
namespace kestrel::bench {

struct Server
{
    std::string host = "127.0.0.1";
    unsigned port = 0;
    std::string password; // root's
    std::string address() const { return host + ":" + std::to_string(port); }
};
const Server& server();

// Ends the benchmark with a message.
[[noreturn]] void fail(const std::string& message);

MysqlSession connect(const std::string& database = {});
// Runs a statement; a failure ends the benchmark with the server's reason.
void run(MysqlSession& connection, const std::string& sql);

// A new empty database (dropped first if a previous run left it).
void recreateDatabase(const std::string& name);
// emlog's tables (as emlog pro makes them) under a prefix.
void createEmlogTables(MysqlSession& connection, const std::string& prefix = "emlog_");
// Deletes every row of the tables a run writes.
void emptyWordPressTables(MysqlSession& connection);
// A database made by WordPress's own installer.
void installWordPress(const std::string& name, const std::string& prefix = "wp_");

// A fresh database holding a generated emlog blog of this size (see BlogGenerator.h).
struct BlogSize;
void makeEmlogBlog(const std::string& database, const BlogSize& size);

// A run's two sessions, opened as a run opens them.
struct Sessions
{
    MysqlSession emlog;
    MysqlSession wordPress;
};
// Opens them, by default on the bench server; with `emptyFirst`, WordPress's tables are emptied
// first. A failure ends the benchmark.
Sessions openSessions(const std::string& emlogDatabase, const std::string& wordPressDatabase,
                      const std::string& address = server().address(), bool emptyFirst = true);

// The migrations of the rows a generated blog has, in the order a run makes them; a run also
// settles the time zone and the site's settings, and more (see everyMigration()).
struct MigrationStep
{
    const char* name;    // in the figures
    const char* logName; // in the failure log
    void (*migrate)(MigrationRun&);
};
extern const std::vector<MigrationStep> migrationSteps;

// The migrationSteps from `emlog` into `wordPress`, pacing off, as a run with --pacing=none; the
// first failures, if any, on stderr.
void migrateWholeBlog(Session& emlog, Session& wordPress);
// Every migration a run of the window or kestrel-cli makes (allMigrations), its time zone and site
// settings too, pacing off: the copy a verification expects.
void everyMigration(Session& emlog, Session& wordPress);

// Peak resident memory of this process, in MiB.
double peakResidentMiB();
// Processor time, in seconds: of a process, or of every process of a process group still running (PHP's
// server and its workers), from /proc; of the bench's MariaDB server (0 when scripts/bench.sh did not say
// where it is); of this process.
double processorSeconds(pid_t id, bool group);
pid_t databaseServer();
double ownSeconds();

class Stopwatch
{
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(); }

private:
    std::chrono::steady_clock::time_point m_start;
};

} // namespace kestrel::bench
