// The navigation bar of emlog before its navi table, read as rows of that table.
#include "Navigation.h"

#include "Navibar.h"

namespace kestrel {

using namespace naviType;

std::vector<NaviRow> navibarRows(std::string_view navibar, std::string_view homeLabel)
{
    const std::vector<NavibarPage> pages = navibarPages(navibar);
    if (pages.empty())
        return {};
    std::vector<NaviRow> rows;
    NaviRow& first = rows.emplace_back();
    first.name = homeLabel;
    first.type = home;
    for (const NavibarPage& listed : pages) {
        NaviRow& row = rows.emplace_back();
        row.id = listed.gid;
        row.typeId = listed.gid;
        row.name = listed.title;
        row.url = listed.url;
        row.newTab = listed.newTab ? "y" : "n";
        row.hide = listed.hidden ? "y" : "n";
        row.taxis = static_cast<std::int64_t>(rows.size());
        // A page with an address of its own led there instead of to itself.
        row.type = row.url.empty() ? page : custom;
    }
    return rows;
}

std::int64_t typeWithoutColumn(std::string_view url, bool isDefault)
{
    if (!isDefault)
        return custom;
    if (url.empty())
        return home;
    if (url == "t" || url == "t/")
        return twitter;
    return url == "admin" || url == "admin/" ? admin : custom;
}

} // namespace kestrel
