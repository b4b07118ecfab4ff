#include "BlogLinks.h"

#include "TextHelpers.h"

#include <algorithm>
#include <array>

namespace kestrel {

namespace {

bool startsWithCaseless(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == prefix;
}

// A byte that cannot be part of an address written in a text: it ends the address there.
bool endsAddress(char c)
{
    static constexpr std::string_view enders = " \t\r\n\"'<>`()[]{}\\|^";
    return static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20 ||
           enders.find(c) != std::string_view::npos;
}

// What follows the blog's own path in an address's path and query ("/blog/post-1.html" → "post-1.html");
// nothing when the address leads elsewhere on the host.
std::optional<std::string_view> underBlogPath(std::string_view tail, std::string_view blogPath)
{
    if (tail.empty())
        return tail;
    if (tail.rfind(blogPath, 0) == 0)
        return tail.substr(blogPath.size());
    const std::string_view bare = blogPath.substr(0, blogPath.size() - 1); // "/blog", or "" for the host's root
    if (tail.rfind(bare, 0) == 0 &&
        (tail.size() == bare.size() || tail[bare.size()] == '?' || tail[bare.size()] == '#'))
        return tail.substr(bare.size());
    return std::nullopt;
}

} // namespace

std::optional<BlogAddress> parseBlogAddress(std::string_view blogurl)
{
    while (!blogurl.empty() && (blogurl.back() == ' ' || blogurl.front() == ' ')) {
        if (blogurl.back() == ' ')
            blogurl.remove_suffix(1);
        else
            blogurl.remove_prefix(1);
    }
    std::string_view rest;
    if (startsWithCaseless(blogurl, "http://"))
        rest = blogurl.substr(7);
    else if (startsWithCaseless(blogurl, "https://"))
        rest = blogurl.substr(8);
    else
        return std::nullopt;
    const auto slash = rest.find('/');
    BlogAddress address{asciiLower(rest.substr(0, slash)), "/"};
    if (address.host.empty())
        return std::nullopt;
    if (slash != std::string_view::npos) {
        address.path = std::string(rest.substr(slash));
        if (address.path.back() != '/')
            address.path += '/';
    }
    return address;
}

namespace {

// A relative address in an href or src attribute that starts at `i` (its opening quote), as the
// blog's pages read it: a path from the host's root under the blog's path ("/emlog/?post=10", or
// "/?post=10" for a blog at the root), or a query or article address relative to the blog's own
// pages ("?post=9", "post-9.html"). Its length and what follows the blog's path; nothing for any
// other value, which stays as it is.
std::optional<std::pair<std::size_t, std::string_view>>
relativeLink(std::string_view text, std::size_t i, const BlogAddress& blog, const BlogAddressing& addressing)
{
    const char quote = text[i];
    if ((quote != '"' && quote != '\'') || !((i >= 5 && startsWithCaseless(text.substr(i - 5), "href=")) ||
                                             (i >= 4 && startsWithCaseless(text.substr(i - 4), "src="))))
        return std::nullopt;
    const std::size_t close = text.find(quote, i + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view value = text.substr(i + 1, close - i - 1);
    if (value.empty() || value.find(':') != std::string_view::npos || value.rfind("//", 0) == 0)
        return std::nullopt;
    std::optional<std::string_view> rest;
    if (value.front() == '/') {
        rest = underBlogPath(value, blog.path);
    } else if (value.front() == '?') {
        rest = value;
    } else {
        // Relative to whichever page of the blog holds it, only an article's own number reads the same.
        const BlogLink read = readBlogPath(value, addressing);
        if (read.kind == BlogLink::Kind::Article && read.name.empty())
            rest = value;
    }
    // Files keep their own rewriting; an address the blog does not know stays as written.
    const BlogLink::Kind kind = rest ? readBlogPath(*rest, addressing).kind : BlogLink::Kind::Other;
    if (kind == BlogLink::Kind::Content || kind == BlogLink::Kind::Other)
        return std::nullopt;
    return std::pair{value.size(), *rest};
}

} // namespace

std::string rewriteBlogLinks(std::string_view text, const BlogAddress& blog, const BlogAddressing& addressing,
                             const std::function<std::string(const BlogLink&)>& resolve)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (const auto relative = relativeLink(text, i, blog, addressing)) {
            BlogLink link = readBlogPath(relative->second, addressing);
            link.original = std::string(text.substr(i + 1, relative->first));
            out += text[i];
            out += resolve(link);
            out += text[i];
            i += relative->first + 2;
            continue;
        }
        std::size_t schemeLength = 0;
        if (text[i] == 'h' || text[i] == 'H') {
            if (startsWithCaseless(text.substr(i), "http://"))
                schemeLength = 7;
            else if (startsWithCaseless(text.substr(i), "https://"))
                schemeLength = 8;
        }
        // Only where an address can start: not inside a longer word or address.
        const bool startsHere = schemeLength != 0 && (i == 0 || endsAddress(text[i - 1]) || text[i - 1] == '=');
        if (!startsHere) {
            const std::size_t length = characterLength(text, i);
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !endsAddress(text[end]))
            ++end;
        // Punctuation closing a sentence is not part of the address.
        while (end > i && std::string_view(".,;:!?").find(text[end - 1]) != std::string_view::npos &&
               !(text[end - 1] == ';' && text.substr(i, end - i).rfind('&') != std::string_view::npos))
            --end;
        const std::string_view address = text.substr(i, end - i);
        const std::string_view afterScheme = address.substr(schemeLength);
        const std::string_view host =
            afterScheme.substr(0, std::min(afterScheme.find_first_of("/?#"), afterScheme.size()));
        const std::optional<std::string_view> rest =
            asciiLower(host) == blog.host ? underBlogPath(afterScheme.substr(host.size()), blog.path) : std::nullopt;
        const bool ours = rest.has_value();
        if (!ours) {
            out.append(address);
            i = end;
            continue;
        }
        BlogLink link = readBlogPath(*rest, addressing);
        link.original = std::string(address);
        out += resolve(link);
        i = end;
    }
    return out;
}

} // namespace kestrel
