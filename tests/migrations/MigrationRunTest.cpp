#include "MigrationRun.h"
#include "FaceSources.h"
#include "SiteSettings.h"
#include "TestServer.h"
#include "Transactions.h"
#include "WordPressSession.h"
#include "WordPressState.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kestrel;
using namespace kestrel::test;

TEST(PercentDone, TruncatesTheDoubleQuotient)
{
    EXPECT_EQ(percentDone(29, 100), 28); // 0.29 * 100.0 is 28.999999999999996
    EXPECT_EQ(percentDone(57, 100), 56);
    EXPECT_EQ(percentDone(58, 100), 57);
    EXPECT_EQ(percentDone(1, 3), 33);
    EXPECT_EQ(percentDone(2, 3), 66);
    EXPECT_EQ(percentDone(3, 3), 100);
    EXPECT_EQ(percentDone(1, 2), 50);
    for (std::int64_t n : {1, 7, 100, 999, 50000})
        EXPECT_EQ(percentDone(n, n), 100) << n;
}

// Each of emlog's settings as WordPress's option keeps it: a value WordPress could not take, or one
// emlog leaves empty, keeps WordPress's own.
TEST(SiteSettings, EachEmlogSettingAsWordPressKeepsIt)
{
    const struct
    {
        const char* emlog;
        const char* value;
        const char* wordPress; // the option; every emlog setting has one
        std::optional<std::string> kept;
    } cases[] = {
        {"blogname", "老李的博客", "blogname", "老李的博客"},
        {"blogname", "Tom's <b>\"Blog\"</b> & co", "blogname",
         "Tom&#039;s &lt;b&gt;&quot;Blog&quot;&lt;/b&gt; &amp; co"},
        {"blogname", "  ", "blogname", std::nullopt},
        {"bloginfo", "记录生活", "blogdescription", "记录生活"},
        {"index_lognum", "8", "posts_per_page", "8"},
        {"index_lognum", "010", "posts_per_page", "10"},
        {"index_lognum", "0", "posts_per_page", std::nullopt},
        {"index_lognum", "-5", "posts_per_page", std::nullopt},
        {"index_lognum", "8篇", "posts_per_page", std::nullopt},
        {"index_lognum", "99999999999", "posts_per_page", std::nullopt},
        {"iscomment", "n", "default_comment_status", "closed"},
        {"iscomment", "y", "default_comment_status", "open"},
        {"ischkcomment", "y", "comment_moderation", "1"},
        {"ischkcomment", "n", "comment_moderation", "0"},
        {"ischkcomment", "", "comment_moderation", std::nullopt},
        {"login_comment", "y", "comment_registration", "1"},
        {"comment_paging", "n", "page_comments", "0"},
        {"comment_pnum", "15", "comments_per_page", "15"},
        {"comment_order", "newer", "comment_order", "desc"},
        {"comment_order", "older", "comment_order", "asc"},
        {"comment_order", "random", "comment_order", std::nullopt},
        {"isgravatar", "n", "show_avatars", "0"},
        {"rss_output_num", "20", "posts_per_rss", "20"},
        {"rss_output_fulltext", "n", "rss_use_excerpt", "1"},
        {"rss_output_fulltext", "y", "rss_use_excerpt", "0"},
        {"is_signup", "y", "users_can_register", "1"},
        {"is_signup", "Y", "users_can_register", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.emlog) + "=" + c.value);
        const auto setting = std::find_if(siteSettings().begin(), siteSettings().end(),
                                          [&](const SiteSetting& s) { return s.emlog == c.emlog; });
        ASSERT_NE(setting, siteSettings().end());
        EXPECT_EQ(setting->wordPress, c.wordPress);
        EXPECT_EQ(wordPressSetting(c.emlog, c.value), c.kept);
    }
    EXPECT_EQ(wordPressSetting("timezone", "y"), std::nullopt);
}

// A setting changes when emlog's differs, unless the run keeps WordPress's or the site's owner
// changed it after an earlier run set it.
TEST(SiteSettings, WhatBecomesOfWordPresssSetting)
{
    const struct
    {
        std::optional<std::string> current;
        const char* emlog;
        std::optional<std::string> setBefore;
        bool keep;
        SettingFate fate;
    } cases[] = {
        {"10", "8", std::nullopt, false, SettingFate::change},
        {std::nullopt, "8", std::nullopt, false, SettingFate::change},
        {"8", "8", std::nullopt, false, SettingFate::same},
        {"8", "8", "8", true, SettingFate::same},
        {"10", "8", std::nullopt, true, SettingFate::kept},
        {"12", "8", "8", false, SettingFate::ownersSince}, // the owner's since
        {"12", "8", "8", true, SettingFate::ownersSince},
        {"8", "9", "8", false, SettingFate::change}, // emlog's changed since, the owner's did not
        {std::nullopt, "9", "8", false, SettingFate::ownersSince},
    };
    for (const auto& c : cases)
        EXPECT_EQ(settingFate(c.current, c.emlog, c.setBefore, c.keep), c.fate)
            << c.current.value_or("(none)") << " " << c.emlog << " " << c.setBefore.value_or("(none)");
}

// The template's logo when it shows one instead of the site's name, and its favicon, from the
// serialized values of the blog's template; another template's and empty ones are none.
TEST(TemplateImages, TheBlogsTemplateShowsThem)
{
    const std::vector<TemplateOption> options = {
        {1, "default", "logotype", "s:1:\"1\";"},
        {2, "default", "logoimg", "s:27:\"content/uploadfile/logo.png\";"},
        {3, "default", "favicon", "s:10:\"../fav.png\";"},
        {4, "other", "logoimg", "s:9:\"other.png\";"},
        {5, "other", "favicon", "s:0:\"\";"},
        {6, "other", "logotype", "i:1;"},
        {7, "third", "logotype", "s:1:\"0\";"},
        {8, "third", "logoimg", "s:9:\"third.png\";"},
        {9, "third", "favicon", "broken"},
    };
    const auto shown = [&](std::string_view active) {
        std::vector<std::string> images;
        for (const Face& face : templateImages(options, active)) {
            EXPECT_EQ(face.origin, &origin::templateImage);
            images.push_back(std::string(face.role == Face::Role::logo ? "logo " : "favicon ") +
                             std::to_string(face.emlogId) + " " + face.reference);
        }
        return images;
    };
    EXPECT_EQ(shown("default"),
              (std::vector<std::string>{"logo 2 content/uploadfile/logo.png", "favicon 3 ../fav.png"}));
    EXPECT_EQ(shown("other"), (std::vector<std::string>{"logo 4 other.png"}));
    EXPECT_EQ(shown("third"), std::vector<std::string>{}); // the site's name instead, and a value unread
    EXPECT_EQ(shown("none"), std::vector<std::string>{});
}

// Whether WordPress's tables can undo a row is asked until a session answers; a lost session is
// never taken for "no", which would have the whole run written without transactions.
TEST(WordPressTransactions, AskedAgainAfterASessionLostAtTheQuestion)
{
    WordPressDatabase wordpress("engine_wp");
    const ConnectionOptions options{testServer().address(), "root", testServer().password, wordpress.name()};
    MysqlSession emlog;
    MysqlSession wordPress = openWordPressSession(options);
    MigrationRun run(emlog, wordPress);
    run.wordPressPrefix = wordpress.prefix();
    run.sleep = [](milliseconds, std::stop_token) {};

    closeConnection(wordPress); // lost, and not to be had again in time
    EXPECT_EQ(run.state.transactions(run), Transactions::unknown);

    wordPress = openWordPressSession(options);
    EXPECT_EQ(run.state.transactions(run), Transactions::yes);
    execute(wordpress.admin(), "ALTER TABLE " + wordpress.table("links") + " ENGINE=MyISAM");
    EXPECT_EQ(run.state.transactions(run), Transactions::yes); // an answer stands for the run
    MigrationRun next(emlog, wordPress);
    next.wordPressPrefix = wordpress.prefix();
    EXPECT_EQ(next.state.transactions(next), Transactions::no);
}
