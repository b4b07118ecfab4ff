#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The old blog's own address, from emlog's option blogurl.
struct BlogAddress
{
    std::string host; // in lower case, with a port when it has one: "www.example.com", "example.com:8080"
    std::string path; // from "/" to the closing "/": "/" or "/blog/"
};
// Nothing for an address that is not http or https.
std::optional<BlogAddress> parseBlogAddress(std::string_view blogurl);

// What an address into the old blog names, read the way emlog reads its addresses.
struct BlogLink
{
    enum class Kind {
        Home,
        Article,       // by its number: ?post=N, post-N.html, post/N, N.html, <sort>/N.html
        ArticleAlias,  // <alias>, <alias>.html, <sort>/<alias>: an article only when one has that alias
        Category,      // ?sort=N, sort/N
        CategoryAlias, // sort/<alias or name>
        Tag,           // ?tag=<name>, tag/<name>
        Content,       // a file under content/
        Other,
    };
    Kind kind = Kind::Other;
    std::int64_t id = 0;  // Article, Category
    std::string name;     // the alias or the tag's name, its %-escapes decoded
    std::string path;     // after the blog's own path, with the query: "post-12.html", "content/a.jpg"
    std::string fragment; // "#comments", or empty
    std::string original; // the address as the text wrote it
};

// `rest` is what follows the blog's own path: "post-12.html?x#y".
BlogLink readBlogPath(std::string_view rest);

// Every address in an HTML or plain text that leads into the old blog (http or https, the whole
// host and the blog's path, or in an href or src attribute the relative forms its pages used:
// "/emlog/?post=10", "?post=9", "post-9.html"), replaced by what `resolve` gives for it. An address on a longer host
// (www.example.com.cn for www.example.com) or outside the blog's path is not the blog's.
std::string rewriteBlogLinks(std::string_view text, const BlogAddress& blog,
                             const std::function<std::string(const BlogLink&)>& resolve);

} // namespace kestrel
