#pragma once

#include <string_view>

namespace kestrel {

// Where a classic theme shows its main menu and its widgets: the menu location and the sidebar it
// registers first; and whether it shows a logo. Known for each of WordPress's own themes (those Debian packages among
// them).
struct ClassicTheme
{
    std::string_view theme; // its template (a child theme's parent)
    std::string_view firstLocation;
    std::string_view firstSidebar;
    bool customLogo; // shows a logo of the site's own (the theme mod custom_logo)
};
// Null for a block theme or a theme the run does not know.
const ClassicTheme* classicTheme(std::string_view theme);
// Whether it is one of WordPress's block themes, which show the site's navigation and no sidebars.
bool isBlockTheme(std::string_view theme);

} // namespace kestrel
