#pragma once

#include "Origins.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kestrel {

struct MigrationRun;

// WordPress's users by login and by e-mail (both case-insensitive), to find the one an emlog user
// already is. The run and the check both ask it, so that they agree on who is already there.
class UserLookup
{
public:
    void add(std::int64_t id, std::string_view login, std::string_view email);
    // The copy a run made, else the WordPress user with the same login, else with the same
    // e-mail; 0 for none.
    std::int64_t match(const Copies& copies, std::int64_t uid, std::string_view login, std::string_view email) const;

private:
    std::unordered_map<std::string, std::int64_t> m_byLogin;
    std::unordered_map<std::string, std::int64_t> m_byEmail;
};

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
// Asked once per run, and kept up to date as the run copies users.
const Authors& authorsOf(MigrationRun& run);

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
