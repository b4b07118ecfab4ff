#include "BackupForms.h"

#include <unistd.h>

#include "TestServer.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace kestrel::test {

namespace {

// Quoted as emlog's and phpMyAdmin's code quote: MySQL's real_escape_string between single quotes.
std::string quoted(MysqlSession& connection, const std::optional<std::string>& value, bool nullAsEmpty)
{
    if (!value)
        return nullAsEmpty ? "''" : "NULL";
    return quotedLiteral(connection, *value);
}

std::vector<std::string> tablesOf(MysqlSession& emlog)
{
    std::vector<std::string> tables;
    for (const Row& row : queryRows(emlog, "SHOW TABLES"))
        tables.push_back(*row[0]);
    return tables;
}

std::string createTable(MysqlSession& emlog, const std::string& table)
{
    return *queryRows(emlog, "SHOW CREATE TABLE `" + table + "`")[0][1];
}

std::string emlogBackup(MysqlSession& emlog, const std::string& prefix, bool columnList, const std::string& version)
{
    std::string sql = "#version:" + version + "\n#date:2024-05-06 12:00\n#tableprefix:" + prefix + "\n";
    for (const std::string& table : tablesOf(emlog)) {
        sql += "DROP TABLE IF EXISTS " + table + ";\n" + createTable(emlog, table) + ";\n\n";
        std::string columns;
        for (const Row& row : queryRows(emlog, "SHOW COLUMNS FROM `" + table + "`"))
            columns += (columns.empty() ? "`" : ", `") + *row[0] + "`";
        for (const Row& row : queryRows(emlog, "SELECT * FROM `" + table + "`")) {
            std::string values;
            for (const auto& value : row)
                values += (values.empty() ? "" : ",") + quoted(emlog, value, !columnList);
            sql += columnList ? "INSERT INTO " + table + " (" + columns + ") VALUES (" + values + ");\n"
                              : "INSERT INTO " + table + " VALUES(" + values + ");\n";
        }
        sql += "\n";
    }
    return sql + "#the end of backup\n";
}

std::string phpMyAdminExport(MysqlSession& emlog, const std::string& database)
{
    std::string sql =
        "-- phpMyAdmin SQL Dump\n-- version 5.2.1\n-- https://www.phpmyadmin.net/\n--\n"
        "-- 主机： localhost\n-- 数据库： `" +
        database +
        "`\n\nSET SQL_MODE = \"NO_AUTO_VALUE_ON_ZERO\";\nSTART TRANSACTION;\nSET time_zone = \"+00:00\";\n"
        "\n/*!40101 SET @OLD_CHARACTER_SET_CLIENT=@@CHARACTER_SET_CLIENT */;\n/*!40101 SET NAMES "
        "utf8mb4 */;\n\n";
    for (const std::string& table : tablesOf(emlog)) {
        std::string create = createTable(emlog, table);
        create.replace(0, std::string("CREATE TABLE").size(), "CREATE TABLE IF NOT EXISTS");
        sql += "-- --------------------------------------------------------\n\n--\n-- 表的结构 `" + table +
               "`\n--\n\n" + create + ";\n\n";
        std::map<std::string, bool> numeric;
        std::string columns;
        for (const Row& row : queryRows(emlog, "SHOW COLUMNS FROM `" + table + "`")) {
            columns += (columns.empty() ? "`" : ", `") + *row[0] + "`";
            numeric[*row[0]] = row[1]->find("int") != std::string::npos;
        }
        const std::vector<Row> rows = queryRows(emlog, "SELECT * FROM `" + table + "`");
        if (rows.empty())
            continue;
        const std::vector<Row> names = queryRows(emlog, "SHOW COLUMNS FROM `" + table + "`");
        sql += "--\n-- 转存表中的数据 `" + table + "`\n--\n\nINSERT INTO `" + table + "` (" + columns + ") VALUES\n";
        for (std::size_t r = 0; r < rows.size(); ++r) {
            std::string values;
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                const auto& value = rows[r][c];
                values += c ? ", " : "";
                values += value && numeric[*names[c][0]] ? *value : quoted(emlog, value, false);
            }
            sql += "(" + values + (r + 1 < rows.size() ? "),\n" : ");\n\n");
        }
    }
    return sql + "COMMIT;\n\n/*!40101 SET CHARACTER_SET_CLIENT=@OLD_CHARACTER_SET_CLIENT */;\n";
}

std::string mariadbDump(const std::string& database)
{
    const std::string path = std::string(::testing::TempDir()) + "/dump_" + database + ".sql";
    const std::string command = "MYSQL_PWD=\"$(cat '" + testServer().passwordFile +
                                "')\" mariadb-dump --no-defaults --host=" + testServer().host +
                                " --port=" + std::to_string(testServer().port) + " --user=root " + database + " > " +
                                path;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

} // namespace

std::string backupOf(MysqlSession& emlog, const std::string& database, const std::string& prefix, BackupForm form,
                     const std::string& version)
{
    switch (form) {
    case BackupForm::EmlogValues:
        return emlogBackup(emlog, prefix, false, version);
    case BackupForm::ProColumns:
        return emlogBackup(emlog, prefix, true, version);
    case BackupForm::PhpMyAdmin:
        return phpMyAdminExport(emlog, database);
    case BackupForm::MariadbDump:
        return mariadbDump(database);
    }
    return {};
}

std::string writeBackupFile(const std::string& name, const std::string& sql, Packing packing)
{
    // Tests run side by side: each process writes files of its own.
    const std::string path = std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "-" + name;
    std::remove(path.c_str());
    if (packing == Packing::Plain) {
        std::ofstream(path, std::ios::binary) << sql;
    } else if (packing == Packing::Gzip) {
        gzFile file = gzopen(path.c_str(), "wb");
        gzwrite(file, sql.data(), static_cast<unsigned>(sql.size()));
        gzclose(file);
    } else {
        int code = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        zip_source_t* source = zip_source_buffer(archive, sql.data(), sql.size(), 0);
        zip_file_add(archive, "emlog_20240506_120000.sql", source, ZIP_FL_ENC_UTF_8);
        zip_close(archive);
    }
    return path;
}

} // namespace kestrel::test
