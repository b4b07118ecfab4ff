#include "Navigation.h"

#include "MigrationRun.h"
#include "Options.h"
#include "Origins.h"
#include "PhpValue.h"
#include "PostRow.h"
#include "Reconnect.h"
#include "RowValues.h"
#include "Terms.h"
#include "Themes.h"
#include "Users.h"
#include "WordPressQueries.h"

#include <cstdio>

namespace kestrel {

namespace {

// A JSON string as serialize_block_attributes writes one: characters that could end the comment
// or be read as markup are escaped.
std::string jsonString(std::string_view text)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '<' || c == '>' || c == '&' || (c == '-' && i + 1 < text.size() && text[i + 1] == '-') ||
            c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else if (c == '\\') {
            json += "\\\\";
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + "\"";
}

std::string blockAttributes(const MenuEntry& entry, bool topLevel)
{
    std::string json = "{\"label\":" + jsonString(entry.label);
    if (entry.target.type != "custom")
        json += ",\"type\":" + jsonString(entry.target.object == "post_format" ? "post_format" : entry.target.object) +
                ",\"id\":" + std::to_string(entry.target.objectId);
    json += ",\"url\":" + jsonString(entry.target.address);
    json += ",\"kind\":" + jsonString(entry.target.type == "post_type" ? "post-type" : entry.target.type);
    if (entry.newTab)
        json += ",\"opensInNewTab\":true";
    if (topLevel)
        json += ",\"isTopLevelLink\":true";
    return json + "}";
}

void note(MigrationRun& run, FailureLog::Note::What what, std::string_view first, std::string_view second)
{
    run.failures.note({what, std::string(first), std::string(second)});
}

// The site's navigation, made of the menu, when it has none of its own: a block theme's header
// shows the most recently published one. False when the site has one already or it could not be
// made (recorded).
bool makeNavigationBlock(MigrationRun& run, std::string_view migration, const std::vector<MenuEntry>& entries,
                         bool& siteHasOne)
{
    const std::optional<std::int64_t> navigations =
        readNumber(run, run.wordPress, reads::publishedPosts(run.wordPressPrefix, "wp_navigation"));
    const std::optional<std::int64_t> largestPost = largestId(run, "posts", "ID");
    if (!navigations || !largestPost) {
        unreadableWordPress(run, migration, "posts", "wp_navigation");
        return false;
    }
    siteHasOne = *navigations > 0;
    if (siteHasOne)
        return false;
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return false;
    const std::int64_t id = std::max(*largestPost, largestEmlogId(run, "blog", "gid")) + 1;
    PostRow navigation;
    navigation.id = id;
    navigation.author = authors->administrator;
    navigation.date = run.now();
    navigation.type = "wp_navigation";
    navigation.title = run.menuName;
    navigation.content = navigationBlocks(entries);
    navigation.commentStatus = "closed";
    navigation.pingStatus = "closed";
    navigation.name = "emlog-navigation";
    RowValues post = postValues(run, navigation);
    RowValues meta = originMeta(origin::navigationBlock, id, origin::theBlogsMenu);
    // The origin first, as for every row: a post half made is found again, never made twice.
    for (const auto& [table, values] : {std::pair{"postmeta", &meta}, std::pair{"posts", &post}}) {
        if (!insertOnce(run, run.wordPress, run.wordPressTable(table), *values)) {
            recordFailure(run, migration, table, "");
            return false;
        }
    }
    return true;
}

// Whether the theme's location shows a menu already: one that names a menu that is there.
std::optional<bool> locationTaken(MigrationRun& run, const PhpValue& mods, std::string_view location)
{
    const PhpValue* locations = mods.find("nav_menu_locations");
    const PhpValue* menu = locations ? locations->find(location) : nullptr;
    const std::optional<std::int64_t> id = menu ? menu->asInteger() : std::nullopt;
    if (!id || *id == 0)
        return false;
    const std::optional<std::int64_t> menus =
        readNumber(run, run.wordPress, reads::menusOfTerm(run.wordPressPrefix, *id));
    if (!menus)
        return std::nullopt;
    return *menus > 0;
}

void placeInLocation(MigrationRun& run, std::string_view migration, std::int64_t menuTermId, std::string_view theme,
                     std::string_view location)
{
    using What = FailureLog::Note::What;
    std::optional<std::string> stylesheet;
    if (!readWordPressOption(run, "stylesheet", stylesheet)) {
        unreadableWordPress(run, migration, "options", "stylesheet");
        return;
    }
    const std::string option = "theme_mods_" + stylesheet.value_or(std::string(theme));
    std::optional<std::string> value;
    if (!readWordPressOption(run, option, value)) {
        unreadableWordPress(run, migration, "options", option);
        return;
    }
    std::optional<PhpValue> mods = value && !value->empty() ? PhpValue::parse(*value) : PhpValue::array();
    if (!mods || !mods->isArray()) {
        // Theme settings the run cannot read back whole are not rewritten.
        note(run, What::MenuNotPlaced, theme, "");
        return;
    }
    const std::optional<bool> taken = locationTaken(run, *mods, location);
    if (!taken) {
        unreadableWordPress(run, migration, "term_taxonomy", "nav_menu");
        return;
    }
    if (*taken) {
        note(run, What::MenuLocationTaken, location, theme);
        return;
    }
    PhpValue& locations = mods->at("nav_menu_locations");
    if (!locations.isArray())
        locations = PhpValue::array();
    locations.at(location) = PhpValue::integer(menuTermId);
    if (!setWordPressOption(run, option, mods->serialized())) {
        recordFailure(run, migration, "options", "");
        return;
    }
    note(run, What::MenuAtLocation, location, theme);
}

} // namespace

std::string navigationBlocks(const std::vector<MenuEntry>& entries)
{
    std::string blocks;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = entries[i];
        if (entry.parentNaviId != 0)
            continue;
        std::string children;
        for (std::size_t j = i + 1; j < entries.size() && entries[j].parentNaviId == entry.naviId; ++j)
            children += "<!-- wp:navigation-link " + blockAttributes(entries[j], false) + " /-->\n";
        if (children.empty())
            blocks += "<!-- wp:navigation-link " + blockAttributes(entry, true) + " /-->\n";
        else
            blocks += "<!-- wp:navigation-submenu " + blockAttributes(entry, true) + " -->\n" + children +
                      "<!-- /wp:navigation-submenu -->\n";
    }
    return blocks;
}

void placeMenu(MigrationRun& run, std::string_view migration, std::int64_t menuTermId,
               const std::vector<MenuEntry>& entries)
{
    using What = FailureLog::Note::What;
    std::optional<std::string> theme;
    if (!readWordPressOption(run, "template", theme)) {
        unreadableWordPress(run, migration, "options", "template");
        return;
    }
    const std::string name = theme.value_or("");
    if (const ClassicTheme* classic = classicTheme(name)) {
        placeInLocation(run, migration, menuTermId, name, classic->firstLocation);
        return;
    }
    // A block theme, or one the run does not know: the site's navigation, which only block themes
    // show, harms no other.
    bool siteHasOne = false;
    const bool made = makeNavigationBlock(run, migration, entries, siteHasOne);
    const bool block = isBlockTheme(name);
    if (block && made)
        note(run, What::MenuInNavigation, name, "");
    else if (block && siteHasOne)
        note(run, What::MenuNavigationTaken, name, "");
    else if (!block)
        note(run, What::MenuNotPlaced, name, "");
}

void refreshNavigationBlock(MigrationRun& run, std::string_view migration, const std::vector<MenuEntry>& entries)
{
    const Copies& blocks = run.state.copies(origin::navigationBlock);
    const auto ours = blocks.find(origin::theBlogsMenu);
    if (!ours)
        return;
    if (!changeWithReconnect(run, run.wordPress,
                             changes::setPostContent(run.wordPressPrefix, ours->id, navigationBlocks(entries))))
        recordFailure(run, migration, "posts", "");
}

} // namespace kestrel
