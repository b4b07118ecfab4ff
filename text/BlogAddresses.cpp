#include "BlogAddresses.h"

#include "TextHelpers.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kestrel {

namespace {

bool isDigits(std::string_view text)
{
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// An attachment's alias as emlog pro makes it and its download reads it: 16 word characters.
bool isDownloadAlias(std::string_view text)
{
    return text.size() == 16 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
           });
}

// The value of one key of a query ("post=3&amp;page=2"), as written; nothing when absent.
std::optional<std::string> queryValue(std::string_view query, std::string_view key)
{
    for (const std::string& pair : splitText(replaceAll(query, "&amp;", "&"), '&')) {
        const auto equals = pair.find('=');
        if (equals != std::string::npos && pair.substr(0, equals) == key)
            return pair.substr(equals + 1);
    }
    return std::nullopt;
}

// "sort/linux/page/2" → "sort/linux": the next pages of a list lead to the list.
std::string_view withoutPageNumber(std::string_view path)
{
    if (const auto at = path.rfind("/page/"); at != std::string_view::npos && isDigits(path.substr(at + 6)))
        return path.substr(0, at);
    return path;
}

std::string_view withoutHtml(std::string_view segment)
{
    return endsWith(segment, ".html") ? segment.substr(0, segment.size() - 5) : segment;
}

// A path segment as emlog's urlencode wrote a name into it.
std::string decoded(std::string_view segment)
{
    return percentDecoded(segment, true);
}

template <typename Map>
auto found(const Map& map, const typename Map::key_type& key) -> std::optional<typename Map::mapped_type>
{
    const auto at = map.find(key);
    return at == map.end() ? std::nullopt : std::optional<typename Map::mapped_type>(at->second);
}

// What the path part of an address names, by the blog's settings and names.
BlogLink readPath(BlogLink link, std::string_view path, const BlogAddressing& blog)
{
    using Kind = BlogLink::Kind;
    const auto article = [&](std::int64_t gid, std::string alias = {}) {
        link.kind = Kind::Article;
        link.id = gid;
        link.name = std::move(alias);
        return link;
    };
    const auto category = [&](std::int64_t sid, std::string alias = {}) {
        link.kind = Kind::Category;
        link.id = sid;
        link.name = std::move(alias);
        return link;
    };
    const auto number = [](std::string_view digits) { return std::stoll(std::string(digits)); };
    // An article's alias, where the blog's addresses could name one by it.
    const auto byAlias = [&](std::string_view segment) -> std::optional<std::int64_t> {
        return blog.readsArticleAliases() ? found(blog.articles, decoded(withoutHtml(segment))) : std::nullopt;
    };
    // A category's own address names it by its alias, under its parent's alias when that has one.
    const auto categoryAt = [&](std::string_view segment, std::optional<std::string_view> parent) {
        std::optional<std::int64_t> sid;
        if (blog.readsCategoryAddresses())
            sid = found(blog.categoryAliases, decoded(segment));
        const std::string parentAlias = sid ? found(blog.parentAliases, *sid).value_or("") : "";
        if (sid && (!parent || decoded(*parent) == parentAlias))
            return category(*sid, decoded(segment));
        return link;
    };

    if (path.rfind("content/", 0) == 0) {
        link.kind = Kind::Content;
        return link;
    }
    const std::string_view list = withoutPageNumber(path);
    const bool paged = list.size() < path.size();
    const std::vector<std::string> parts = splitText(list, '/');
    if (parts.empty() || std::any_of(parts.begin(), parts.end(), [](const std::string& part) { return part.empty(); }))
        return link;

    if (parts.size() == 1) {
        const std::string_view one = parts[0];
        if (paged)
            return categoryAt(one, std::nullopt);
        const std::string_view stem = withoutHtml(one);
        if (one.rfind("post-", 0) == 0 && stem.size() < one.size() && isDigits(stem.substr(5)))
            return article(number(stem.substr(5)));
        // N.html in mode 3 and with short addresses in mode 1; a bare N only with short addresses.
        if (isDigits(stem))
            return stem.size() < one.size() || blog.readsShortAddresses() ? article(number(stem)) : link;
        if (stem.find('.') != std::string_view::npos)
            return link;
        if (const auto gid = byAlias(one))
            return article(*gid, decoded(stem));
        return stem.size() == one.size() ? categoryAt(one, std::nullopt) : link;
    }
    if (parts.size() != 2)
        return link;
    const std::string_view first = parts[0];
    const std::string_view second = parts[1];
    if (first == "sort") {
        if (isDigits(second))
            return category(number(second));
        if (const auto sid = found(blog.categories, decoded(second)))
            return category(*sid, decoded(second));
        return link;
    }
    if (first == "tag") {
        link.kind = Kind::Tag;
        link.name = decoded(second);
        return link;
    }
    if (first == "record" || first == "author" || first == "page")
        return link;
    if (paged)
        return categoryAt(second, first);
    if (first == "post")
        return isDigits(second) ? article(number(second)) : link;
    // By category: <sort>/12.html, or <sort alias or name>/<alias>[.html].
    const std::string_view stem = withoutHtml(second);
    if (isDigits(stem) && stem.size() < second.size())
        return article(number(stem));
    if (stem.find('.') != std::string_view::npos)
        return link;
    if (const auto gid = byAlias(second); gid && blog.categories.count(decoded(first)))
        return article(*gid, decoded(stem));
    return stem.size() == second.size() ? categoryAt(second, first) : link;
}

} // namespace

BlogLink readBlogPath(std::string_view rest, const BlogAddressing& blog)
{
    BlogLink link;
    if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
        link.fragment = std::string(rest.substr(hash));
        rest = rest.substr(0, hash);
    }
    link.path = std::string(rest);
    const auto question = rest.find('?');
    const std::string_view path = rest.substr(0, question);
    const std::string_view query = question == std::string_view::npos ? std::string_view() : rest.substr(question + 1);
    if (!path.empty() && path != "index.php")
        return readPath(std::move(link), path, blog);
    if (const auto post = queryValue(query, "post"); post && isDigits(*post)) {
        link.kind = BlogLink::Kind::Article;
        link.id = std::stoll(*post);
    } else if (const auto sort = queryValue(query, "sort"); sort && isDigits(*sort)) {
        link.kind = BlogLink::Kind::Category;
        link.id = std::stoll(*sort);
    } else if (const auto tag = queryValue(query, "tag"); tag && !tag->empty()) {
        link.kind = BlogLink::Kind::Tag;
        link.name = percentDecoded(*tag, true);
    } else if (const auto alias = queryValue(query, "resource_alias"); alias && isDownloadAlias(*alias)) {
        link.kind = BlogLink::Kind::Download;
        link.name = *alias;
    } else if (query.empty()) {
        link.kind = BlogLink::Kind::Home;
    }
    return link;
}

} // namespace kestrel
