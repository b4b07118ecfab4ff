#include "MigrationFixture.h"
#include "Migrations.h"
#include "Navigation.h"

#include <tuple>

using namespace kestrel;
using namespace kestrel::test;

namespace {

class MenuItemsTest : public MigrationTest
{
protected:
    void addItem(std::int64_t id, std::int64_t type, std::int64_t typeId, std::int64_t pid, const std::string& url = "",
                 const std::string& hide = "n")
    {
        addEmlogRow("navi", "id=" + std::to_string(id) + ",naviname='n" + std::to_string(id) + "',url='" + url +
                                "',type=" + std::to_string(type) + ",type_id=" + std::to_string(typeId) + ",pid=" +
                                std::to_string(pid) + ",taxis=" + std::to_string(id) + ",hide='" + hide + "'");
    }
    std::string themeMods()
    {
        return wordPressValue("SELECT option_value FROM " + wp("options") +
                              " WHERE option_name='theme_mods_twentytwentyone'");
    }
};

} // namespace

// What an item names must be in WordPress: one that is not fails with the reason, and so does
// what is under it, rather than standing at the top; what is hidden is not read at all.
TEST_F(MenuItemsTest, AnItemWhoseTargetIsMissingFailsAndTakesItsChildrenWithIt)
{
    addCopiedArticles({7});
    struct Case
    {
        std::int64_t id, type, typeId, pid;
        const char* hide;
        const char* failure; // the reason's code and what it names; empty: arrives
    };
    const Case cases[] = {
        {1, 4, 42, 0, "n", "category-not-copied 42"},
        {2, 5, 8, 0, "n", "article-not-copied 8"},
        {3, 5, 7, 0, "n", ""},
        {4, 0, 0, 0, "n", ""},
        {5, 0, 0, 4, "n", ""},
        {6, 0, 0, 1, "n", "parent-not-copied id=1"},
        {7, 0, 0, 0, "y", nullptr}, // hidden
        {8, 0, 0, 7, "n", nullptr}, // under a hidden one
    };
    for (const Case& c : cases)
        addItem(c.id, c.type, c.typeId, c.pid, "http://x.example/", c.hide);
    migrateNavigation(*run);

    std::map<std::string, std::string> failures;
    for (const auto& entry : run->failures.entries())
        failures[entry.sourceId] = std::string(codeName(entry.why.code)) + " " + entry.why.subject;
    const auto arrived = wordPressRows("SELECT m.meta_value FROM " + wp("postmeta") + " m JOIN " + wp("posts") +
                                       " p ON p.ID=m.post_id AND p.post_type='nav_menu_item' WHERE m.meta_key="
                                       "'_emlog_navi' ORDER BY p.menu_order");
    std::vector<Row> expectedArrived;
    for (const Case& c : cases) {
        const std::string source = "id=" + std::to_string(c.id);
        if (!c.failure)
            EXPECT_FALSE(failures.count(source)) << source;
        else if (*c.failure)
            EXPECT_EQ(failures[source], c.failure) << source;
        else
            expectedArrived.push_back({std::to_string(c.id)});
    }
    EXPECT_EQ(arrived, expectedArrived);
    EXPECT_EQ(run->failures.tally("navigation").read, 6);
}

// Before 4.3 the bar is the option navibar: the home page first, as emlog's templates put it, then the
// pages it shows in its order, one with an address of its own leading there in a new window; a page it
// hides is not read. 4.3's navi without types tells emlog's own items by their addresses.
TEST_F(MenuItemsTest, OlderBlogsMenus)
{
    execute(emlogDb.admin(), "DROP TABLE emlog_navi");
    addCopiedArticles({4, 7});
    addEmlogRow("options", "option_name='navibar',option_value='a:4:{i:7;a:4:{s:5:\"title\";s:6:\"关于\";s:3:\"url\";"
                           "s:0:\"\";s:8:\"is_blank\";s:0:\"\";s:4:\"hide\";s:1:\"n\";}i:5;a:4:{s:5:\"title\";s:6:"
                           "\"留言\";s:3:\"url\";s:17:\"http://x.example/\";s:8:\"is_blank\";s:6:\"_blank\";s:4:"
                           "\"hide\";s:1:\"n\";}i:6;a:4:{s:5:\"title\";s:3:\"藏\";s:3:\"url\";s:0:\"\";s:8:\"is_blank"
                           "\";s:0:\"\";s:4:\"hide\";s:1:\"y\";}i:4;a:4:{s:5:\"title\";s:5:\"A & B\";s:3:\"url\";s:0:"
                           "\"\";s:8:\"is_blank\";s:0:\"\";s:4:\"hide\";s:1:\"n\";}}'");
    migrateNavigation(*run);
    const std::string meta = "(SELECT meta_value FROM " + wp("postmeta") + " WHERE post_id=p.ID AND meta_key=";
    const std::vector<Row> items =
        wordPressRows("SELECT " + meta + "'_emlog_navi'), p.post_title, " + meta + "'_menu_item_object'), " + meta +
                      "'_menu_item_object_id'), " + meta + "'_menu_item_target') FROM " + wp("posts") +
                      " p WHERE p.post_type='nav_menu_item' ORDER BY p.menu_order");
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], (Row{"0", "Home", "custom", items[0][3], ""}));
    EXPECT_EQ(items[1], (Row{"7", "关于", "page", "7", ""}));
    EXPECT_EQ(items[2], (Row{"5", "留言", "custom", items[2][3], "_blank"}));
    EXPECT_EQ(items[3], (Row{"4", "A &amp; B", "page", "4", ""}));
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();

    for (auto [url, isDefault, type] : {std::tuple{"", true, naviType::home},
                                        {"t", true, naviType::twitter},
                                        {"admin", true, naviType::admin},
                                        {"t", false, naviType::custom},
                                        {"sort/1", true, naviType::custom}})
        EXPECT_EQ(typeWithoutColumn(url, isDefault), type) << url << isDefault;
}

// A classic theme's first location takes the menu only when it shows none; other settings stay.
TEST_F(MenuItemsTest, AClassicThemesLocationIsTakenOnlyWhenEmpty)
{
    execute(wordpress.admin(),
            "UPDATE " + wp("options") +
                " SET option_value='twentytwentyone' WHERE option_name IN ('template','stylesheet')");
    const std::string mods = "a:1:{s:18:\"custom_css_post_id\";i:-1;}";
    execute(wordpress.admin(), "INSERT INTO " + wp("options") +
                                   " (option_name, option_value) VALUES ('theme_mods_twentytwentyone', '" + mods +
                                   "')");
    addItem(1, 1, 0, 0);
    migrateNavigation(*run);
    const std::string menu = wordPressValue("SELECT term_id FROM " + wp("termmeta") + " WHERE meta_key='_emlog_menu'");
    EXPECT_EQ(themeMods(), "a:2:{s:18:\"custom_css_post_id\";i:-1;s:18:\"nav_menu_locations\";a:1:{s:7:\"primary\";i:" +
                               menu + ";}}");

    // Emptied of the blog's menu, the site gets one of its own there: a new run leaves it be.
    execute(wordpress.admin(), "DELETE FROM " + wp("termmeta") + " WHERE meta_key='_emlog_menu'");
    execute(wordpress.admin(), "UPDATE " + wp("term_taxonomy") + " SET description='own' WHERE term_id=" + menu);
    execute(wordpress.admin(), "DELETE FROM " + wp("postmeta") + " WHERE meta_key='_emlog_navi'");
    run->state = {};
    run->failures = {};
    migrateNavigation(*run);
    EXPECT_NE(themeMods().find("s:7:\"primary\";i:" + menu + ";"), std::string::npos) << themeMods();
    ASSERT_EQ(run->failures.notes().size(), 1u);
    EXPECT_EQ(run->failures.notes()[0].what, FailureLog::Note::What::MenuLocationTaken);
}
