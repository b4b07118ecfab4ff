// Over a long network path, pacing off: a relay delays each direction by 20 ms (40 ms a round
// trip). On the benchmark blog it times our whole run through the relay, the mariadb client
// replaying the same rows as multi-row INSERTs through it, and the same rows as one INSERT per
// row, of which a sample is timed and the whole extrapolated (it would take hours). Then the same
// on loopback, where the per-row replay is timed whole.
//   bench_latency [SCALE [DELAY_MS]]   e.g. SCALE 0.1 for a blog a tenth the size
#include "BenchSupport.h"
#include "BlogGenerator.h"
#include "LatencyRelay.h"
#include "MigrationRun.h"
#include "ResultSet.h"
#include "RowDump.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

const std::string emlogName = "latency_emlog";
const std::string ourWordPress = "latency_wp";
const std::string replayWordPress = "latency_replay";
constexpr std::uint64_t perRowSample = 1000;

// Every table of a database with its checksum: which tables a run changed, and whether a replay made the same.
std::map<std::string, std::string> checksums(const std::string& database)
{
    MysqlSession session = connect(database);
    run(session, "SHOW TABLES");
    ResultSet tables = storeResult(session);
    std::vector<std::string> names(rowCount(tables));
    for (std::string& name : names) {
        readField(tables, 0, name);
        nextRow(tables);
    }
    std::map<std::string, std::string> sums;
    for (const std::string& name : names) {
        run(session, "CHECKSUM TABLE `" + name + "`");
        ResultSet sum = storeResult(session);
        readField(sum, 1, sums[name]);
    }
    return sums;
}

// WordPress as a run finds it after "先清空": freshly installed, the tables a run writes emptied,
// and (for a replay) the tables the replay fills emptied too.
void freshWordPress(const std::string& database, const std::vector<std::string>& alsoEmpty = {})
{
    installWordPress(database);
    MysqlSession session = connect(database);
    emptyWordPressTables(session);
    for (const std::string& table : alsoEmpty)
        run(session, "DELETE FROM `" + table + "`");
}

// Our whole run, both sessions opened through `address`: seconds.
double ourRun(const std::string& address)
{
    const Stopwatch stopwatch;
    Sessions sessions = openSessions(emlogName, ourWordPress, address, false);
    migrateWholeBlog(sessions.emlog, sessions.wordPress);
    return stopwatch.seconds();
}

// The mariadb client running a file of statements over one connection through `address`: seconds.
double replay(const std::string& address, const std::string& file)
{
    const ServerAddress where = parseServerAddress(address);
    const std::string command = "mariadb --no-defaults -h" + where.host + " -P" + std::to_string(where.port) +
                                " -uroot --default-character-set=utf8mb4 " + replayWordPress + " < '" + file + "'";
    const Stopwatch stopwatch;
    if (std::system(command.c_str()) != 0)
        fail("the replay failed: " + command);
    return stopwatch.seconds();
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // a run of an hour shows how far it is
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    const int delay = argc > 2 ? std::atoi(argv[2]) : 20;
    auto scaled = [scale](int count) { return std::max(1, static_cast<int>(count * scale)); };
    const BlogSize size{scaled(10000), scaled(50000), scaled(5000), scaled(200), scaled(2000), scaled(100)};
    std::printf("an emlog blog of %d articles, %d comments, %d attachments, %d categories, %d tags, %d links\n",
                size.articles, size.comments, size.attachments, size.categories, size.tags, size.links);
    makeEmlogBlog(emlogName, size);
    std::printf("our run through the relay...\n");
    const LatencyRelay relay("127.0.0.1", server().port, std::chrono::milliseconds(delay));
    const std::string loopback = server().address();

    // Our run through the relay, and the rows it wrote, as statements for the client.
    freshWordPress(ourWordPress);
    const auto before = checksums(ourWordPress);
    const std::uint64_t exchangesBefore = relay.exchanges();
    const double oursRelayed = ourRun(relay.address());
    const std::uint64_t ourExchanges = relay.exchanges() - exchangesBefore;
    const auto written = checksums(ourWordPress);
    std::vector<std::string> changed;
    for (const auto& [table, sum] : written)
        if (before.at(table) != sum)
            changed.push_back(table);
    const std::string multiRow = std::string(KESTREL_BINARY_DIR) + "/bench/latency-multi-row.sql";
    const std::string singleRow = std::string(KESTREL_BINARY_DIR) + "/bench/latency-single-row.sql";
    const std::string sample = std::string(KESTREL_BINARY_DIR) + "/bench/latency-sample.sql";
    MysqlSession source = connect(ourWordPress);
    const std::uint64_t rows = dumpRows(source, changed, multiRow, singleRow);

    std::printf("%.2f s; the client's replays...\n", oursRelayed);
    freshWordPress(replayWordPress, changed);
    const std::uint64_t replayBefore = relay.exchanges();
    const double multiRelayed = replay(relay.address(), multiRow);
    const std::uint64_t clientExchanges = relay.exchanges() - replayBefore;
    const auto replayed = checksums(replayWordPress);
    const bool same = std::all_of(changed.begin(), changed.end(),
                                  [&](const std::string& table) { return replayed.at(table) == written.at(table); });

    freshWordPress(replayWordPress, changed);
    const std::uint64_t sampled = sampleStatements(singleRow, std::max<std::uint64_t>(1, rows / perRowSample), sample);
    const double perRowRelayed = replay(relay.address(), sample) * static_cast<double>(rows) / sampled;

    // The same on loopback, the per-row replay whole.
    freshWordPress(ourWordPress);
    const double oursLoopback = ourRun(loopback);
    freshWordPress(replayWordPress, changed);
    const double perRowLoopback = replay(loopback, singleRow);
    freshWordPress(replayWordPress, changed);
    const double multiLoopback = replay(loopback, multiRow);

    std::printf("%llu rows written to %zu tables; the client's multi-row replay gives the same tables: %s\n\n",
                static_cast<unsigned long long>(rows), changed.size(), same ? "yes" : "NO");
    std::printf("through a relay delaying each direction by %d ms:\n", delay);
    std::printf("  our whole run                                  %9.2f s\n", oursRelayed);
    std::printf("  mariadb client, the same rows, multi-row       %9.2f s   ours / client: %.2f\n", multiRelayed,
                oursRelayed / multiRelayed);
    std::printf("  exchanges that waited on the path: ours %llu, the client's multi-row replay %llu\n",
                static_cast<unsigned long long>(ourExchanges), static_cast<unsigned long long>(clientExchanges));
    std::printf("  the same rows one INSERT each (%llu of them timed, extrapolated)\n"
                "                                                 %9.2f s   per-row / ours: %.1f\n",
                static_cast<unsigned long long>(sampled), perRowRelayed, perRowRelayed / oursRelayed);
    std::printf("on loopback:\n");
    std::printf("  our whole run                                  %9.2f s\n", oursLoopback);
    std::printf("  mariadb client, one INSERT per row             %9.2f s   ours / client: %.2f\n", perRowLoopback,
                oursLoopback / perRowLoopback);
    std::printf("  mariadb client, multi-row                      %9.2f s\n", multiLoopback);
    return same ? 0 : 1;
}
