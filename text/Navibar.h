#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A page of emlog 3.2 to 4.2's navigation bar, the option navibar: a PHP-serialized array of the pages
// it shows, by gid, each {title, url, is_blank, hide}.
struct NavibarPage
{
    std::int64_t gid = 0;
    std::string title;
    std::string url;     // where it leads instead of to the page itself; empty for the page
    bool newTab = false; // is_blank "_blank"
    bool hidden = false; // hide "y"
};

// Its pages in its order; none for a value that is no such array.
std::vector<NavibarPage> navibarPages(std::string_view navibar);

} // namespace kestrel
