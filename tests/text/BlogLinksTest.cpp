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
    case Kind::Category:
        return "category";
    case Kind::Tag:
        return "tag";
    case Kind::Download:
        return "download";
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

// A blog's names: articles 15 (about), 37 (sunset) and 9 (notes); categories 1 life, 2 tech (技术)
// with 3 linux under it, 6 photo, and 8, whose alias notes is an article's too.
BlogAddressing blogNames(int rewriting, bool articleAliases, bool shortAddresses, bool categoryAddresses)
{
    BlogAddressing blog;
    blog.rewriting = rewriting;
    blog.articleAliases = articleAliases;
    blog.shortAddresses = shortAddresses;
    blog.categoryAddresses = categoryAddresses;
    blog.articles = {{"about", 15}, {"sunset", 37}, {"notes", 9}};
    blog.categoryAliases = {{"life", 1}, {"tech", 2}, {"linux", 3}, {"photo", 6}, {"notes", 8}};
    blog.categories = blog.categoryAliases;
    blog.categories.insert({{"技术", 2}, {"Linux", 3}});
    blog.parentAliases = {{3, "tech"}};
    return blog;
}

} // namespace

// Every address form emlog gave, whatever the blog's settings.
TEST(BlogLinks, EmlogsAddressForms)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "[home]"},
        {"index.php", "[home]"},
        {"?post=12", "[article:12]"},
        {"index.php?post=12&amp;page=2", "[article:12]"},
        {"post-12.html", "[article:12]"},
        {"post/12", "[article:12]"},
        {"post/12/", "[article:12]"},
        {"12.html", "[article:12]"},
        {"linux/12.html", "[article:12]"},
        {"post-12.html#comments", "[article:12#comments]"},
        {"?sort=3", "[category:3]"},
        {"sort/3", "[category:3]"},
        {"sort/linux/page/2", "[category:3]"},
        {"sort/%E6%8A%80%E6%9C%AF", "[category:2]"},
        {"?tag=%E4%B8%AD%E6%96%87", "[tag:中文]"},
        {"tag/Qt+5", "[tag:Qt 5]"},
        {"content/uploadfile/201403/a.jpg", "[content]"},
        {"?resource_alias=Ab3_ab3_Ab3_ab3_", "[download:Ab3_ab3_Ab3_ab3_]"},
        {"index.php?resource_alias=Ab3_ab3_Ab3_ab3_&amp;resource_filename=291f1394000000",
         "[download:Ab3_ab3_Ab3_ab3_]"},
        // Not emlog's: too short an alias for its downloads, unknown names, lists it never gave a name.
        {"?resource_alias=abc", "[other]"},
        {"sort/nowhere", "[other]"},
        {"?record=201205", "[other]"},
        {"record/201205", "[other]"},
        {"author/1", "[other]"},
        {"rss.php", "[other]"},
        {"admin/", "[other]"},
        {"?post=abc", "[other]"},
        {"a//b", "[other]"},
        {"one/two/three", "[other]"},
    };
    for (int rewriting : {0, 1, 2, 3}) {
        const BlogAddressing blog = blogNames(rewriting, true, true, true);
        for (const auto& [path, expected] : cases)
            EXPECT_EQ(described(readBlogPath(path, blog)), expected) << path << " in mode " << rewriting;
    }
}

// The bare forms name an article or a category only where the blog's settings gave such addresses:
// any other path of the host stays what it is.
TEST(BlogLinks, BareAddressesAsTheBlogsSettingsMadeThem)
{
    struct Settings
    {
        const char* name;
        BlogAddressing blog;
    };
    constexpr std::size_t settingCount = 5;
    const Settings settings[settingCount] = {
        {"dynamic", blogNames(0, false, false, false)},
        {"dynamic with aliases", blogNames(0, true, true, true)},
        {"rewritten before pro", blogNames(2, false, false, false)},
        {"pro, rewritten", blogNames(2, true, false, true)},
        {"pro, short addresses", blogNames(2, true, true, true)},
    };
    struct Case
    {
        const char* path;
        const char* expected[settingCount];
    };
    const Case cases[] = {
        {"12", {"[other]", "[other]", "[other]", "[other]", "[article:12]"}},
        {"about", {"[other]", "[article:15]", "[article:15]", "[article:15]", "[article:15]"}},
        {"about.html", {"[other]", "[article:15]", "[article:15]", "[article:15]", "[article:15]"}},
        {"no-such-alias", {"[other]", "[other]", "[other]", "[other]", "[other]"}},
        // Under a category's alias or name (mode 3), never under another path of the host.
        {"linux/about", {"[other]", "[article:15]", "[article:15]", "[article:15]", "[article:15]"}},
        {"%E6%8A%80%E6%9C%AF/sunset.html", {"[other]", "[article:37]", "[article:37]", "[article:37]", "[article:37]"}},
        {"wiki/about", {"[other]", "[other]", "[other]", "[other]", "[other]"}},
        // pro's category addresses: its alias, under its parent's alias when that has one; never as .html.
        {"photo", {"[other]", "[other]", "[other]", "[category:6]", "[category:6]"}},
        {"photo/page/2", {"[other]", "[other]", "[other]", "[category:6]", "[category:6]"}},
        {"tech/linux", {"[other]", "[other]", "[other]", "[category:3]", "[category:3]"}},
        {"tech/linux/page/3", {"[other]", "[other]", "[other]", "[category:3]", "[category:3]"}},
        {"linux", {"[other]", "[other]", "[other]", "[category:3]", "[category:3]"}},
        {"life/linux", {"[other]", "[other]", "[other]", "[other]", "[other]"}},
        {"photo.html", {"[other]", "[other]", "[other]", "[other]", "[other]"}},
        // An alias both have names the article, as emlog looked articles up first.
        {"notes", {"[other]", "[article:9]", "[article:9]", "[article:9]", "[article:9]"}},
    };
    for (const Case& row : cases) {
        for (std::size_t i = 0; i < std::size(settings); ++i)
            EXPECT_EQ(described(readBlogPath(row.path, settings[i].blog)), row.expected[i])
                << row.path << " (" << settings[i].name << ")";
    }
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
    const BlogAddressing names = blogNames(2, true, true, true);
    const auto rewrite = [&](std::string_view blogurl, std::string_view text) {
        return rewriteBlogLinks(text, *parseBlogAddress(blogurl), names, described);
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
        // pro's own forms: a download, a category and a short address, and the blog's names root-relative.
        {"https://example.com/blog/",
         "[下载](https://example.com/blog/?resource_alias=Ab3_ab3_Ab3_ab3_&resource_filename=x) "
         "<a href='https://example.com/blog/tech/linux'>l</a> https://example.com/blog/12。"
         "<a href=\"?resource_alias=Ab3_ab3_Ab3_ab3_\">d</a><a href=\"/blog/about\">a</a>",
         "[下载]([download:Ab3_ab3_Ab3_ab3_]) <a href='[category:3]'>l</a> [article:12]。"
         "<a href=\"[download:Ab3_ab3_Ab3_ab3_]\">d</a><a href=\"[article:15]\">a</a>"},
        // Not the blog's: outside its folder, another host without a scheme, files, unknown paths,
        // and text that merely reads like an address.
        {"https://example.com/blog/",
         "<a href=\"/?post=1\">g</a><a href=\"//evil.example/?post=1\">h</a><img src=\"/blog/content/a.png\">"
         "<a href=\"about.html\">i</a> ?post=2 <a href=\"#top\">j</a><a href=\"photo\">k</a>",
         "<a href=\"/?post=1\">g</a><a href=\"//evil.example/?post=1\">h</a><img src=\"/blog/content/a.png\">"
         "<a href=\"about.html\">i</a> ?post=2 <a href=\"#top\">j</a><a href=\"photo\">k</a>"},
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
