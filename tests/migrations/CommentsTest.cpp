#include "Comments.h"
#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class CommentsTest : public MigrationTest
{
protected:
    void SetUp() override
    {
        MigrationTest::SetUp();
        addCopiedArticles({1, 7});
    }

    void addComment(std::int64_t cid, const Columns& columns = {})
    {
        addEmlogRow("comment",
                    {{"cid", std::to_string(cid)},
                     {"gid", "1"},
                     {"date", "1273195805"},
                     {"poster", "'p" + std::to_string(cid) + "'"},
                     {"comment", "'c" + std::to_string(cid) + "'"}},
                    columns);
    }

    // The WordPress comment made from an emlog comment, found by its text.
    std::string comment(std::int64_t cid, const std::string& column)
    {
        return wordPressValue("SELECT " + column + " FROM " + wp("comments") + " WHERE comment_content='c" +
                              std::to_string(cid) + "'");
    }
};

} // namespace

TEST_F(CommentsTest, EveryFieldArrives)
{
    addEmlogRow("comment", "cid=1,gid=7,date=1273195805,poster='张三',comment='好文！👍',mail='z@example.com',"
                           "url='http://z.example.com/',ip='2001:db8::1'");
    migrateComments(*run);
    const auto rows = wordPressRows("SELECT comment_post_ID, comment_author, comment_author_email, comment_author_url,"
                                    "comment_author_IP, comment_approved, comment_content, comment_date,"
                                    "comment_date_gmt, comment_parent FROM " +
                                    wp("comments"));
    const std::vector<Row> expected = {{"7", "张三", "z@example.com", "http://z.example.com/", "2001:db8::1", "1",
                                        "好文！👍", "2010-05-07 09:30:05", "2010-05-07 01:30:05", "0"}};
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

// emlog escaped what visitors typed when it showed it; WordPress shows stored comments as they
// are, so they are stored escaped: every character shows, no element is made, line breaks stay.
TEST_F(CommentsTest, TextArrivesEscapedAsEmlogShowedIt)
{
    const std::string text = "It's \\o/ \"quoted\" 100% 😀 𠮷 繁體\n<script>alert(1)</script> &amp;";
    addEmlogRow("comment", "cid=1,gid=1,date=0,poster=" + q(emlogDb.admin(), "O'Brien\\<b>") +
                               ",comment=" + q(emlogDb.admin(), text));
    migrateComments(*run);
    EXPECT_EQ(wordPressValue("SELECT comment_content FROM " + wp("comments")),
              "It&#039;s \\o/ &quot;quoted&quot; 100% 😀 𠮷 繁體\n&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp;");
    EXPECT_EQ(wordPressValue("SELECT comment_author FROM " + wp("comments")), "O&#039;Brien\\&lt;b&gt;");
}

TEST_F(CommentsTest, HiddenCommentsStayHidden)
{
    addComment(1, {{"hide", "'n'"}});
    addComment(2, {{"hide", "'y'"}});
    migrateComments(*run);
    EXPECT_EQ(comment(1, "comment_approved"), "1");
    EXPECT_EQ(comment(2, "comment_approved"), "0");
}

TEST_F(CommentsTest, OldNumericHiddenFlags)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_comment MODIFY hide VARCHAR(5) NOT NULL DEFAULT '0'");
    addComment(1, {{"hide", "'0'"}});
    addComment(2, {{"hide", "'1'"}});
    addComment(3, {{"hide", "'7'"}});
    addComment(4, {{"hide", "'abc'"}});
    migrateComments(*run);
    EXPECT_EQ(comment(1, "comment_approved"), "1");
    EXPECT_EQ(comment(2, "comment_approved"), "0");
    EXPECT_EQ(comment(3, "comment_approved"), "0");
    EXPECT_EQ(comment(4, "comment_approved"), "1");
}

TEST_F(CommentsTest, RepliesKeepTheirThread)
{
    addComment(1);
    addComment(2, {{"pid", "1"}}); // a reply
    addComment(3, {{"pid", "2"}}); // a reply to the reply
    addComment(5, {{"pid", "6"}}); // comes before the comment it answers
    addComment(6);
    addComment(7, {{"pid", "99"}}); // its parent is not there
    migrateComments(*run);

    auto idOf = [this](std::int64_t cid) { return comment(cid, "comment_ID"); };
    EXPECT_EQ(comment(1, "comment_parent"), "0");
    EXPECT_EQ(comment(2, "comment_parent"), idOf(1));
    EXPECT_EQ(comment(3, "comment_parent"), idOf(2));
    EXPECT_EQ(comment(5, "comment_parent"), idOf(6));
    EXPECT_EQ(comment(7, "comment_parent"), "0");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

// emlog 3.x kept the blog owner's answer inside the comment: it becomes the owner's comment under it,
// held back with it, escaped as comments are; a run again adds nothing.
TEST_F(CommentsTest, OldTablesWithoutRepliesOrDates)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_comment DROP COLUMN pid, ADD COLUMN reply TEXT");
    addEmlogRow("user", "uid=1,username='owner',nickname='博主',role='admin',email='owner@example.com'");
    addComment(1, {{"reply", "'thanks <b>!</b>'"}});
    addComment(2, {{"reply", "''"}});
    addComment(3, {{"reply", "'no'"}, {"hide", "'y'"}});
    migrateComments(*run);
    EXPECT_EQ(comment(1, "comment_parent"), "0");
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("comments")), "3");
    migrateOwnerReplies(*run);
    migrateOwnerReplies(*run);
    const auto answers = wordPressRows("SELECT comment_parent, comment_content, comment_approved, comment_author, "
                                       "comment_author_email FROM " +
                                       wp("comments") + " WHERE comment_parent<>0 ORDER BY comment_ID");
    EXPECT_EQ(answers, (std::vector<Row>{
                           {comment(1, "comment_ID"), "thanks &lt;b&gt;!&lt;/b&gt;", "1", "博主", "owner@example.com"},
                           {comment(3, "comment_ID"), "no", "0", "博主", "owner@example.com"}}));
    EXPECT_EQ(run->failures.tally("ownerReplies").alreadyThere, 2);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(CommentsTest, NullAddressesArriveEmpty)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_comment MODIFY mail VARCHAR(60) NULL, MODIFY url VARCHAR(75) NULL,"
                             " MODIFY ip VARCHAR(128) NULL");
    addComment(1, {{"mail", "NULL"}, {"url", "NULL"}, {"ip", "NULL"}});
    migrateComments(*run);
    const auto rows = wordPressRows("SELECT comment_post_ID, comment_author_email, comment_author_url,"
                                    " comment_author_IP FROM " +
                                    wp("comments"));
    const std::vector<Row> expected = {{"1", "", "", ""}};
    EXPECT_EQ(rows, expected);
}

TEST_F(CommentsTest, ARefusedCommentIsLoggedAndTheRestArrive)
{
    execute(wordpress.admin(), "ALTER TABLE " + wp("comments") + " ADD UNIQUE KEY one_per_author (comment_author(50))");
    addComment(1, {{"poster", "'same'"}});
    addComment(2, {{"poster", "'same'"}});
    addComment(3, {{"poster", "'other'"}});
    addComment(4, {{"poster", "'replier'"}, {"pid", "2"}}); // answers the refused one
    migrateComments(*run);
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("comments")), "2");
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("commentmeta")), "2");
    const auto& entries = run->failures.entries();
    ASSERT_EQ(entries.size(), 2u) << run->failures.details();
    EXPECT_EQ(entries[0].sourceId, "cid=2");
    EXPECT_EQ(entries[0].table, wp("comments"));
    EXPECT_EQ(entries[1].sourceId, "cid=4");
    EXPECT_EQ(entries[1].why.code, Why::Code::parentNotCopied);
    EXPECT_EQ(entries[1].why.subject, "cid=2");
}
