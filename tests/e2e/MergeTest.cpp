// Runs into a WordPress that already has content, without emptying it first: WordPress's own
// rows stay its own, every emlog row arrives once, and a later run adds only what is new.
#include "Kinds.h"
#include "Origins.h"
#include "SampleRun.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

class MergeTest : public ::testing::Test, public SampleRun
{
protected:
    // What WordPress's installer made: "Hello world!" with its comment and category, "Sample
    // Page", the draft "Privacy Policy", and whether any of it names an emlog row.
    std::vector<Row> wordPressOwnRows()
    {
        auto rows = queryRows(wordpress.admin(), "SELECT ID, post_title, post_content, post_status, post_type FROM " +
                                                     wordpress.table("posts") + " WHERE ID IN (1,2,3) ORDER BY ID");
        for (const std::string& sql :
             {"SELECT comment_ID, comment_post_ID, comment_content, comment_approved FROM " +
                  wordpress.table("comments") + " WHERE comment_ID=1",
              "SELECT object_id, term_taxonomy_id FROM " + wordpress.table("term_relationships") + " WHERE object_id=1",
              "SELECT term_id, name FROM " + wordpress.table("terms") + " WHERE term_id=1",
              "SELECT COUNT(*) FROM " + wordpress.table("postmeta") +
                  " WHERE post_id IN (1,2,3) AND meta_key LIKE '\\_emlog\\_%'",
              "SELECT COUNT(*) FROM " + wordpress.table("commentmeta") +
                  " WHERE comment_id=1 AND meta_key LIKE '\\_emlog\\_%'",
              "SELECT COUNT(*) FROM " + wordpress.table("termmeta") + " WHERE term_id=1"}) {
            for (Row& row : queryRows(wordpress.admin(), sql))
                rows.push_back(std::move(row));
        }
        return rows;
    }

    // "文章：读取 36 行，写入 0 行，已存在 34 行，失败 2 行" and the like, by migration.
    static std::map<std::string, std::string> summary(const MessageBox::Shown& done)
    {
        std::map<std::string, std::string> lines;
        for (const QString& line : done.text.split(u'\n')) {
            const qsizetype colon = line.indexOf(u'：');
            if (colon > 0 && line.contains(QStringLiteral("读取")))
                lines[line.left(colon).toStdString()] = line.mid(colon + 1).toStdString();
        }
        return lines;
    }

    static std::string viewText(const QJsonObject& view) { return QJsonDocument(view).toJson().toStdString(); }
};

} // namespace

TEST_F(MergeTest, IntoAFreshWordPressEveryRowArrivesOnceAndWordPressKeepsItsOwn)
{
    const auto own = wordPressOwnRows();
    ASSERT_EQ(own.size(), 9u);
    const MessageBox::Shown done = migrate(false);
    EXPECT_EQ(failedRows(done.detail.toStdString()), sampleRowsWithoutOwners()) << done.detail.toStdString();
    EXPECT_EQ(wordPressOwnRows(), own);
    checkWholeBlog(wordPressView());
}

TEST_F(MergeTest, TheSameRunAgainWritesNothingAndChangesNothing)
{
    migrate(false);
    const QJsonObject before = wordPressView();
    const MessageBox::Shown again = migrate(false);
    EXPECT_EQ(viewText(wordPressView()), viewText(before));

    // Only the rows that can never arrive (their article is not in emlog) fail again.
    EXPECT_EQ(failedRows(again.detail.toStdString()), (std::set<std::string>{"评论 cid=28", "附件 aid=7"}));
    const auto lines = summary(again);
    // Every kind but the two only emlog 3.x and 4.x have (trackbacks, answers inside comments).
    EXPECT_EQ(lines.size(), std::size(kinds) - 2) << again.text.toStdString();
    for (const auto& [migration, line] : lines)
        EXPECT_NE(line.find("写入 0 行"), std::string::npos) << migration << line;
    EXPECT_EQ(lines.at("文章"), "读取 40 行，写入 0 行，已存在 40 行，失败 0 行");
    EXPECT_EQ(lines.at("评论"), "读取 68 行，写入 0 行，已存在 67 行，失败 1 行");
    // pro's like is no reply: it is not read as one.
    EXPECT_EQ(lines.at("微语"), "读取 3 行，写入 0 行，已存在 3 行，失败 0 行");
    EXPECT_EQ(lines.at("微语回复"), "读取 3 行，写入 0 行，已存在 3 行，失败 0 行");
}

TEST_F(MergeTest, RowsNewInEmlogArriveAloneOnTheNextRun)
{
    migrate(false);
    emlogExecute(
        "INSERT INTO {p}sort (sid, sortname, alias, taxis, pid, description) VALUES (50, '新分类', 'new', 50, 0, '')");
    emlogExecute("INSERT INTO {p}blog (gid, title, date, content, excerpt, sortid) VALUES "
                 "(100, '新文章', 1700000000, '<p>新的内容</p>', '', 50)");
    emlogExecute("INSERT INTO {p}tag (tid, tagname, gid) VALUES (50, '新标签', '100,2')");
    emlogExecute("UPDATE {p}tag SET gid=CONCAT(gid, ',100') WHERE tid=1"); // an old tag on the new article
    emlogExecute("INSERT INTO {p}comment (cid, gid, pid, date, poster, comment) VALUES "
                 "(100, 100, 0, 1700000100, '读者', '第一条评论'), (101, 2, 1, 1700000200, '回复者', '回复旧评论')");
    emlogExecute(
        "INSERT INTO {p}link (id, sitename, siteurl, description) VALUES (50, '新链接', 'http://new.example', '')");
    emlogExecute("INSERT INTO {p}twitter (id, content, author, date) VALUES (50, '新的微语', 1, 1700000300)");
    emlogExecute("INSERT INTO {p}reply (id, tid, date, name, content) VALUES (50, 50, 1700000400, '读者', '新回复'), "
                 "(51, 1, 1700000500, '读者', '旧微语的新回复')");

    const MessageBox::Shown done = migrate(false);
    const auto lines = summary(done);
    EXPECT_EQ(lines.at("分类"), "读取 10 行，写入 1 行，已存在 9 行，失败 0 行");
    EXPECT_EQ(lines.at("标签"), "读取 18 行，写入 1 行，已存在 17 行，失败 0 行");
    EXPECT_EQ(lines.at("文章"), "读取 41 行，写入 1 行，已存在 40 行，失败 0 行");
    EXPECT_EQ(lines.at("评论"), "读取 70 行，写入 2 行，已存在 67 行，失败 1 行");
    EXPECT_EQ(lines.at("附件"), "读取 16 行，写入 0 行，已存在 15 行，失败 1 行");
    EXPECT_EQ(lines.at("友情链接"), "读取 9 行，写入 1 行，已存在 8 行，失败 0 行");
    EXPECT_EQ(lines.at("微语"), "读取 4 行，写入 1 行，已存在 3 行，失败 0 行");
    EXPECT_EQ(lines.at("微语回复"), "读取 5 行，写入 2 行，已存在 3 行，失败 0 行");
    // The whole blog, old and new, is where it belongs: the reply under its parent, the old
    // article under the new tag, the new article under its category and both its tags.
    checkWholeBlog(wordPressView());
}

TEST_F(MergeTest, EmptyingFirstAfterSuchRunsGivesWhatARunIntoAnEmptyWordPressGives)
{
    migrate(false);
    migrate(false);
    // The blog showed WordPress's sample page on its front page.
    for (const auto& [name, value] : {std::pair{"show_on_front", "page"}, {"page_on_front", "2"}})
        execute(wordpress.admin(), "UPDATE " + wordpress.table("options") + " SET option_value='" + value +
                                       "' WHERE option_name='" + name + "'");
    migrate(true);

    for (const auto& [meta, owner, id] : {std::tuple{"postmeta", "posts", "ID"},
                                          {"commentmeta", "comments", "comment_ID"},
                                          {"termmeta", "terms", "term_id"}}) {
        const std::string ownerColumn = std::string(meta) == "postmeta"      ? "post_id"
                                        : std::string(meta) == "commentmeta" ? "comment_id"
                                                                             : "term_id";
        EXPECT_EQ(queryValue(wordpress.admin(), "SELECT COUNT(*) FROM " + wordpress.table(meta) + " m LEFT JOIN " +
                                                    wordpress.table(owner) + " o ON o." + id + "=m." + ownerColumn +
                                                    " WHERE o." + id + " IS NULL"),
                  "0")
            << meta;
    }
    const auto options =
        queryRows(wordpress.admin(), "SELECT option_name, option_value FROM " + wordpress.table("options") +
                                         " WHERE option_name IN ('show_on_front', 'page_on_front',"
                                         " 'page_for_posts') ORDER BY option_name");
    EXPECT_EQ(options, (std::vector<Row>{{"page_for_posts", "0"}, {"page_on_front", "0"}, {"show_on_front", "posts"}}));

    // Users are never emptied, and each installer made its own administrator: the rest must be equal.
    WordPressDatabase fresh("e2e_fresh", wordpress.prefix());
    migrateInto(fresh.name(), fresh.prefix(), true);
    QJsonObject emptied = wordPressView();
    QJsonObject intoFresh = wordPressView(fresh.name());
    emptied.remove(QStringLiteral("users"));
    intoFresh.remove(QStringLiteral("users"));
    EXPECT_EQ(viewText(emptied), viewText(intoFresh));
}

TEST_F(MergeTest, OnTablesThatCannotUndoARowARunCutOffInARowIsCompletedEachRowOnce)
{
    MysqlSession& admin = wordpress.admin();
    for (const Row& table : queryRows(admin, "SELECT TABLE_NAME FROM information_schema.TABLES WHERE "
                                             "TABLE_SCHEMA=DATABASE()"))
        execute(admin, "ALTER TABLE `" + *table[0] + "` ENGINE=MyISAM");
    // An article cut off half-way: the server refuses its post after its origin went in.
    execute(admin, "CREATE TRIGGER cut BEFORE INSERT ON " + wordpress.table("posts") +
                       " FOR EACH ROW BEGIN IF NEW.post_title='摄影：春天的花'"
                       " THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT='cut off'; END IF; END");
    const MessageBox::Shown cut = migrate(false);
    EXPECT_TRUE(cut.detail.contains(QStringLiteral("gid=10: 数据库服务器拒绝了这条语句：1644 cut off")))
        << cut.detail.toStdString();

    execute(admin, "DROP TRIGGER cut");
    const MessageBox::Shown done = migrate(false);
    EXPECT_EQ(summary(done).at("文章"), "读取 40 行，写入 1 行，已存在 39 行，失败 0 行") << done.text.toStdString();
    checkWholeBlog(wordPressView());
    // The origin the cut row left behind is gone: none names a row that is not there.
    EXPECT_EQ(queryValue(admin, "SELECT COUNT(*) FROM " + wordpress.table("postmeta") + " m LEFT JOIN " +
                                    wordpress.table("posts") + " p ON p.ID=m.post_id WHERE p.ID IS NULL"),
              "0");
}
