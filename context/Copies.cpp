#include "OriginKeys.h"

namespace kestrel {

std::int64_t Copies::taxonomyIdOf(std::int64_t emlogId, std::int64_t id) const
{
    const auto taxonomy = m_taxonomyIds.find(emlogId);
    return taxonomy == m_taxonomyIds.end() ? id : taxonomy->second;
}

std::optional<Copy> Copies::find(std::int64_t emlogId) const
{
    const std::optional<std::int64_t> id = m_ids.find(emlogId);
    if (!id)
        return std::nullopt;
    return Copy{*id, taxonomyIdOf(emlogId, *id)};
}

void Copies::setTaxonomyId(std::int64_t emlogId, const Copy& copy)
{
    if (copy.taxonomyId != copy.id)
        m_taxonomyIds[emlogId] = copy.taxonomyId;
    else
        m_taxonomyIds.erase(emlogId);
}

bool Copies::add(std::int64_t emlogId, Copy copy)
{
    if (!m_ids.add(emlogId, copy.id))
        return false;
    setTaxonomyId(emlogId, copy);
    return true;
}

void Copies::set(std::int64_t emlogId, Copy copy)
{
    m_ids.set(emlogId, copy.id);
    setTaxonomyId(emlogId, copy);
}

} // namespace kestrel
