#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// How emlog made its addresses: its options isurlrewrite, isalias and isalias_html.
struct EmlogAddressing
{
    int rewrite = 0; // 0 ?post=N, 1 post-N.html, 2 post/N, 3 <category>/N.html
    bool aliases = false;
    bool aliasesEndInHtml = false;
};

// An article's addresses below the blog's root that readers and links used: ?post=N, which every emlog
// answers, and the one its settings gave. `category` is its category's alias or name, percent-encoded
// (empty for none).
std::vector<std::string> emlogArticleAddresses(const EmlogAddressing& addressing, std::int64_t gid,
                                               std::string_view alias, std::string_view category);
// A category's: ?sort=N, and sort/<alias or N> where addresses were rewritten.
std::vector<std::string> emlogCategoryAddresses(const EmlogAddressing& addressing, std::int64_t sid,
                                                std::string_view alias);

} // namespace kestrel
