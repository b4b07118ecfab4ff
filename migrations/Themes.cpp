#include "Themes.h"

#include <algorithm>
#include <iterator>

namespace kestrel {

namespace {

constexpr ClassicTheme classicThemes[] = {
    {"twentytwentyone", "primary", "sidebar-1", true},      {"twentytwenty", "primary", "sidebar-1", true},
    {"twentynineteen", "menu-1", "sidebar-1", true},        {"twentyseventeen", "top", "sidebar-1", true},
    {"twentysixteen", "primary", "sidebar-1", true},        {"twentyfifteen", "primary", "sidebar-1", true},
    {"twentyfourteen", "primary", "sidebar-1", false},      {"twentythirteen", "primary", "sidebar-1", false},
    {"twentytwelve", "primary", "sidebar-1", false},        {"twentyeleven", "primary", "sidebar-1", false},
    {"twentyten", "primary", "primary-widget-area", false},
};
constexpr std::string_view blockThemes[] = {"twentytwentytwo", "twentytwentythree", "twentytwentyfour",
                                            "twentytwentyfive"};

} // namespace

const ClassicTheme* classicTheme(std::string_view theme)
{
    for (const ClassicTheme& known : classicThemes) {
        if (known.theme == theme)
            return &known;
    }
    return nullptr;
}

bool isBlockTheme(std::string_view theme)
{
    return std::find(std::begin(blockThemes), std::end(blockThemes), theme) != std::end(blockThemes);
}

} // namespace kestrel
