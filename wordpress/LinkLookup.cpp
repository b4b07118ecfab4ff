#include "LinkLookup.h"

#include "HtmlText.h"

namespace kestrel {

std::string LinkLookup::storedName(std::string_view name)
{
    return escapeHtml(name);
}

void LinkLookup::add(std::string url, std::string name)
{
    m_byAddressAndName.emplace(std::move(url), std::move(name));
}

bool LinkLookup::holds(const std::string& url, std::string_view name) const
{
    return m_byAddressAndName.count({url, storedName(name)}) || m_byAddressAndName.count({url, std::string(name)});
}

} // namespace kestrel
