#include "EmlogAddresses.h"

namespace kestrel {

std::vector<std::string> emlogArticleAddresses(const EmlogAddressing& addressing, std::int64_t gid,
                                               std::string_view alias, std::string_view category)
{
    const std::string id = std::to_string(gid);
    std::vector<std::string> addresses = {"?post=" + id};
    std::string chosen;
    if (addressing.aliases && !alias.empty()) {
        chosen = std::string(alias) + (addressing.aliasesEndInHtml ? ".html" : "");
        if (addressing.rewrite == 3 && !category.empty())
            chosen = std::string(category) + "/" + chosen;
    } else if (addressing.rewrite == 1) {
        chosen = "post-" + id + ".html";
    } else if (addressing.rewrite == 2) {
        chosen = "post/" + id;
    } else if (addressing.rewrite == 3) {
        chosen = (category.empty() ? "" : std::string(category) + "/") + id + ".html";
    }
    if (!chosen.empty())
        addresses.push_back(chosen);
    return addresses;
}

std::vector<std::string> emlogCategoryAddresses(const EmlogAddressing& addressing, std::int64_t sid,
                                                std::string_view alias)
{
    std::vector<std::string> addresses = {"?sort=" + std::to_string(sid)};
    if (addressing.rewrite != 0)
        addresses.push_back("sort/" + (alias.empty() ? std::to_string(sid) : std::string(alias)));
    return addresses;
}

} // namespace kestrel
