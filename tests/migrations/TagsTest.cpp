#include "Tags.h"
#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

using Ids = std::vector<std::int64_t>;

class TagsTest : public MigrationTest
{
protected:
    void addTag(std::int64_t tid, const std::string& name, const std::string& list)
    {
        addEmlogRow("tag", "tid=" + std::to_string(tid) + ",tagname=" + q(emlogDb.admin(), name) +
                               ",gid=" + q(emlogDb.admin(), list));
    }

    void addCategories(std::initializer_list<std::int64_t> sids)
    {
        for (const std::int64_t sid : sids)
            addEmlogRow("sort",
                        "sid=" + std::to_string(sid) + ",sortname='c" + std::to_string(sid) + "',description=''");
        migrateCategories(*run);
    }

    void addArticle(std::int64_t gid, const std::string& more = "")
    {
        addEmlogRow("blog", "gid=" + std::to_string(gid) + ",title='t',date=0,content='',excerpt=''" + more);
    }

    // term_id, name, slug, term_taxonomy_id, count of every tag.
    std::vector<Row> tags()
    {
        return wordPressRows("SELECT t.term_id, t.name, t.slug, x.term_taxonomy_id, x.count FROM " + wp("terms") +
                             " t JOIN " + wp("term_taxonomy") +
                             " x ON x.term_id=t.term_id WHERE x.taxonomy='post_tag' ORDER BY t.term_id");
    }

    std::vector<Row> linksTo(const std::string& termTaxonomyId)
    {
        return wordPressRows("SELECT object_id FROM " + wp("term_relationships") +
                             " WHERE term_taxonomy_id=" + termTaxonomyId + " ORDER BY object_id");
    }
};

} // namespace

TEST(SplitPostIds, EveryWholeNumberOfEveryListFormat)
{
    EXPECT_EQ(splitPostIds(",12,15,"), (Ids{12, 15}));
    EXPECT_EQ(splitPostIds("12,15"), (Ids{12, 15}));
    EXPECT_EQ(splitPostIds(",12,,15,"), (Ids{12, 15}));
    EXPECT_EQ(splitPostIds(",12,15,,20"), (Ids{12, 15, 20}));
    EXPECT_EQ(splitPostIds(""), Ids{});
    EXPECT_EQ(splitPostIds(","), Ids{});
    EXPECT_EQ(splitPostIds("12"), Ids{12});
    EXPECT_EQ(splitPostIds("12,abc,-3, 4,7x,9"), (Ids{12, 9}));
    EXPECT_EQ(splitPostIds("99999999999999999999999"), Ids{});
}

TEST_F(TagsTest, ATagTakesTheNextFreeIdsAfterTheCategoriesAndItsArticlesLinkToIt)
{
    addArticle(12);
    addArticle(15);
    addCategories({1, 2, 5});
    addTag(1, "PHP", ",12,15,");
    migrateTags(*run);
    const std::vector<Row> expected = {{"6", "PHP", "php", "6", "0"}};
    EXPECT_EQ(tags(), expected);
    EXPECT_EQ(wordPressValue("SELECT meta_value FROM " + wp("termmeta") + " WHERE term_id=6 AND meta_key='_emlog_tid'"),
              "1");
    migratePosts(*run); // the articles arrive with their links
    EXPECT_EQ(linksTo("6"), (std::vector<Row>{{"12"}, {"15"}}));
    EXPECT_EQ(tags()[0][4], "2");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(TagsTest, EachTagTakesTheNextIdsAndATagIdRaisesTheTaxonomyId)
{
    addCategories({1, 2, 5});
    addTag(1, "PHP", "");
    addTag(2, "C++", "");
    addTag(40, "Forty", "");
    addTag(3, "After", "");
    migrateTags(*run);
    const auto rows = tags();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], "6");
    EXPECT_EQ(rows[0][3], "6");
    EXPECT_EQ(rows[1][0], "7");
    EXPECT_EQ(rows[1][3], "7");
    // Read by their ids: tag 3 before tag 40.
    EXPECT_EQ(rows[2][0], "8");
    EXPECT_EQ(rows[2][3], "8");
    EXPECT_EQ(rows[3][0], "40");
    EXPECT_EQ(rows[3][3], "40");
}

TEST_F(TagsTest, ATagNamedLikeACategoryIsATermOfItsOwn)
{
    addEmlogRow("sort", "sid=1,sortname='生活',description=''");
    migrateCategories(*run);
    addTag(1, "生活", "");
    migrateTags(*run);
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("terms") + " WHERE name='生活'"), "2");
    const auto rows = tags();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "2");
    EXPECT_EQ(rows[0][2], "%e7%94%9f%e6%b4%bb"); // the category's too: slugs differ per taxonomy
}

TEST_F(TagsTest, CountsArePublishedArticlesThatExist)
{
    addArticle(1);
    addArticle(2);
    addArticle(3, ",hide='y'");
    migratePosts(*run);
    addTag(1, "both formats", ",1,2,");
    addTag(2, "emlog 6", "1,2,3,404");
    addTag(3, "nothing", "");
    migrateTags(*run);
    const auto rows = tags();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][4], "2");
    EXPECT_EQ(rows[1][4], "2"); // the draft is not counted
    EXPECT_EQ(rows[2][4], "0");
    EXPECT_EQ(linksTo(*rows[1][3]), (std::vector<Row>{{"1"}, {"2"}, {"3"}}));
    // An article deleted from emlog but still listed cannot be linked: that is said, and the tag that lists
    // it counted incomplete, where the failure is listed.
    ASSERT_EQ(run->failures.entries().size(), 1u) << run->failures.details();
    EXPECT_EQ(run->failures.entries()[0].sourceId, "tid=2");
    EXPECT_EQ(run->failures.entries()[0].why.code, Why::Code::articleNotInEmlog);
    EXPECT_EQ(run->failures.entries()[0].why.subject, "404");
    EXPECT_EQ(run->failures.tally("tags").incomplete, 1);
}

TEST_F(TagsTest, ATagNeverTakesAnIdThatLinksAlreadyName)
{
    // WordPress holds a link to a term that is not there: a term taking its id would get the post.
    execute(wordpress.admin(), "INSERT INTO " + wp("term_relationships") + " SET object_id=1, term_taxonomy_id=3");
    addCategories({1});
    addTag(1, "first", "");
    addTag(2, "second", "");
    migrateTags(*run);
    const auto rows = tags();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][3], "4");
    EXPECT_EQ(rows[1][3], "5");
    EXPECT_EQ(linksTo("3"), std::vector<Row>{{"1"}});
}

TEST_F(TagsTest, ARefusedTermWritesNoLinksAndIsLogged)
{
    execute(wordpress.admin(), "ALTER TABLE " + wp("terms") + " ADD UNIQUE KEY unique_name (name(50))");
    addCopiedArticles({7, 8, 12, 15});
    addEmlogRow("sort", "sid=1,sortname='dup',description=''");
    migrateCategories(*run);
    addTag(1, "ok", "7");
    addTag(2, "dup", ",12,15,");
    addTag(3, "fine", "8");
    migrateTags(*run);

    const auto rows = tags();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "ok");
    EXPECT_EQ(rows[1][1], "fine");
    EXPECT_EQ(linksTo(*rows[0][3]), std::vector<Row>{{"7"}});
    EXPECT_EQ(linksTo(*rows[1][3]), std::vector<Row>{{"8"}});
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("term_relationships") + " WHERE object_id IN (12,15)"), "0");

    const auto& entries = run->failures.entries();
    ASSERT_EQ(entries.size(), 1u) << run->failures.details();
    EXPECT_EQ(entries[0].sourceId, "tid=2");
    EXPECT_NE(entries[0].why.detail.find("Duplicate"), std::string::npos);
    EXPECT_EQ(run->failures.tally("tags").failed, 1);
}

TEST_F(TagsTest, AnArticleListedTwiceIsLinkedOnce)
{
    addCopiedArticles({5});
    addTag(1, "twice", ",5,5,");
    migrateTags(*run);
    EXPECT_EQ(linksTo(*tags()[0][3]), std::vector<Row>{{"5"}});
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(TagsTest, NamesArriveAsWritten)
{
    addTag(1, "it's \\ \"x\" 😀", "");
    migrateTags(*run);
    const auto rows = tags();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "it&#039;s \\ &quot;x&quot; 😀"); // shown as text
    EXPECT_EQ(rows[0][2], "its-x-%f0%9f%98%80");
}
