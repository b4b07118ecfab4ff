#pragma once

#include "OriginKeys.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kestrel {

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

} // namespace kestrel
