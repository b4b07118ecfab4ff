#pragma once

#include <string>
#include <vector>

// emlog's tables, from the project's own copy of the installer's schema
// (scripts/sample/emlog-schema.sql): shared by the tests and the benchmarks.
namespace kestrel::sample {

// The emlog versions whose tables differ in columns Kestrel reads: 4.x has trackbacks and none of
// 5.x's trees, reviews and thumbnails, 5.x has no blog.tags, 6.x adds it, pro adds page trees, comment
// users and user times.
enum class EmlogVersion { Four, Five, Six, Pro };

// "4", "5", "6" or "pro", as scripts/sample/load-emlog.sh names them.
const char* versionName(EmlogVersion version);

// Small blogs of their own, in the tables emlog 3.5's and 4.3's installers made (scripts/sample/emlog-3.5.sql
// and emlog-4.3.sql): the menu in navibar, the owner's answers inside comments, trackbacks.
enum class OldBlog { ThreeFive, FourThree };
// "3.5" or "4.3", as load-emlog.sh names them.
const char* blogName(OldBlog blog);

// The statements that make the tables of a version under a table prefix and character set (4.x's with the
// sample's trackbacks).
std::vector<std::string> emlogSchema(const std::string& prefix = "emlog_", const std::string& charset = "utf8mb4",
                                     EmlogVersion version = EmlogVersion::Pro);

} // namespace kestrel::sample
