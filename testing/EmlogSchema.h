#pragma once

#include <string>
#include <vector>

// emlog's tables, from the project's own copy of the installer's schema
// (scripts/sample/emlog-schema.sql): shared by the tests and the benchmarks.
namespace kestrel::sample {

// The emlog versions whose tables differ in columns Kestrel reads: 5.x has no
// blog.tags, 6.x adds it, pro adds page trees, comment users and user times.
enum class EmlogVersion { Five, Six, Pro };

// "5", "6" or "pro", as scripts/sample/load-emlog.sh names them.
const char* versionName(EmlogVersion version);

// The statements that make the tables of a version under a table prefix and character set.
std::vector<std::string> emlogSchema(const std::string& prefix = "emlog_", const std::string& charset = "utf8mb4",
                                     EmlogVersion version = EmlogVersion::Pro);

} // namespace kestrel::sample
