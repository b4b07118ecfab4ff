// Random bytes, invalid UTF-8 and cut-off characters through every text walker: nothing reads out
// of bounds (the sanitizer build checks that) and valid text comes back as it went in.
#include "Attachments.h"
#include "DateTime.h"
#include "HtmlText.h"
#include "Posts.h"
#include "ResultSet.h"
#include "Slugs.h"
#include "Tags.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <random>

using namespace kestrel;

namespace {

constexpr int cases = 3000;

// Text made of whole characters, cut-off characters, stray bytes and the characters the walkers look for.
std::string randomText(std::mt19937& random)
{
    static const std::vector<std::string> pieces = {"a",
                                                    "Z",
                                                    ".",
                                                    ",",
                                                    "'",
                                                    "’",
                                                    "%",
                                                    "\\",
                                                    "\t",
                                                    "\n",
                                                    "\r",
                                                    "\"",
                                                    "y",
                                                    "m",
                                                    "d",
                                                    "h",
                                                    "s",
                                                    "yy",
                                                    "mm",
                                                    "dd",
                                                    "中",
                                                    "文",
                                                    "😀",
                                                    "𠮷",
                                                    "é",
                                                    "\xE4\xB8",
                                                    "\xF0\x9F",
                                                    "\xC3",
                                                    "\x80",
                                                    "\xBF",
                                                    "\xFF",
                                                    "\xC0\x80",
                                                    "\xED\xA0\x80",
                                                    std::string(1, '\0'),
                                                    "jpg",
                                                    "PNG",
                                                    "http://blog.example.com"};
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> coin(0, 3);
    std::string text;
    for (int i = length(random); i > 0; --i)
        text += coin(random) == 0 ? std::string(1, static_cast<char>(byte(random))) : pieces[piece(random)];
    return text;
}

} // namespace

TEST(HostileText, WalkersStayInsideTheText)
{
    std::mt19937 random(20261208);
    for (int n = 0; n < cases; ++n) {
        const std::string text = randomText(random);
        SCOPED_TRACE(::testing::PrintToString(text));

        std::size_t walked = 0;
        while (walked < text.size()) {
            const std::size_t length = characterLength(text, walked);
            ASSERT_GE(length, 1u);
            ASSERT_LE(length, 4u);
            ASSERT_LE(walked + length, text.size());
            walked += length;
        }
        EXPECT_EQ(characterLength(text, text.size()), 0u);

        EXPECT_EQ(asciiLower(text).size(), text.size());
        isImageFileName(text);
        for (const std::int64_t id : splitPostIds(text))
            EXPECT_GE(id, 0);
        leadingInteger(text);
    }
}

TEST(HostileText, SlugsAreWhatWordPressKeepsAsTheyAre)
{
    std::mt19937 random(7);
    for (int n = 0; n < cases; ++n) {
        const std::string text = randomText(random);
        SCOPED_TRACE(::testing::PrintToString(text));
        for (const std::size_t limit : {std::size_t{5}, std::size_t{13}, slugColumnLength}) {
            const std::string slug = wordPressSlug(text, limit);
            EXPECT_LE(slug.size(), limit);
            // Only what a slug may hold, escapes whole, and nothing WordPress would change again.
            for (std::size_t i = 0; i < slug.size(); ++i) {
                const char c = slug[i];
                ASSERT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '%')
                    << slug;
                if (c == '%') {
                    ASSERT_LT(i + 2, slug.size()) << slug;
                }
            }
            EXPECT_EQ(wordPressSlug(slug, limit), slug);
        }
    }
}

TEST(HostileText, ReplacingAndSplittingGiveTheTextBack)
{
    std::mt19937 random(11);
    for (int n = 0; n < cases; ++n) {
        const std::string text = randomText(random);
        const std::string other = randomText(random);
        SCOPED_TRACE(::testing::PrintToString(text) + " / " + ::testing::PrintToString(other));

        EXPECT_EQ(replaceAll(text, other, other), text);
        // Escaped, no character of markup is left, and undoing the entities gives the text back.
        const std::string escaped = escapeHtml(text);
        EXPECT_EQ(escaped.find_first_of("<>\"'"), std::string::npos);
        EXPECT_EQ(
            replaceAll(replaceAll(replaceAll(replaceAll(replaceAll(escaped, "&lt;", "<"), "&gt;", ">"), "&quot;", "\""),
                                  "&#039;", "'"),
                       "&amp;", "&"),
            text);

        const auto pieces = splitText(text, ',');
        std::string joined;
        for (std::size_t i = 0; i < pieces.size(); ++i)
            joined += (i ? "," : "") + pieces[i];
        if (!text.empty() && text.back() == ',')
            joined += ',';
        EXPECT_EQ(joined, text);
    }
}
