#include "BenchSupport.h"

#include "WordPressSession.h"

#include "BlogGenerator.h"
#include "EmlogSchema.h"
#include "MigrationRun.h"
#include "Migrations.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace kestrel::bench {

void fail(const std::string& message)
{
    std::cerr << "benchmark: " << message << "\n";
    std::exit(1);
}

namespace {

void shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        fail("command failed: " + command);
}

} // namespace

const Server& server()
{
    static const Server info = [] {
        Server s;
        const char* port = std::getenv("KESTREL_BENCH_MYSQL_PORT");
        if (!port || !*port)
            fail("KESTREL_BENCH_MYSQL_PORT is not set: run the benchmarks with scripts/bench.sh");
        s.port = static_cast<unsigned>(std::atoi(port));
        if (const char* file = std::getenv("KESTREL_BENCH_MYSQL_PASSWORD_FILE"); file && *file)
            std::getline(std::ifstream(file), s.password);
        // The mariadb client the benchmarks run takes it from here.
        setenv("MYSQL_PWD", s.password.c_str(), 1);
        return s;
    }();
    return info;
}

MysqlSession connect(const std::string& database)
{
    MysqlSession connection = openConnection(server().host, "root", server().password, database, server().port);
    if (!connection)
        fail("cannot connect: " + connection.lastError());
    mysql_set_character_set(connection.handle(), "utf8mb4");
    return connection;
}

void run(MysqlSession& connection, const std::string& sql)
{
    if (!executeSql(connection, sql))
        fail(sql.substr(0, 200) + ": " + connection.lastError());
}

void recreateDatabase(const std::string& name)
{
    MysqlSession admin = connect();
    run(admin, "DROP DATABASE IF EXISTS `" + name + "`");
    run(admin, "CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4");
}

void createEmlogTables(MysqlSession& connection, const std::string& prefix)
{
    for (const std::string& statement : sample::emlogSchema(prefix))
        run(connection, statement);
}

void emptyWordPressTables(MysqlSession& connection)
{
    for (const std::string_view bare : wordPressTables)
        run(connection, std::string("delete from wp_").append(bare));
}

void installWordPress(const std::string& name, const std::string& prefix)
{
    recreateDatabase(name);
    shell(std::string(KESTREL_SOURCE_DIR) + "/scripts/wordpress.sh install '" KESTREL_BINARY_DIR "' " +
          server().address() + " " + name + " " + prefix + " >/dev/null");
}

// In the order a run makes them (the generated blog has no users).
const std::vector<MigrationStep> migrationSteps = {{"categories", "分类", migrateCategories},
                                                   {"tags", "标签", migrateTags},
                                                   {"posts", "文章", migratePosts},
                                                   {"comments", "评论", migrateComments},
                                                   {"attachments", "附件", migrateAttachments},
                                                   {"links", "友情链接", migrateLinks}};

void makeEmlogBlog(const std::string& database, const BlogSize& size)
{
    recreateDatabase(database);
    MysqlSession emlog = connect(database);
    createEmlogTables(emlog);
    generateBlog(emlog, size);
}

Sessions openSessions(const std::string& emlogDatabase, const std::string& wordPressDatabase,
                      const std::string& address, bool emptyFirst)
{
    ConnectionOptions emlog{address, "root", server().password, emlogDatabase};
    emlog.multiStatements = true; // as a run opens it, for reads ahead
    // As a run opens them: WordPress's while emlog's sets itself up.
    const ConnectionOptions wordPressOptions{address, "root", server().password, wordPressDatabase};
    MysqlSession wordPress;
    std::jthread opener;
    const auto openWordPress = [&] {
        opener = std::jthread([&] { wordPress = openWordPressSession(wordPressOptions); });
    };
    Sessions sessions{MysqlSession(emlog, openWordPress), {}};
    sessions.emlog.useUnicode();
    if (opener.joinable())
        opener.join();
    sessions.wordPress = std::move(wordPress);
    if (!sessions.emlog)
        fail("cannot open the emlog session through " + address + ": " + sessions.emlog.lastError());
    if (!sessions.wordPress)
        fail("cannot open the WordPress session through " + address + ": " + sessions.wordPress.lastError());
    if (emptyFirst)
        emptyWordPressTables(sessions.wordPress);
    return sessions;
}

double peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

namespace {

template <typename Steps, typename Migrate>
void migrateEach(Session& emlog, Session& wordPress, const Steps& steps, Migrate migrate)
{
    MigrationRun migration(emlog, wordPress);
    migration.pacing = Pacing::none();
    for (const auto& step : steps)
        migrate(step, migration);
    if (!migration.failures.empty())
        std::fprintf(stderr, "failures:\n%s", migration.failures.details(10).c_str());
}

} // namespace

void migrateWholeBlog(Session& emlog, Session& wordPress)
{
    migrateEach(emlog, wordPress, migrationSteps,
                [](const MigrationStep& step, MigrationRun& run) { step.migrate(run); });
}

void everyMigration(Session& emlog, Session& wordPress)
{
    migrateEach(emlog, wordPress, allMigrations,
                [](void (*migrate)(MigrationRun&), MigrationRun& run) { migrate(run); });
}

// The processor time, in seconds, of a process, or of every process of a process group still running
// (PHP's server and its workers), from /proc.
double processorSeconds(pid_t id, bool group)
{
    double ticks = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (!group && pid != std::to_string(id))
            continue;
        std::ifstream file(entry.path() / "stat");
        std::string line;
        if (!std::getline(file, line) || line.rfind(')') == std::string::npos)
            continue;
        // After the command's name: state, ppid, pgrp, ... utime and stime are the 12th and 13th.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        long long pgrp = 0, utime = 0, stime = 0;
        for (int i = 1; i <= 13 && fields >> field; ++i) {
            if (i == 3)
                pgrp = std::atoll(field.c_str());
            else if (i == 12)
                utime = std::atoll(field.c_str());
            else if (i == 13)
                stime = std::atoll(field.c_str());
        }
        if (!group || pgrp == id)
            ticks += static_cast<double>(utime + stime);
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The bench's MariaDB server, when scripts/bench.sh says where its process id is.
pid_t databaseServer()
{
    const char* file = std::getenv("KESTREL_BENCH_MYSQL_PID_FILE");
    long long pid = 0;
    if (file && *file)
        std::ifstream(file) >> pid;
    return static_cast<pid_t>(pid);
}

double ownSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace kestrel::bench
