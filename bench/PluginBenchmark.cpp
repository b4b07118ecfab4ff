// The benchmark blog into WordPress two ways, over the same long path (a relay delaying each
// direction by 20 ms): through WordPress's MySQL, and through the Kestrel Receiver plugin at the
// site's address (PHP's own server, plain http on this machine). emlog's rows are read on loopback
// both times, so that only the way into WordPress differs.
//   bench_plugin [SCALE [DELAY_MS]]   e.g. SCALE 0.1 for a blog a tenth the size
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "LatencyRelay.h"
#include "MigrationRun.h"
#include "PluginSession.h"
#include "ResultSet.h"
#include "WordPressSession.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

const std::string emlogName = "plugin_bench_emlog";
const std::string throughMySql = "plugin_bench_mysql";
const std::string throughPlugin = "plugin_bench_site";

// Every row the run writes, as one number per table: whether both ways wrote the same.
std::string rowCounts(const std::string& database)
{
    MysqlSession session = connect(database);
    std::string counts;
    for (const char* table :
         {"posts", "postmeta", "comments", "terms", "term_taxonomy", "term_relationships", "links"}) {
        run(session, std::string("SELECT COUNT(*) FROM wp_") + table);
        ResultSet rows = storeResult(session);
        std::string count;
        readField(rows, 0, count);
        counts += count + " ";
    }
    return counts;
}

// A whole run into `wordPress`: its seconds, and the processor time MariaDB, PHP's server and its workers
// (the process group `php`, when not 0) and this process used meanwhile.
struct Timed
{
    double seconds = 0;
    double database = 0;
    double php = 0;
    double ours = 0;
};

Timed timedRun(Session& wordPress, pid_t php = 0)
{
    MysqlSession emlog = openConnection(ConnectionOptions{server().address(), "root", server().password, emlogName});
    if (!emlog)
        fail("cannot open the emlog session: " + emlog.lastError());
    const pid_t database = databaseServer();
    const double databaseBefore = database > 0 ? processorSeconds(database, false) : 0;
    const double phpBefore = php > 0 ? processorSeconds(php, true) : 0;
    const double oursBefore = ownSeconds();
    const Stopwatch stopwatch;
    migrateWholeBlog(emlog, wordPress);
    Timed timed;
    timed.seconds = stopwatch.seconds();
    timed.database = database > 0 ? processorSeconds(database, false) - databaseBefore : 0;
    timed.php = php > 0 ? processorSeconds(php, true) - phpBefore : 0;
    timed.ours = ownSeconds() - oursBefore;
    return timed;
}

QProcessEnvironment siteEnvironment(quint16 port)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WP_ROOT"), QStringLiteral(KESTREL_BINARY_DIR "/wordpress"));
    environment.insert(QStringLiteral("WP_DB_HOST"), QString::fromStdString(server().address()));
    environment.insert(QStringLiteral("WP_DB_NAME"), QString::fromStdString(throughPlugin));
    environment.insert(QStringLiteral("WP_DB_PASSWORD"), QString::fromStdString(server().password));
    environment.insert(QStringLiteral("WP_TABLE_PREFIX"), QStringLiteral("wp_"));
    environment.insert(QStringLiteral("WP_HOME"), QStringLiteral("http://127.0.0.1:%1").arg(port));
    environment.insert(QStringLiteral("WP_PLUGIN_DIR"), QStringLiteral(KESTREL_SOURCE_DIR "/wordpress-plugin"));
    // Application passwords over plain http, as WordPress allows them on a local site.
    environment.insert(QStringLiteral("WP_ENVIRONMENT_TYPE"), QStringLiteral("local"));
    return environment;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int delay = argc > 2 ? std::atoi(argv[2]) : 20;
    auto scaled = [scale](int count) { return std::max(1, static_cast<int>(count * scale)); };
    const BlogSize size{scaled(10000), scaled(50000), scaled(5000), scaled(200), scaled(2000), scaled(100)};
    std::printf("an emlog blog of %d articles, %d comments, %d attachments, %d categories, %d tags, %d links\n",
                size.articles, size.comments, size.attachments, size.categories, size.tags, size.links);
    makeEmlogBlog(emlogName, size);

    // Through MySQL, over the relay.
    installWordPress(throughMySql);
    const LatencyRelay database("127.0.0.1", server().port, std::chrono::milliseconds(delay));
    MysqlSession mySql =
        openWordPressSession(ConnectionOptions{database.address(), "root", server().password, throughMySql});
    if (!mySql)
        fail("cannot open the WordPress session: " + mySql.lastError());
    emptyWordPressTables(mySql);
    std::printf("through MySQL...\n");
    const Timed throughMySqlRun = timedRun(mySql);

    // Through the plugin, over the same relay in front of PHP's own server.
    installWordPress(throughPlugin);
    {
        MysqlSession admin = connect(throughPlugin);
        emptyWordPressTables(admin);
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess php;
    php.setProcessEnvironment(siteEnvironment(port));
    // A group of its own, which goes whole, with any workers PHP_CLI_SERVER_WORKERS asked for.
    php.setChildProcessModifier([] { setpgid(0, 0); });
    php.start(QStringLiteral("php"), {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(port),
                                      QStringLiteral("-t"), QStringLiteral(KESTREL_BINARY_DIR "/wordpress"),
                                      QStringLiteral(KESTREL_SOURCE_DIR "/scripts/wordpress/router.php")});
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(100))
            break;
        QThread::msleep(50);
    }
    QProcess receiver;
    receiver.setProcessEnvironment(siteEnvironment(port));
    receiver.start(QStringLiteral("php"), {QStringLiteral(KESTREL_SOURCE_DIR "/scripts/wordpress/receiver.php"),
                                           QStringLiteral("on"), QStringLiteral("admin")});
    receiver.waitForFinished(60000);
    const std::string password = receiver.readAllStandardOutput().split('\n').value(0).toStdString();
    const LatencyRelay web("127.0.0.1", port, std::chrono::milliseconds(delay));
    PluginOpening opening = openPluginSession(PluginAddress{"http://" + web.address() + "/", "admin", password});
    if (opening.refusal != PluginRefusal::None)
        fail("cannot open the plugin session: " + opening.detail);
    std::printf("through the plugin...\n");
    const Timed throughPluginRun = timedRun(*opening.session, static_cast<pid_t>(php.processId()));
    ::kill(-static_cast<pid_t>(php.processId()), SIGKILL);
    php.waitForFinished();

    const bool same = rowCounts(throughMySql) == rowCounts(throughPlugin);
    std::printf("\nthrough a relay delaying each direction by %d ms; both wrote the same rows: %s\n", delay,
                same ? "yes" : "NO");
    std::printf("%49s %8s %8s %8s\n", "", "MariaDB", "PHP", "Kestrel");
    std::printf("  through MySQL                                  %9.2f s %8.2f s          %8.2f s\n",
                throughMySqlRun.seconds, throughMySqlRun.database, throughMySqlRun.ours);
    std::printf("  through the plugin                             %9.2f s %8.2f s %8.2f s %8.2f s\n",
                throughPluginRun.seconds, throughPluginRun.database, throughPluginRun.php, throughPluginRun.ours);
    std::printf("  plugin / MySQL: %.2f  (the last three: processor time meanwhile)\n",
                throughPluginRun.seconds / throughMySqlRun.seconds);
    return same ? 0 : 1;
}
