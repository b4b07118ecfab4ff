#include "Navibar.h"

#include "PhpValue.h"

#include <optional>

namespace kestrel {

namespace {

std::string textOf(const PhpValue& item, std::string_view key)
{
    const PhpValue* value = item.find(key);
    return value ? value->text() : std::string();
}

// An integer key, as PHP prints it: a page's gid.
std::optional<std::int64_t> gidOf(const std::string& key)
{
    if (key.empty() || key.size() > 18 || key.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::int64_t gid = std::stoll(key);
    return gid > 0 ? std::optional<std::int64_t>(gid) : std::nullopt;
}

} // namespace

std::vector<NavibarPage> navibarPages(std::string_view navibar)
{
    const std::optional<PhpValue> pages = PhpValue::parse(navibar);
    if (!pages || !pages->isArray())
        return {};
    std::vector<NavibarPage> read;
    for (const auto& [key, item] : pages->entries()) {
        const std::optional<std::int64_t> gid = gidOf(key);
        if (!gid || !item.isArray())
            continue;
        read.push_back({*gid, textOf(item, "title"), textOf(item, "url"), textOf(item, "is_blank") == "_blank",
                        textOf(item, "hide") == "y"});
    }
    return read;
}

} // namespace kestrel
