#include "DatabaseCopies.h"

#include "TestServer.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrel::test {

std::string tableChecksum(const std::string& database, const std::string& bare, const std::string& condition)
{
    MysqlSession admin = adminConnection(database);
    execute(admin, "CREATE TEMPORARY TABLE picked AS SELECT * FROM wp_" + bare +
                       (condition.empty() ? "" : " WHERE " + condition));
    const auto rows = queryRows(admin, "CHECKSUM TABLE picked");
    return queryValue(admin, "SELECT COUNT(*) FROM picked") + " rows, checksum " +
           (rows.empty() ? "" : rows[0][1].value_or("NULL"));
}

void copyDatabase(const std::string& from, const std::string& to, bool withRows)
{
    MysqlSession admin = adminConnection();
    execute(admin, "CREATE DATABASE `" + to + "` CHARACTER SET utf8mb4");
    for (const Row& table : queryRows(admin, "SELECT TABLE_NAME FROM information_schema.TABLES WHERE "
                                             "TABLE_SCHEMA='" +
                                                 from + "'")) {
        const std::string name = table[0].value_or("");
        execute(admin, "CREATE TABLE `" + to + "`.`" + name + "` LIKE `" + from + "`.`" + name + "`");
        if (withRows)
            execute(admin, "INSERT INTO `" + to + "`.`" + name + "` SELECT * FROM `" + from + "`.`" + name + "`");
    }
}

void restoreBackupFile(const std::string& file, const std::string& database)
{
    const std::string restore = "MYSQL_PWD=\"$(cat '" + testServer().passwordFile + "')\" mariadb --no-defaults -h" +
                                testServer().host + " -P" + std::to_string(testServer().port) + " -uroot " + database +
                                " < '" + file + "' 2>&1";
    ASSERT_EQ(std::system(restore.c_str()), 0) << restore;
}

} // namespace kestrel::test
