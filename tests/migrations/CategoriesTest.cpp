#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class CategoriesTest : public MigrationTest
{
protected:
    void addCategory(std::int64_t sid, const std::string& name, std::int64_t parent = 0)
    {
        addEmlogRow("sort", "sid=" + std::to_string(sid) + ",sortname=" + q(emlogDb.admin(), name) +
                                ",pid=" + std::to_string(parent) + ",description=''");
    }

    void addArticle(std::int64_t gid, std::int64_t sortid, const std::string& hide = "n")
    {
        addEmlogRow("blog", "gid=" + std::to_string(gid) + ",title='t',date=0,content='',excerpt='',sortid=" +
                                std::to_string(sortid) + ",hide='" + hide + "'");
    }

    std::vector<Row> categories()
    {
        return wordPressRows(
            "SELECT t.term_id, t.name, t.slug, x.term_taxonomy_id, x.taxonomy, x.parent, x.count FROM " + wp("terms") +
            " t JOIN " + wp("term_taxonomy") + " x ON x.term_id=t.term_id ORDER BY t.term_id");
    }
};

} // namespace

TEST_F(CategoriesTest, ACategoryKeepsItsIdAsTermAndTaxonomyWithItsOriginAliasAndDescription)
{
    addEmlogRow("sort", "sid=7,sortname='News',alias='news',description='所有新闻'");
    addEmlogRow("sort", "sid=8,sortname='Other',alias='',description=''");
    migrateCategories(*run);
    const auto rows =
        wordPressRows("SELECT term_id, taxonomy, description FROM " + wp("term_taxonomy") + " ORDER BY term_id");
    const std::vector<Row> expected = {{"7", "category", "所有新闻"}, {"8", "category", ""}};
    EXPECT_EQ(rows, expected);
    const auto meta =
        wordPressRows("SELECT term_id, meta_key, meta_value FROM " + wp("termmeta") + " ORDER BY meta_id");
    const std::vector<Row> expectedMeta = {
        {"7", "_emlog_sid", "7"}, {"7", "_emlog_alias", "news"}, {"8", "_emlog_sid", "8"}};
    EXPECT_EQ(meta, expectedMeta);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(CategoriesTest, NamesArriveAsWrittenWithWordPressSlugsAndIdsWithGaps)
{
    addCategory(2, "随笔");
    addCategory(5, "Tom's \\ \"notes\" 100%");
    addCategory(9, "😀 表情");
    migrateCategories(*run);
    const std::vector<Row> expected = {
        {"2", "随笔", "%e9%9a%8f%e7%ac%94", "2", "category", "0", "0"},
        {"5", "Tom&#039;s \\ &quot;notes&quot; 100%", "toms-notes-100", "5", "category", "0", "0"},
        {"9", "😀 表情", "%f0%9f%98%80-%e8%a1%a8%e6%83%85", "9", "category", "0", "0"},
    };
    EXPECT_EQ(categories(), expected);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(CategoriesTest, ParentsAreKept)
{
    addCategory(3, "Grandchild", 2); // comes before its parent
    addCategory(1, "Parent");
    addCategory(2, "Child", 1);
    addCategory(4, "Orphan", 99); // its parent never existed
    migrateCategories(*run);
    const auto rows = categories();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][5], "0");
    EXPECT_EQ(rows[1][5], "1");
    EXPECT_EQ(rows[2][5], "2");
    EXPECT_EQ(rows[3][5], "0");
}

TEST_F(CategoriesTest, OldTablesWithoutParentsGiveTopLevelCategories)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_sort DROP COLUMN pid");
    addEmlogRow("sort", "sid=1,sortname='a',description=''");
    addEmlogRow("sort", "sid=2,sortname='b',description=''");
    migrateCategories(*run);
    const auto rows = categories();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][5], "0");
    EXPECT_EQ(rows[1][5], "0");
}

TEST_F(CategoriesTest, CountsAreThePublishedArticles)
{
    addArticle(1, 3);
    addArticle(2, 3);
    addArticle(3, 3, "y"); // a draft is not counted
    addArticle(4, 4);
    addCategory(3, "three");
    addCategory(4, "four");
    addCategory(5, "empty");
    migrateCategories(*run);
    migratePosts(*run);
    const auto rows = categories();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][6], "2");
    EXPECT_EQ(rows[1][6], "1");
    EXPECT_EQ(rows[2][6], "0");
}

TEST_F(CategoriesTest, ANewCategoryTakesTheArticlesCopiedBefore)
{
    addArticle(1, 3);
    addArticle(2, 4);
    migratePosts(*run); // before the categories were there: the articles come without them
    addCategory(3, "three");
    addCategory(4, "four");
    migrateCategories(*run);
    const auto rows = categories();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][6], "1");
    EXPECT_EQ(rows[1][6], "1");
    EXPECT_EQ(
        wordPressRows("SELECT object_id, term_taxonomy_id FROM " + wp("term_relationships") + " ORDER BY object_id"),
        (std::vector<Row>{{"1", "3"}, {"2", "4"}}));
}
