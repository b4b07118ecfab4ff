#include "Themes.h"

#include <algorithm>
#include <iterator>

namespace kestrel {

namespace {

constexpr ClassicTheme classicThemes[] = {
    {"twentytwentyone", "primary", "sidebar-1"},     {"twentytwenty", "primary", "sidebar-1"},
    {"twentynineteen", "menu-1", "sidebar-1"},       {"twentyseventeen", "top", "sidebar-1"},
    {"twentysixteen", "primary", "sidebar-1"},       {"twentyfifteen", "primary", "sidebar-1"},
    {"twentyfourteen", "primary", "sidebar-1"},      {"twentythirteen", "primary", "sidebar-1"},
    {"twentytwelve", "primary", "sidebar-1"},        {"twentyeleven", "primary", "sidebar-1"},
    {"twentyten", "primary", "primary-widget-area"},
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
