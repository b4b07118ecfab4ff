// The blog's address on the first line, then a text: its links to the blog are found and, given back
// as they were written, leave the text as it was; made into new addresses, each is one the blog used.
// The text's first byte sets how the blog wrote its addresses, so that every bare form is read too.
#include "BlogAddresses.h"
#include "BlogLinks.h"
#include "FuzzTargets.h"

#include <string>

namespace kestrel::fuzz {

int blogLinks(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view first = input.substr(0, newline);
    const std::string_view text = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    const std::optional<BlogAddress> parsed = parseBlogAddress(first);
    const BlogAddress blog = parsed.value_or(BlogAddress{"www.example.com", "/blog/"});
    expect(!blog.path.empty() && blog.path.front() == '/' && blog.path.back() == '/', "a blog's path is a folder");

    BlogAddressing addressing;
    if (!text.empty()) {
        const auto settings = static_cast<unsigned char>(text.front());
        addressing.rewriting = settings % 4;
        addressing.articleAliases = (settings & 4) != 0;
        addressing.shortAddresses = (settings & 8) != 0;
        addressing.categoryAddresses = (settings & 16) != 0;
    }
    addressing.articles = {{"about", 7}};
    addressing.categories = {{"linux", 3}, {"tech", 2}};
    addressing.categoryAliases = {{"linux", 3}, {"tech", 2}};
    addressing.parentAliases = {{3, "tech"}};
    addressing.downloads = {{"abcdefghijklmnop", "content/uploadfile/201205/a.zip"}};

    const std::string same =
        rewriteBlogLinks(text, blog, addressing, [](const BlogLink& link) { return link.original; });
    expect(same == text, "links given back as written leave the text as it was");

    std::size_t links = 0;
    const std::string marked = rewriteBlogLinks(text, blog, addressing, [&links](const BlogLink& link) {
        expect(!link.original.empty(), "a link found was written");
        expect(link.kind != BlogLink::Kind::Article || link.id >= 0, "an article's number is a number");
        ++links;
        return std::string("\x01");
    });
    std::size_t marks = 0;
    for (const char c : marked)
        marks += c == '\x01';
    std::size_t before = 0;
    for (const char c : text)
        before += c == '\x01';
    expect(marks == before + links, "each link found is replaced once");

    const BlogLink path = readBlogPath(text, addressing);
    expect(path.kind != BlogLink::Kind::Category || path.id >= 0, "a category's number is a number");
    return 0;
}

} // namespace kestrel::fuzz
