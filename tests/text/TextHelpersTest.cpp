#include "TextHelpers.h"
#include "Slugs.h"
#include "Ubb.h"

#include <gtest/gtest.h>

using namespace kestrel;

using Pieces = std::vector<std::string>;

// The slugs WordPress's own sanitize_title gives these titles, so that WordPress finds each page again.
TEST(WordPressSlug, WhatWordPressMakesOfATitle)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Hello World", "hello-world"},
        {"PHP", "php"},
        {"", ""},
        {"中文", "%e4%b8%ad%e6%96%87"},
        {"照片 1.png", "%e7%85%a7%e7%89%87-1-png"},
        {"😀", "%f0%9f%98%80"},
        {"Tom's \\ \"notes\" 100%", "toms-notes-100"},
        {"Qt 5", "qt-5"},
        {"C++", "c"},
        {"  --a -- b--  ", "a-b"},
        {"a/b.c_d", "a-b-c_d"},
        {"<b>Bold</b> move", "bold-move"},
        {"Fish &amp; Chips", "fish-chips"},
        {"It’s “quoted” — well…", "its-quoted-well"},
        {"ÄÖÜ café ＡＢＣ Ωмега",
         "%c3%a4%c3%b6%c3%bc-caf%c3%a9-%ef%bd%81%ef%bd%82%ef%bd%83-%cf%89%d0%bc%d0%b5%d0%b3%d0%b0"},
        {"50%25 off", "50%25-off"},
        {"\xE4\xB8 cut", "cut"}, // a character cut off is not UTF-8: it goes
    };
    for (const auto& [title, slug] : cases)
        EXPECT_EQ(wordPressSlug(title), slug) << title;
}

TEST(WordPressSlug, CutBetweenCharactersAndMadeUnique)
{
    EXPECT_EQ(wordPressSlug("中文", 17), "%e4%b8%ad");
    EXPECT_EQ(wordPressSlug("ab cd", 3), "ab");
    TakenSlugs taken = std::unordered_set<std::string>{"hello", "hello-2"};
    EXPECT_EQ(uniqueSlug("hello", "7", taken), "hello-3");
    EXPECT_EQ(uniqueSlug("", "7", taken), "7-2"); // a bare number would be read as a date or a page
    EXPECT_EQ(uniqueSlug("2024", "8", taken), "2024-2");
    EXPECT_EQ(uniqueSlug("new", "9", taken), "new");
    EXPECT_TRUE(taken.count("new"));
}

TEST(WordPressSlug, ManyEqualNamesEachTakeTheNextNumber)
{
    TakenSlugs taken = std::unordered_set<std::string>{"image-jpg", "image-jpg-3", "2024-2"};
    const std::pair<const char*, const char*> cases[] = {
        {"image-jpg", "image-jpg-2"}, {"image-jpg", "image-jpg-4"}, {"image-jpg", "image-jpg-5"}, {"other", "other"},
        {"image-jpg", "image-jpg-6"}, {"2024", "2024-3"},           {"2024", "2024-4"},           {"other", "other-2"},
    };
    for (const auto& [slug, unique] : cases)
        EXPECT_EQ(uniqueSlug(slug, "1", taken), unique) << slug;
}

TEST(CharacterLength, StepsWholeCharactersAndNeverPastTheEnd)
{
    const std::string text = "a中😀é";
    EXPECT_EQ(characterLength(text, 0), 1u);
    EXPECT_EQ(characterLength(text, 1), 3u);
    EXPECT_EQ(characterLength(text, 4), 4u);
    EXPECT_EQ(characterLength(text, 8), 2u);
    EXPECT_EQ(characterLength(text, 10), 0u);
    EXPECT_EQ(characterLength("\xE4\xB8", 0), 1u);     // truncated
    EXPECT_EQ(characterLength("\xFF", 0), 1u);         // never valid
    EXPECT_EQ(characterLength("\xC0\x80", 0), 1u);     // overlong
    EXPECT_EQ(characterLength("\xED\xA0\x80", 0), 1u); // surrogate
    EXPECT_EQ(characterLength("\x80", 0), 1u);         // stray continuation
    // Cut after whole characters only.
    EXPECT_EQ(leadingCharacters(text, 2), "a中");
    EXPECT_EQ(leadingCharacters(text, 3), "a中😀");
    EXPECT_EQ(leadingCharacters(text, 9), text);
    EXPECT_EQ(leadingCharacters(text, 0), "");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnCharacterBoundaries)
{
    EXPECT_EQ(replaceAll("It's Bob's", "'", "’"), "It’s Bob’s");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("<img src=\"http://a.b/x.png\">http://a.b", "http://a.b", ".."), "<img src=\"../x.png\">..");
    EXPECT_EQ(replaceAll("HTTP://A.B/x", "http://a.b", ".."), "HTTP://A.B/x");
    // "中" is E4 B8 AD: a pattern made of its tail bytes must not match inside it.
    EXPECT_EQ(replaceAll("中", "\xB8\xAD", "x"), "中");
    EXPECT_EQ(replaceAll("text", "", "x"), "text");
    EXPECT_EQ(replaceAll("", "a", "b"), "");
}

TEST(SplitText, PiecesBetweenSeparators)
{
    EXPECT_EQ(splitText("", ','), Pieces{});
    EXPECT_EQ(splitText(",", ','), Pieces{""});
    EXPECT_EQ(splitText(",12,15,", ','), (Pieces{"", "12", "15"}));
    EXPECT_EQ(splitText("12,15", ','), (Pieces{"12", "15"}));
    EXPECT_EQ(splitText(",12,,15,", ','), (Pieces{"", "12", "", "15"}));
    EXPECT_EQ(splitText("a.b.jpg", '.'), (Pieces{"a", "b", "jpg"}));
    EXPECT_EQ(splitText(".bmp", '.'), (Pieces{"", "bmp"}));
    EXPECT_EQ(splitText("a.jpg.", '.'), (Pieces{"a", "jpg"}));
    EXPECT_EQ(splitText("照片.png", '.'), (Pieces{"照片", "png"}));
}

TEST(AsciiLower, OnlyAsciiLettersChange)
{
    EXPECT_EQ(asciiLower("Photo.JPG"), "photo.jpg");
    EXPECT_EQ(asciiLower("ÄB中"), "Äb中");
}

// What emlog made of a comment's UBB, on the comment already escaped: only http and https
// addresses become links, and nothing that could run script or break out of its attribute.
TEST(Ubb, BoldTextAndLinksToWebAddressesOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[b]粗[/b] [I]斜[/I] [u]线[/u]", "<b>粗</b> <i>斜</i> <u>线</u>"},
        {"[url]http://a.example/?x=1&amp;y=2[/url]",
         "<a href=\"http://a.example/?x=1&amp;y=2\" rel=\"nofollow\">http://a.example/?x=1&amp;y=2</a>"},
        {"[url=https://b.example/]看 [b]这里[/b][/url]",
         "<a href=\"https://b.example/\" rel=\"nofollow\">看 [b]这里[/b]</a>"},
        {"[b][url=HTTPS://c.example]c[/url][/b]", "<b><a href=\"HTTPS://c.example\" rel=\"nofollow\">c</a></b>"},
        // Stays text: another scheme, an address that would leave its attribute, tags without an end.
        {"[url=javascript:alert(1)]x[/url]", "[url=javascript:alert(1)]x[/url]"},
        {"[url]javascript:alert(1)[/url] [url]JaVaScRiPt:x[/url]",
         "[url]javascript:alert(1)[/url] [url]JaVaScRiPt:x[/url]"},
        {"[url=http://d.example/&quot; onclick=&quot;x]d[/url]",
         "[url=http://d.example/&quot; onclick=&quot;x]d[/url]"},
        {"[url=data:text/html,x]d[/url] [url=//e.example]e[/url]",
         "[url=data:text/html,x]d[/url] [url=//e.example]e[/url]"},
        {"[b]没有结尾 [url]http://f.example", "[b]没有结尾 [url]http://f.example"},
        {"&lt;script&gt; [ ] [x]", "&lt;script&gt; [ ] [x]"},
        {"", ""},
    };
    for (const auto& [escaped, html] : cases)
        EXPECT_EQ(ubbToHtml(escaped), html) << escaped;
    // Deep nesting ends as text rather than in deep recursion.
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "[b]";
    EXPECT_EQ(ubbToHtml(deep), deep);
}
