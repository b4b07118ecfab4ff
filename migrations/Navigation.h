#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct MigrationRun;

// A row of emlog's navi table: an item of the blog's navigation bar.
struct NaviRow
{
    std::int64_t id = 0;
    std::string name;
    std::string url;
    std::string newTab = "n";
    std::string hide = "n";
    std::int64_t taxis = 0;
    std::int64_t pid = 0;
    std::int64_t type = 0;
    std::int64_t typeId = 0;
};

// emlog's navi types.
namespace naviType {
inline constexpr std::int64_t custom = 0, home = 1, twitter = 2, admin = 3, category = 4, page = 5;
} // namespace naviType

// emlog 3.2 to 4.2's navigation bar, its option navibar (a PHP-serialized array of the pages it shows,
// by gid: title, url, is_blank, hide), as rows of the navi table that replaced it: `homeLabel` first,
// as emlog's templates put the home page before them (id 0), then each page in its order under its
// gid; one with an address of its own leads there. None for a value that is no such array.
std::vector<NaviRow> navibarRows(std::string_view navibar, std::string_view homeLabel);
// emlog 4.3's navi table has no type: its own items (isdefault) are told by their address.
std::int64_t typeWithoutColumn(std::string_view url, bool isDefault);
// The items a reader saw, in the order emlog showed them: ORDER BY pid, taxis, each child under its
// parent; a hidden item is not shown, and neither is what is under it.
std::vector<NaviRow> shownInOrder(std::vector<NaviRow> rows);

// Where one of emlog's navigation items leads, as WordPress's menu item and navigation block name it.
struct MenuTarget
{
    std::string type;          // _menu_item_type: custom, taxonomy, post_type
    std::string object;        // _menu_item_object: custom, category, page, post_format
    std::int64_t objectId = 0; // the term or post; for a custom link, the item itself
    std::string url;           // for a custom link; empty for the others, whose address WordPress makes
    std::string address;       // where it leads, for the navigation block, under any permalink structure
};

// An item of the blog's menu in emlog's order, with what a navigation block needs of it.
struct MenuEntry
{
    std::int64_t naviId = 0;
    std::int64_t parentNaviId = 0; // 0 at the top
    std::string label;             // as emlog showed it: escaped
    bool newTab = false;
    MenuTarget target;
};

// The site's wp_navigation content made of the menu's items: one navigation link each, an item with
// items under it a submenu, as WordPress's editor writes them.
std::string navigationBlocks(const std::vector<MenuEntry>& entries);

// What a run did to show a menu it made: a classic theme's first menu location when it is empty, a
// block theme's navigation (a wp_navigation post) when the site has none; the report says which.
// `menuTermId` is the new menu's term; `entries` its items.
void placeMenu(MigrationRun& run, std::string_view migration, std::int64_t menuTermId,
               const std::vector<MenuEntry>& entries);
// Makes the wp_navigation post that was placed by an earlier run hold every item the menu now has.
void refreshNavigationBlock(MigrationRun& run, std::string_view migration, const std::vector<MenuEntry>& entries);

} // namespace kestrel
