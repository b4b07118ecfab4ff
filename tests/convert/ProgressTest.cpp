// What every migration shows while it works: its opening text once its table is read, then the
// share done after each row, truncated as the double quotient gives it.
#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Shown
{
    const char* name;
    void (*migrate)(MigrationRun&);
    const char* table;
    const char* row; // assignments of one emlog row, with {i} for its number
    int rows;
    const char* opening;
    const char* running;
};

void PrintTo(const Shown& shown, std::ostream* out)
{
    *out << shown.name;
}

class ProgressTest : public MigrationTest, public ::testing::WithParamInterface<Shown>
{
protected:
    void SetUp() override
    {
        MigrationTest::SetUp();
        addCopiedArticles({1000}); // what the comments and attachments belong to
    }

    void addRow(int i)
    {
        std::string row = GetParam().row;
        for (std::size_t at; (at = row.find("{i}")) != std::string::npos;)
            row.replace(at, 3, std::to_string(i));
        addEmlogRow(GetParam().table, row);
    }
};

} // namespace

TEST_P(ProgressTest, AnEmptyTableShowsOnlyTheOpeningText)
{
    GetParam().migrate(*run);
    EXPECT_EQ(statuses, std::vector<std::string>{GetParam().opening});
    EXPECT_TRUE(progress.empty());
}

TEST_P(ProgressTest, TheShareDoneAfterEveryRow)
{
    for (int i = 1; i <= GetParam().rows; ++i)
        addRow(i);
    GetParam().migrate(*run);

    std::vector<std::string> expectedStatuses = {GetParam().opening};
    std::vector<int> expectedProgress;
    for (int i = 1; i <= GetParam().rows; ++i) {
        const int percent = i * 100 / GetParam().rows;
        expectedStatuses.push_back(GetParam().running + std::to_string(percent) + "%");
        expectedProgress.push_back(percent);
    }
    EXPECT_EQ(statuses, expectedStatuses);
    EXPECT_EQ(progress, expectedProgress); // 3 rows: 33, 66, 100; 2 rows: 50, 100
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

INSTANTIATE_TEST_SUITE_P(
    EveryMigration, ProgressTest,
    ::testing::Values(
        Shown{"Users", migrateUsers, "user", "uid={i},username='u{i}'", 3, "初始化转换用户...", "正在转换用户."},
        Shown{"Posts", migratePosts, "blog", "gid={i},title='t',date=0,content='',excerpt=''", 3,
              "初始化转换博客文章...", "正在转换博客文章."},
        Shown{"Comments", migrateComments, "comment", "cid={i},gid=1000,date=0,comment='c'", 3, "初始化转换博客评论...",
              "正在转换评论."},
        Shown{"Attachments", migrateAttachments, "attachment", "aid={i},blogid=1000,filename='f.txt'", 3,
              "初始化转换博客附件...", "正在转换附件."},
        Shown{"Categories", migrateCategories, "sort", "sid={i},sortname='s{i}',description=''", 3, "初始化转换分类...",
              "正在转换分类."},
        Shown{"Tags", migrateTags, "tag", "tid={i},tagname='t{i}',gid=''", 3, "初始化转换标签...", "正在转换标签."},
        Shown{"Links", migrateLinks, "link", "id={i},sitename='l',siteurl='http://l.example'", 2,
              "初始化转换友情链接...", "正在转换友情链接."}),
    [](const ::testing::TestParamInfo<Shown>& info) { return std::string(info.param.name); });
