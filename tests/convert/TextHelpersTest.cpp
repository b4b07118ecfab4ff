#include "TextHelpers.h"

#include <gtest/gtest.h>

using namespace kestrel;

using Pieces = std::vector<std::string>;

TEST(EncodeSlug, LeavesPlainTextAlone)
{
    EXPECT_EQ(encodeSlug("Hello World"), "Hello World");
    EXPECT_EQ(encodeSlug("PHP"), "PHP");
    EXPECT_EQ(encodeSlug(""), "");
}

TEST(EncodeSlug, EscapesTheEscapeSetWithoutLeadingZeros)
{
    EXPECT_EQ(encodeSlug("a-b_c.d"), "a%2Db%5Fc%2Ed");
    EXPECT_EQ(encodeSlug("%"), "%25");
    EXPECT_EQ(encodeSlug("\t\n\r"), "%9%A%D");
    EXPECT_EQ(encodeSlug("photo.JPG"), "photo%2EJPG");
    EXPECT_EQ(encodeSlug("`~!@#$%^&*()-_=+[{]};:'\\|,<.>/?\""),
              "%60%7E%21%40%23%24%25%5E%26%2A%28%29%2D%5F%3D%2B%5B%7B%5D%7D%3B%3A%27%5C%7C%2C%3C%2E%3E%2F%3F%22");
    // Control characters outside the set stay as they are.
    EXPECT_EQ(encodeSlug(std::string("a\x01"
                                     "b\x7f")),
              std::string("a\x01"
                          "b\x7f"));
}

TEST(EncodeSlug, NonAsciiBecomesPercentEncodedUtf8)
{
    EXPECT_EQ(encodeSlug("中文"), "%E4%B8%AD%E6%96%87");
    EXPECT_EQ(encodeSlug("随笔"), "%E9%9A%8F%E7%AC%94");
    EXPECT_EQ(encodeSlug("😀"), "%F0%9F%98%80");
    EXPECT_EQ(encodeSlug("照片 1.png"), "%E7%85%A7%E7%89%87 1%2Epng");
    EXPECT_EQ(encodeSlug("\xE4\xB8"), "%E4%B8"); // a cut-off character still escapes every byte
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

TEST(FirstCharacters, CountsWholeCharacters)
{
    EXPECT_EQ(firstCharacters("a中😀b", 3), "a中😀");
    EXPECT_EQ(firstCharacters("a中", 10), "a中");
    EXPECT_EQ(firstCharacters("abc", 0), "");
    EXPECT_EQ(firstCharacters("\xE4\xB8", 1), "\xE4"); // a cut-off character counts byte by byte
}

TEST(EncodeSlugWithin, WholeCharactersWithinTheLimit)
{
    EXPECT_EQ(encodeSlugWithin("中文", 9), "%E4%B8%AD");
    EXPECT_EQ(encodeSlugWithin("中文", 17), "%E4%B8%AD");
    EXPECT_EQ(encodeSlugWithin("a.b", 4), "a%2E");
    EXPECT_EQ(encodeSlugWithin("a.b", 3), "a");
    EXPECT_EQ(encodeSlugWithin("short", 200), "short");
}

TEST(AsciiLower, OnlyAsciiLettersChange)
{
    EXPECT_EQ(asciiLower("Photo.JPG"), "photo.jpg");
    EXPECT_EQ(asciiLower("ÄB中"), "Äb中");
}
