#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

struct MigrationRun;

// Whether the blog has the table (emlog 6.x has no 微语); nothing, recorded, when that cannot be asked.
std::optional<bool> blogHas(MigrationRun& run, std::string_view migration, std::string_view table);

// A 微语 as emlog showed it: pro's Markdown made HTML with its line breaks off, 5.x's stored HTML as
// it is, and its image, when it has one, below.
std::string twitterHtml(std::string_view content, bool markdown, std::string_view imageAddress);

} // namespace kestrel
