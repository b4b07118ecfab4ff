#include "UserLookup.h"

#include "TextHelpers.h"

namespace kestrel {

void UserLookup::add(std::int64_t id, std::string_view login, std::string_view email)
{
    m_byLogin.emplace(asciiLower(login), id);
    if (!email.empty())
        m_byEmail.emplace(asciiLower(email), id);
}

std::int64_t UserLookup::match(const Copies& copies, std::int64_t uid, std::string_view login,
                               std::string_view email) const
{
    if (const auto copy = copies.find(uid))
        return copy->id;
    if (const auto same = m_byLogin.find(asciiLower(login)); same != m_byLogin.end())
        return same->second;
    if (email.empty())
        return 0;
    const auto same = m_byEmail.find(asciiLower(email));
    return same != m_byEmail.end() ? same->second : 0;
}

} // namespace kestrel
