#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class LinksTest : public MigrationTest
{
protected:
    void addLink(std::int64_t id, const std::string& name, const std::string& url, const std::string& description,
                 const std::string& hide = "n")
    {
        addEmlogRow("link", "id=" + std::to_string(id) + ",sitename=" + q(emlogDb.admin(), name) +
                                ",siteurl=" + q(emlogDb.admin(), url) +
                                ",description=" + q(emlogDb.admin(), description) + ",hide='" + hide + "'");
    }
};

} // namespace

TEST_F(LinksTest, LinksKeepTheirIdsAndText)
{
    addLink(1, "emlog", "http://www.emlog.net", "emlog官方主页");
    addLink(4, "O'Reilly \\ 书", "http://example.com/?a=1&b='2'", "");
    addLink(9, "😀", "https://例子.测试/", "100%");
    migrateLinks(*run);
    const auto rows = wordPressRows("SELECT link_id, link_name, link_url, link_description, link_visible FROM " +
                                    wp("links") + " ORDER BY link_id");
    const std::vector<Row> expected = {
        {"1", "emlog", "http://www.emlog.net", "emlog官方主页", "Y"},
        {"4", "O&#039;Reilly \\ 书", "http://example.com/?a=1&b='2'", "", "Y"}, // shown as text
        {"9", "😀", "https://例子.测试/", "100%", "Y"},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(LinksTest, AHiddenLinkStaysHidden)
{
    addLink(1, "shown", "http://a.example", "");
    addLink(2, "hidden", "http://b.example", "", "y");
    migrateLinks(*run);
    EXPECT_EQ(wordPressValue("SELECT link_visible FROM " + wp("links") + " WHERE link_id=1"), "Y");
    EXPECT_EQ(wordPressValue("SELECT link_visible FROM " + wp("links") + " WHERE link_id=2"), "N");
}

TEST_F(LinksTest, ATakenIdGivesANewOneAndALinkAlreadyThereIsLeftAsItIs)
{
    execute(wordpress.admin(), "INSERT INTO " + wp("links") +
                                   " (link_id, link_url, link_name, link_notes) VALUES (2, 'x', 'x', ''),"
                                   " (7, 'http://c.example', 'c', '')");
    addLink(1, "a", "http://a.example", "");
    addLink(2, "b", "http://b.example", "");
    addLink(3, "c", "http://c.example", "seen before");
    migrateLinks(*run);
    const auto rows =
        wordPressRows("SELECT link_id, link_name, link_description FROM " + wp("links") + " ORDER BY link_id");
    const std::vector<Row> expected = {{"1", "a", ""}, {"2", "x", ""}, {"7", "c", ""}, {"8", "b", ""}};
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
    EXPECT_EQ(tally().written, 2);
    EXPECT_EQ(tally().alreadyThere, 1);
}
