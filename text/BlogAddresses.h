#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kestrel {

// How the old blog wrote its own addresses (its settings), and the names they hold: what reading an
// address needs to tell an article, a category or a download from any other path of its host.
struct BlogAddressing
{
    // isurlrewrite: 0 dynamic (?post=N), 1 post-N.html, 2 post/N, 3 by category (<sort>/N.html).
    int rewriting = 0;
    bool articleAliases = false;    // isalias: an article with an alias lives at /<alias>
    bool shortAddresses = false;    // is_sample_url (pro): /N.html in mode 1, /N in mode 2
    bool categoryAddresses = false; // pro: a category with an alias lives at /<alias> or /<parent alias>/<alias>
    std::unordered_map<std::string, std::int64_t> articles;        // article alias → gid
    std::unordered_map<std::string, std::int64_t> categories;      // category alias or name → sid
    std::unordered_map<std::string, std::int64_t> categoryAliases; // a category's own alias → sid
    std::unordered_map<std::int64_t, std::string> parentAliases;   // sid → its parent's alias, where it has one
    std::unordered_map<std::string, std::string> downloads;        // attachment alias (pro) → its filepath

    // A bare /<alias> is an article's when the blog wrote its aliases so, or when its addresses went
    // through emlog's own router (any rewriting), which read every article alias there.
    bool readsArticleAliases() const { return articleAliases || rewriting != 0; }
    // Without rewriting the web server never handed such paths to emlog.
    bool readsShortAddresses() const { return shortAddresses && rewriting != 0; }
    bool readsCategoryAddresses() const { return categoryAddresses && rewriting != 0; }
};

// What an address into the old blog names, read the way emlog reads its addresses.
struct BlogLink
{
    enum class Kind {
        Home,
        Article,  // ?post=N, post-N.html, post/N, N.html, <sort>/N.html, /N, an article's alias
        Category, // ?sort=N, sort/<N, alias or name>, a category's own address
        Tag,      // ?tag=<name>, tag/<name>
        Download, // ?resource_alias=<alias>: emlog pro's download of an attachment
        Content,  // a file under content/
        Other,
    };
    Kind kind = Kind::Other;
    std::int64_t id = 0;  // Article, Category
    std::string name;     // a Tag's name or a Download's alias; for an Article or Category read by its alias, the alias
    std::string path;     // after the blog's own path, with the query: "post-12.html", "content/a.jpg"
    std::string fragment; // "#comments", or empty
    std::string original; // the address as the text wrote it
};

// `rest` is what follows the blog's own path: "post-12.html?x#y". A path that names nothing of the
// blog's (a bare /<word> that is no alias it has, or one its settings never gave an address) is Other.
BlogLink readBlogPath(std::string_view rest, const BlogAddressing& blog);

} // namespace kestrel
