#include "BlogLinks.h"
#include "HtmlText.h"

#include <gtest/gtest.h>

using namespace kestrel;
using Kind = BlogLink::Kind;

namespace {

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Home:
        return "home";
    case Kind::Article:
        return "article";
    case Kind::ArticleAlias:
        return "alias";
    case Kind::Category:
        return "category";
    case Kind::CategoryAlias:
        return "category-alias";
    case Kind::Tag:
        return "tag";
    case Kind::Content:
        return "content";
    case Kind::Other:
        return "other";
    }
    return "";
}

// Each link as "kind:id-or-name", so that a test reads what was recognised.
std::string described(const BlogLink& link)
{
    std::string text = kindName(link.kind);
    if (link.kind == Kind::Article || link.kind == Kind::Category)
        text += ":" + std::to_string(link.id);
    else if (!link.name.empty())
        text += ":" + link.name;
    return "[" + text + link.fragment + "]";
}

} // namespace

// Every address form emlog gave, under each of its four address settings.
TEST(BlogLinks, EmlogsAddressForms)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "[home]"},
        {"index.php", "[home]"},
        {"?post=12", "[article:12]"},
        {"index.php?post=12&amp;page=2", "[article:12]"},
        {"post-12.html", "[article:12]"},
        {"post/12", "[article:12]"},
        {"12.html", "[article:12]"},
        {"linux/12.html", "[article:12]"},
        {"about", "[alias:about]"},
        {"about.html", "[alias:about]"},
        {"linux/about", "[alias:about]"},
        {"post-12.html#comments", "[article:12#comments]"},
        {"?sort=3", "[category:3]"},
        {"sort/3", "[category:3]"},
        {"sort/linux/page/2", "[category-alias:linux]"},
        {"?tag=%E4%B8%AD%E6%96%87", "[tag:中文]"},
        {"tag/Qt+5", "[tag:Qt 5]"},
        {"content/uploadfile/201403/a.jpg", "[content]"},
        {"?record=201205", "[other]"},
        {"record/201205", "[other]"},
        {"author/1", "[other]"},
        {"rss.php", "[other]"},
        {"admin/", "[other]"},
        {"?post=abc", "[other]"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(described(readBlogPath(path)), expected) << path;
}

TEST(BlogLinks, TheBlogsAddress)
{
    EXPECT_EQ(parseBlogAddress("http://www.Example.com/")->host, "www.example.com");
    EXPECT_EQ(parseBlogAddress("https://example.com/blog")->path, "/blog/");
    EXPECT_EQ(parseBlogAddress("http://example.com:8080/")->host, "example.com:8080");
    EXPECT_FALSE(parseBlogAddress("ftp://example.com/"));
    EXPECT_FALSE(parseBlogAddress("example.com"));
}

// Only whole addresses into the blog change; everything around them stays byte for byte.
TEST(BlogLinks, RewritesOnlyTheBlogsOwnAddresses)
{
    const auto rewrite = [](std::string_view blogurl, std::string_view text) {
        return rewriteBlogLinks(text, *parseBlogAddress(blogurl), described);
    };
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"http://www.example.com/", "<a href='http://www.example.com/post-38.html'>It's</a>",
         "<a href='[article:38]'>It's</a>"},
        {"http://www.example.com/", "<a href=\"HTTPS://WWW.example.com/?post=3\">x</a>",
         "<a href=\"[article:3]\">x</a>"},
        {"http://www.example.com/", "http://www.example.com 和 http://www.example.com/。", "[home] 和 [home]。"},
        {"http://www.example.com/", "见 http://www.example.com/sort/3.", "见 [category:3]."},
        {"http://www.example.com/", "<img src=\"http://www.example.com/content/uploadfile/a.jpg\">",
         "<img src=\"[content]\">"},
        // Not the blog: a longer host, another host, another port, a word that merely contains it.
        {"http://www.example.com/", "http://www.example.com.cn/post-1.html", "http://www.example.com.cn/post-1.html"},
        {"http://www.example.com/", "http://example.com/post-1.html", "http://example.com/post-1.html"},
        {"http://www.example.com/", "http://www.example.com:81/post-1.html", "http://www.example.com:81/post-1.html"},
        {"http://www.example.com/", "xhttp://www.example.com/", "xhttp://www.example.com/"},
        // A blog in a folder: only addresses under that folder are its.
        {"https://example.com/blog/", "https://example.com/blog/post-2.html https://example.com/blog",
         "[article:2] [home]"},
        {"https://example.com/blog/", "https://example.com/blogger/x https://example.com/other",
         "https://example.com/blogger/x https://example.com/other"},
        {"https://example.com/blog/", "https://example.com/blog?post=4", "[article:4]"},
        // The relative forms the blog's pages used, in links and images.
        {"http://www.example.com/", "<a href=\"/?post=10\">a</a> <a href='?post=9#c'>b</a>",
         "<a href=\"[article:10]\">a</a> <a href='[article:9#c]'>b</a>"},
        {"https://example.com/blog/", "<a href=\"/blog/post-3.html\">c</a><A HREF=\"post-5.html\">d</A>",
         "<a href=\"[article:3]\">c</a><A HREF=\"[article:5]\">d</A>"},
        {"https://example.com/blog/", "<a href=\"/blog/sort/2\">e</a> <a href=\"/blog/\">f</a>",
         "<a href=\"[category:2]\">e</a> <a href=\"[home]\">f</a>"},
        // Not the blog's: outside its folder, another host without a scheme, files, unknown paths,
        // and text that merely reads like an address.
        {"https://example.com/blog/",
         "<a href=\"/?post=1\">g</a><a href=\"//evil.example/?post=1\">h</a><img src=\"/blog/content/a.png\">"
         "<a href=\"about.html\">i</a> ?post=2 <a href=\"#top\">j</a>",
         "<a href=\"/?post=1\">g</a><a href=\"//evil.example/?post=1\">h</a><img src=\"/blog/content/a.png\">"
         "<a href=\"about.html\">i</a> ?post=2 <a href=\"#top\">j</a>"},
    };
    for (const auto& [blogurl, text, expected] : cases)
        EXPECT_EQ(rewrite(blogurl, text), expected) << text;
}

TEST(HtmlText, EscapedAsPhpsHtmlspecialchars)
{
    EXPECT_EQ(escapeHtml("<script>alert('x')</script> & \"y\""),
              "&lt;script&gt;alert(&#039;x&#039;)&lt;/script&gt; &amp; &quot;y&quot;");
    EXPECT_EQ(escapeHtml("中文\r\n第二行 &amp;"), "中文\r\n第二行 &amp;amp;");
}
