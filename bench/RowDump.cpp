#include "RowDump.h"

#include "BenchSupport.h"
#include "ResultSet.h"

#include <fstream>

namespace kestrel::bench {

namespace {

// The sql_mode a WordPress session of ours runs under: the server's default less what WordPress drops.
const char* const setUp =
    "SET NAMES utf8mb4;\n"
    "SET SESSION sql_mode='ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,NO_ENGINE_SUBSTITUTION';\n";

bool isInsert(const std::string& line)
{
    return line.rfind("INSERT INTO ", 0) == 0;
}

} // namespace

std::uint64_t dumpRows(MysqlSession& source, const std::vector<std::string>& tables, const std::string& multiRowFile,
                       const std::string& singleRowFile, std::size_t statementBytes)
{
    std::ofstream multi(multiRowFile, std::ios::binary);
    std::ofstream single(singleRowFile, std::ios::binary);
    multi << setUp;
    single << setUp;
    std::uint64_t rows = 0;
    for (const std::string& table : tables) {
        run(source, "SELECT * FROM `" + table + "`");
        ResultSet result = storeResult(source);
        MYSQL_RES* res = result.handle();
        const unsigned columns = mysql_num_fields(res);
        const MYSQL_FIELD* fields = mysql_fetch_fields(res);
        std::string head = "INSERT INTO `" + table + "` (";
        for (unsigned i = 0; i < columns; ++i)
            head += (i ? ",`" : "`") + std::string(fields[i].name) + "`";
        head += ") VALUES ";

        std::string batch;
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            const unsigned long* lengths = mysql_fetch_lengths(res);
            std::string values = "(";
            for (unsigned i = 0; i < columns; ++i) {
                values += i ? "," : "";
                values += row[i] ? quotedLiteral(source, std::string_view(row[i], lengths[i])) : "NULL";
            }
            values += ")";
            single << head << values << ";\n";
            if (!batch.empty() && batch.size() + values.size() + 2 > statementBytes) {
                multi << batch << ";\n";
                batch.clear();
            }
            batch += batch.empty() ? head + values : "," + values;
            ++rows;
        }
        if (!batch.empty())
            multi << batch << ";\n";
    }
    return rows;
}

std::uint64_t sampleStatements(const std::string& file, std::uint64_t step, const std::string& sampleFile)
{
    std::ifstream in(file, std::ios::binary);
    std::ofstream out(sampleFile, std::ios::binary);
    std::uint64_t inserts = 0;
    std::uint64_t taken = 0;
    for (std::string line; std::getline(in, line);) {
        if (isInsert(line) && inserts++ % step != 0)
            continue;
        out << line << "\n";
        taken += isInsert(line) ? 1 : 0;
    }
    return taken;
}

} // namespace kestrel::bench
