#pragma once

#include "OriginKeys.h"
#include "Query.h"
#include "UserLookup.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

struct MigrationRun;

// Which WordPress user each emlog user is: the one a run copied, else the WordPress
// user with the same login, else with the same e-mail.
struct Authors
{
    std::unordered_map<std::int64_t, std::int64_t> byUid;
    std::int64_t administrator = 1; // WordPress's administrator with the lowest id

    // The author of an article: an emlog author without a WordPress user gets the administrator.
    std::int64_t of(std::int64_t uid) const;
    // The user of a comment: 0 (a guest) when the commenter has none.
    std::int64_t userOf(std::int64_t uid) const;
};
// Asked once per run, and kept up to date as the run copies users. Nothing when WordPress's users
// or emlog's cannot be read (recorded under `migration`).
const Authors* authorsOf(MigrationRun& run, std::string_view migration);
// What authorsOf() asks WordPress, to read it ahead: none once the authors are known.
std::vector<Query> authorsQueries(MigrationRun& run);

// The role WordPress gives an emlog user: never more than emlog gave.
struct Role
{
    std::string_view name;
    int level;
};
Role roleOf(std::string_view emlogRole, std::string_view isCheck);

// A user_nicename WordPress accepts: lower-case, URL-safe, at most 50 bytes.
std::string userNicename(std::string_view login);

} // namespace kestrel
