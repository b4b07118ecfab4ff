#pragma once

#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace kestrel {

// WordPress's links by address and name, to find the one an emlog link already is: links have no
// meta. The run and the check both ask it, so that they agree on which links are there.
class LinkLookup
{
public:
    // A link's name as a run stores it: HTML-escaped, as emlog showed it.
    static std::string storedName(std::string_view name);

    void add(std::string url, std::string name);
    // Whether WordPress has a link with this address and emlog's `name` as a run stores it, or as
    // typed (as an earlier version stored it).
    bool holds(const std::string& url, std::string_view name) const;

private:
    std::set<std::pair<std::string, std::string>> m_byAddressAndName;
};

} // namespace kestrel
