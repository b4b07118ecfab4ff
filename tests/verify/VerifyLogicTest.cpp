// The verification's pure parts, without servers: what a reader reads of HTML however WordPress dresses
// it, how politely the site is asked and at which address, when an answer is whole, and emlog's addresses.
#include "EmlogAddresses.h"
#include "Politeness.h"
#include "ServedSite.h"
#include "VisibleText.h"
#include "WholeAnswer.h"

#include <gtest/gtest.h>

using namespace kestrel;

TEST(VisibleText, WordPresssDisplayRulesReadTheSameAndChangedWordsDoNot)
{
    struct Case
    {
        const char* name;
        const char* stored; // as the run stores it
        const char* shown;  // as a page shows it
        bool same;
    };
    const Case cases[] = {
        {"texturized quotes and dashes", "He said \"it's -- done...\" (tm) 2x3",
         "<p>He said &#8220;it&#8217;s &#8211; done&#8230;&#8221; &#8482; 2&#215;3</p>", true},
        {"wpautop's paragraphs and breaks", "one\ntwo\n\nthree", "<p>one<br />\ntwo</p>\n<p>three</p>", true},
        {"Protected: before a title", "秘密文章", "Protected: 秘密文章", false},
        {"emoji and CJK", "表情😀👨‍👩‍👧‍👦 𠮷野家 喆", "<p>表情&#x1F600; 𠮷野家 喆</p>", true},
        {"a script typed as text", "&lt;script&gt;alert(1)&lt;/script&gt;",
         "<p>&lt;script&gt;alert(1)&lt;/script&gt;</p>", true},
        {"the theme's scripts and styles are not text", "正文",
         "<style>.a{}</style><script>var x = '正文以外';</script><p>正文</p>", true},
        {"addresses made links", "see http://example.com/a?b=1 now",
         "see <a href=\"http://example.com/a?b=1\" rel=\"nofollow\">http://example.com/a?b=1</a> now", true},
        {"smilies made pictures", "great :lol: idea :)", "great <img alt=\":lol:\" src=\"x\" /> idea <img src=\"y\">",
         true},
        {"capital P", "Wordpress", "WordPress", true},
        {"a word cut", "欢迎使用emlog，这是第一篇文章", "<p>欢迎使用emlog，这是第一</p>", false},
        {"a word changed", "the quick fox", "<p>the quick cat</p>", false},
        {"markup inside a tag's attribute", "<a title='x > y' href=\"/\">link</a>", "link", true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(visibleText(test.stored) == visibleText(test.shown), test.same)
            << visibleText(test.stored).toStdString() << " | " << visibleText(test.shown).toStdString();
    }
    // A page shows more than the article: the article's text is found within it.
    EXPECT_TRUE(visibleText("<header>博客</header><h1>Protected: 秘密</h1>").contains(visibleText("秘密")));
    EXPECT_EQ(firstPageOf("one<!--nextpage-->two"), "one");
    EXPECT_EQ(attributeValues("<a href=\"/?p=1&amp;x=2\">a</a><img src='b.jpg'><a HREF=c>", "href"),
              (std::vector<std::string>{"/?p=1&x=2", "c"}));
}

TEST(Politeness, FourAtOnceFewerAndRestingAsTheSiteSlowsAndBackAgain)
{
    using std::chrono::milliseconds;
    Politeness politeness;
    EXPECT_EQ(politeness.allowed(), 4);
    struct Step
    {
        int answeredMs;
        int allowed;
        bool rests;
    };
    const Step steps[] = {{100, 4, false}, {3000, 3, false}, {3000, 2, true}, {3000, 1, true}, {3000, 1, true},
                          {50, 2, true},   {50, 2, true},    {50, 3, false},  {50, 3, false},  {50, 4, false}};
    for (const Step& step : steps) {
        politeness.answered(milliseconds(step.answeredMs));
        EXPECT_LE(politeness.allowed(), Politeness::most);
        EXPECT_EQ(politeness.allowed(), step.allowed) << step.answeredMs;
        EXPECT_EQ(politeness.rest() > milliseconds(0), step.rests) << step.answeredMs;
    }
    // A site whose requests stall until their timeouts: asked one at a time with the longest rest between,
    // and after a few quick answers four at a time again.
    for (int stalled = 0; stalled < 10; ++stalled)
        politeness.answered(milliseconds(120000));
    EXPECT_EQ(politeness.allowed(), 1);
    EXPECT_EQ(politeness.rest(), Politeness::longestRest);
    int quick = 0;
    while (politeness.allowed() < Politeness::most && quick < 100) {
        politeness.answered(milliseconds(50));
        ++quick;
    }
    EXPECT_LE(quick, 10);
}

TEST(ServedSite, WordPresssAddressesAreAskedForAtTheSiteUnderTheHomesName)
{
    struct Case
    {
        const char* home;
        const char* site;
        const char* address;
        const char* onSite; // null: nowhere the site serves
        const char* host;   // the Host header; empty: the address's own
    };
    const Case cases[] = {
        {"https://blog.example.com", "https://blog.example.com", "https://blog.example.com/hello/?a=1#c",
         "https://blog.example.com/hello/?a=1#c", ""},
        // The new server by its number, before the domain moves: pages under the home's name.
        {"https://blog.example.com", "http://203.0.113.5:8080", "https://Blog.Example.com/%E4%BD%A0/?p=3",
         "http://203.0.113.5:8080/%E4%BD%A0/?p=3", ""},
        {"https://blog.example.com", "http://203.0.113.5:8080", "http://203.0.113.5:8080/?p=3",
         "http://203.0.113.5:8080/?p=3", "blog.example.com"},
        {"https://blog.example.com", "http://203.0.113.5:8080", "https://old.example.org/?post=3", nullptr, ""},
        {"https://blog.example.com", "http://203.0.113.5:8080", "http://blog.example.com/hello/", nullptr, ""},
        {"https://example.com/blog", "http://[::1]:8080/staging", "https://example.com/blog?p=3",
         "http://[::1]:8080/staging?p=3", ""},
        {"https://example.com/blog", "http://[::1]:8080/staging", "https://example.com/blogger/", nullptr, ""},
        {"https://example.com:8443/blog", "http://[::1]:8080/staging", "http://[::1]:8080/staging/",
         "http://[::1]:8080/staging/", "example.com:8443"},
        // The home's own name at another port (a front before the server): the home's name and port.
        {"https://127.0.0.1:8443", "https://127.0.0.1:9443", "https://127.0.0.1:9443/?p=3",
         "https://127.0.0.1:9443/?p=3", "127.0.0.1:8443"},
        // A name of its own: its TLS server name and Host agree.
        {"https://blog.example.com", "https://staging.host.example", "https://staging.host.example/?p=3",
         "https://staging.host.example/?p=3", ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.site) + " " + test.address);
        const ServedSite served(test.home, QUrl(QString::fromUtf8(test.site)));
        const std::optional<QUrl> onSite = served.onSite(std::string(test.address));
        EXPECT_EQ(onSite ? onSite->toString(QUrl::FullyEncoded).toStdString() : "(none)",
                  test.onSite ? test.onSite : "(none)");
        EXPECT_EQ(served.hostFor(QUrl(QString::fromUtf8(test.address))).toStdString(), test.host);
    }
}

TEST(WholeAnswer, AnAnswerThatOnlyAClosedConnectionEndsIsWholeWhenItReadsWhole)
{
    struct Case
    {
        const char* type;
        const char* body;
        bool whole;
    };
    const Case cases[] = {
        {"text/html; charset=UTF-8", "<!DOCTYPE html>\n<html><body>全文</body>\n</html>\n", true},
        {"text/html", "<html><body>A page whose end has not come", false},
        {"TEXT/HTML", "<html></HTML> \r\n", true},
        {"text/html", "<p>an article that quotes </html> in its text", false},
        {"application/json; charset=UTF-8", "[{\"id\":1,\"link\":\"https://example.com/?p=1\"}]", true},
        {"application/json", "[{\"id\":1},", false},
        {"application/json", "{\"ids\":[1,2]", false},
        {"image/png", "\x89PNG</html>", false},
        {"", "</html>", false},
    };
    for (const Case& test : cases)
        EXPECT_EQ(readsWhole(test.type, test.body), test.whole) << test.type << " " << test.body;
}

TEST(EmlogAddresses, EachSettingGivesTheAddressReadersUsed)
{
    struct Case
    {
        EmlogAddressing addressing;
        const char* alias;
        const char* category;
        std::vector<std::string> article;
        std::vector<std::string> sort;
    };
    const Case cases[] = {
        {{0, false, false}, "", "", {"?post=6"}, {"?sort=3"}},
        {{1, false, false}, "", "linux", {"?post=6", "post-6.html"}, {"?sort=3", "sort/linux"}},
        {{2, false, false}, "", "", {"?post=6", "post/6"}, {"?sort=3", "sort/3"}},
        {{3, false, false}, "", "linux", {"?post=6", "linux/6.html"}, {"?sort=3", "sort/linux"}},
        {{3, false, false}, "", "", {"?post=6", "6.html"}, {"?sort=3", "sort/3"}},
        {{0, true, false}, "hello", "", {"?post=6", "hello"}, {"?sort=3"}},
        {{1, true, true}, "hello", "", {"?post=6", "hello.html"}, {"?sort=3", "sort/3"}},
        {{3, true, false}, "hello", "life", {"?post=6", "life/hello"}, {"?sort=3", "sort/life"}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(emlogArticleAddresses(test.addressing, 6, test.alias, test.category), test.article);
        EXPECT_EQ(emlogCategoryAddresses(test.addressing, 3, test.category), test.sort);
    }
}
