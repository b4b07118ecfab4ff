// 核对 of a generated blog of 2,000 articles against WordPress served by PHP's own server on this
// machine: the verification's time beside the run's, and how many rows and addresses it checked.
//   scripts/bench.sh bench_verify [ARTICLES]
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "MigrationRun.h"
#include "Verifier.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

double loadAverage()
{
    double load = 0;
    return getloadavg(&load, 1) == 1 ? load : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int articles = argc > 1 ? std::atoi(argv[1]) : 2000;
    const BlogSize size{articles, articles * 5, 0, 50, 400, 20};
    std::printf("an emlog blog of %d articles, %d comments, %d categories, %d tags, %d links\n", size.articles,
                size.comments, size.categories, size.tags, size.links);
    makeEmlogBlog("verify_bench_emlog", size);
    installWordPress("verify_bench_wp");

    // WordPress served at a port of its own, its home there, the redirect plugin on.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    const QString home = QStringLiteral("http://127.0.0.1:%1").arg(port);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WP_ROOT"), QStringLiteral(KESTREL_BINARY_DIR "/wordpress"));
    environment.insert(QStringLiteral("WP_DB_HOST"), QString::fromStdString(server().address()));
    environment.insert(QStringLiteral("WP_DB_NAME"), QStringLiteral("verify_bench_wp"));
    environment.insert(QStringLiteral("WP_DB_PASSWORD"), QString::fromStdString(server().password));
    environment.insert(QStringLiteral("WP_TABLE_PREFIX"), QStringLiteral("wp_"));
    environment.insert(QStringLiteral("WP_HOME"), home);
    environment.insert(QStringLiteral("WP_PLUGIN_DIR"), QStringLiteral(KESTREL_SOURCE_DIR "/wordpress-plugin"));
    // Four workers, as a host's PHP answers several readers at once.
    environment.insert(QStringLiteral("PHP_CLI_SERVER_WORKERS"), QStringLiteral("4"));
    {
        MysqlSession admin = connect("verify_bench_wp");
        run(admin,
            "UPDATE wp_options SET option_value='" + home.toStdString() + "' WHERE option_name IN ('home','siteurl')");
    }
    QProcess plugin;
    plugin.setProcessEnvironment(environment);
    plugin.start(QStringLiteral("php"), {QStringLiteral(KESTREL_SOURCE_DIR "/scripts/wordpress/site.php"),
                                         QStringLiteral("/%postname%/"), QStringLiteral("on")});
    plugin.waitForFinished(60000);

    Sessions sessions = openSessions("verify_bench_emlog", "verify_bench_wp");
    std::printf("the run...\n");
    const Stopwatch runClock;
    everyMigration(sessions.emlog, sessions.wordPress);
    const double runSeconds = runClock.seconds();

    QProcess php;
    php.setProcessEnvironment(environment);
    // A process group of its own: its workers outlive a signal to it alone, and would keep the port.
    php.setChildProcessModifier([] { setpgid(0, 0); });
    // Its line for each request is of no use here.
    php.setStandardOutputFile(QProcess::nullDevice());
    php.setStandardErrorFile(QProcess::nullDevice());
    // With OPcache, as a host serves PHP: PHP's own server caches by default, but that is said here rather
    // than left to this machine's php.ini.
    php.start(QStringLiteral("php"), {QStringLiteral("-d"), QStringLiteral("opcache.enable=1"), QStringLiteral("-d"),
                                      QStringLiteral("opcache.enable_cli=1"), QStringLiteral("-d"),
                                      QStringLiteral("opcache.memory_consumption=128"), QStringLiteral("-S"),
                                      QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-t"),
                                      QStringLiteral(KESTREL_BINARY_DIR "/wordpress"),
                                      QStringLiteral(KESTREL_SOURCE_DIR "/scripts/wordpress/router.php")});
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(100))
            break;
        QThread::msleep(50);
    }
    std::printf("the verification...\n");
    MigrationRun reading(sessions.emlog, sessions.wordPress);
    Verification result;
    const pid_t group = static_cast<pid_t>(php.processId());
    const double loadBefore = loadAverage();
    const pid_t database = databaseServer();
    const double phpBefore = group > 0 ? processorSeconds(group, true) : 0;
    const double databaseBefore = database > 0 ? processorSeconds(database, false) : 0;
    const double ownBefore = ownSeconds();
    const Stopwatch verifyClock;
    std::string part;
    const std::optional<VerifyFailure> failure =
        verifyCopy(reading, VerifySettings{}, result, [&](const VerifyProgress& progress) {
            if (progress.part == part)
                return;
            part = progress.part;
            std::printf("  %s from %.1f s\n", part.c_str(), verifyClock.seconds());
        });
    const double verifySeconds = verifyClock.seconds();
    const double ownCpu = ownSeconds() - ownBefore;
    const double phpCpu = group > 0 ? processorSeconds(group, true) - phpBefore : 0;
    const double databaseCpu = database > 0 ? processorSeconds(database, false) - databaseBefore : 0;
    const double loadAfter = loadAverage();
    if (group > 0)
        ::kill(-group, SIGTERM);
    php.waitForFinished();
    if (failure)
        std::printf("the verification could not read %s: %s\n", failure->what.c_str(), failure->why.c_str());

    std::printf("\n%-14s %10s\n", "checked", "rows");
    for (const auto& [kind, count] : result.verified)
        std::printf("%-14s %10lld\n", kind.c_str(), static_cast<long long>(count));
    std::printf("findings: %zu\n", result.findings.size());
    for (std::size_t i = 0; i < result.findings.size() && i < 5; ++i)
        std::printf("  %s %lld %s: %s | %s\n", result.findings[i].kind.c_str(),
                    static_cast<long long>(result.findings[i].emlogId.value_or(-1)), result.findings[i].check.c_str(),
                    result.findings[i].expected.c_str(), result.findings[i].seen.c_str());
    std::printf("\nthe run: %.1f s; the verification, four requests at a time to php -S with four workers: %.1f s "
                "(%.1fx the run)\n",
                runSeconds, verifySeconds, runSeconds > 0 ? verifySeconds / runSeconds : 0.0);
    // The site's time and the verifier's own, apart from what else the machine was doing meanwhile.
    std::printf("processor time meanwhile: PHP %.1f s, MariaDB %.1f s, the verification itself %.1f s; %ld cores, "
                "load average %.2f before and %.2f after\n",
                phpCpu, databaseCpu, ownCpu, sysconf(_SC_NPROCESSORS_ONLN), loadBefore, loadAfter);
    return 0;
}
