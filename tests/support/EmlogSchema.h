#pragma once

#include <string>
#include <vector>

// emlog's six tables, from the project's own copy of the installer's schema
// (scripts/sample/emlog-schema.sql): shared by the tests and the benchmarks.
namespace kestrel::sample {

// The CREATE TABLE statements under a table prefix and character set.
std::vector<std::string> emlogSchema(const std::string& prefix = "emlog_", const std::string& charset = "utf8mb4");

} // namespace kestrel::sample
