#pragma once

#include "SessionSql.h"

#include <string>

// An emlog database written out as the files a blog's owner has instead of its server.
namespace kestrel::test {

enum class BackupForm {
    EmlogValues, // emlog 5.x/6.x's "数据备份": positional values, every value quoted, NULL as ''
    ProColumns,  // emlog pro's: a column list, NULL as NULL, in pages of rows
    PhpMyAdmin,  // phpMyAdmin's export: comments, SET, transactions, multi-row inserts, bare numbers
    MariadbDump, // mariadb-dump's own output, extended inserts
};

// Every table of the database (as emlog pro and a dump take them: other programs' too), in `form`.
// `version` goes into emlog's header ("emlog 6.1.0", "emlog pro 2.6.9").
std::string backupOf(MysqlSession& emlog, const std::string& database, const std::string& prefix, BackupForm form,
                     const std::string& version = "emlog pro 2.6.9");

// Writes a backup file: as it is, gzipped, or as the only .sql of a zip.
enum class Packing { Plain, Gzip, Zip };
std::string writeBackupFile(const std::string& name, const std::string& sql, Packing packing);

} // namespace kestrel::test
