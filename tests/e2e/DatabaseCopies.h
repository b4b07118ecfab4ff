#pragma once

#include <string>

// Copies of a test database, their tables' checksums, and a backup file put back: what the emptying
// tests compare, whichever way WordPress was reached.
namespace kestrel::test {

// The tables emptying WordPress first takes rows from (bare names, prefix wp_).
inline const char* const emptiedTables[] = {"posts",    "postmeta",           "comments",      "commentmeta", "terms",
                                            "termmeta", "term_relationships", "term_taxonomy", "links"};

// CHECKSUM TABLE of a table's rows (wp_ + bare) that match a condition (all when there is none), and how many.
std::string tableChecksum(const std::string& database, const std::string& bare, const std::string& condition = {});
// A new database `to` holding a copy of every table of `from`: with its rows, or empty.
void copyDatabase(const std::string& from, const std::string& to, bool withRows = true);
// Puts a backup file's rows into a database with the mariadb client, as a user would.
void restoreBackupFile(const std::string& file, const std::string& database);

} // namespace kestrel::test
