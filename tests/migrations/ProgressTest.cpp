// What every migration tells while it works: that its table is read, then the rows done after each
// row, which the window shows as a share truncated as the double quotient gives it.
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
    Kind kind;
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

// An event as "Reading posts" or "Row posts 2/3".
std::vector<std::string> told(const std::vector<RunEvent>& events)
{
    std::vector<std::string> texts;
    for (const RunEvent& event : events) {
        const std::string kind(idOf(event.kind));
        texts.push_back(event.what == RunEvent::What::Reading
                            ? "Reading " + kind
                            : "Row " + kind + " " + std::to_string(event.done) + "/" + std::to_string(event.total));
    }
    return texts;
}

TEST_P(ProgressTest, AnEmptyTableTellsOnlyThatItIsRead)
{
    GetParam().migrate(*run);
    EXPECT_EQ(told(events), std::vector<std::string>{"Reading " + std::string(idOf(GetParam().kind))});
}

TEST_P(ProgressTest, TheShareDoneAfterEveryRow)
{
    for (int i = 1; i <= GetParam().rows; ++i)
        addRow(i);
    GetParam().migrate(*run);

    const std::string kind(idOf(GetParam().kind));
    std::vector<std::string> expected = {"Reading " + kind};
    for (int i = 1; i <= GetParam().rows; ++i)
        expected.push_back("Row " + kind + " " + std::to_string(i) + "/" + std::to_string(GetParam().rows));
    EXPECT_EQ(told(events), expected);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

INSTANTIATE_TEST_SUITE_P(
    EveryMigration, ProgressTest,
    ::testing::Values(
        Shown{"Users", migrateUsers, "user", "uid={i},username='u{i}'", 3, Kind::users},
        Shown{"Posts", migratePosts, "blog", "gid={i},title='t',date=0,content='',excerpt=''", 3, Kind::posts},
        Shown{"Comments", migrateComments, "comment", "cid={i},gid=1000,date=0,comment='c'", 3, Kind::comments},
        Shown{"Attachments", migrateAttachments, "attachment", "aid={i},blogid=1000,filename='f.txt'", 3,
              Kind::attachments},
        Shown{"Categories", migrateCategories, "sort", "sid={i},sortname='s{i}',description=''", 3, Kind::categories},
        Shown{"Tags", migrateTags, "tag", "tid={i},tagname='t{i}',gid=''", 3, Kind::tags},
        Shown{"Links", migrateLinks, "link", "id={i},sitename='l',siteurl='http://l.example'", 2, Kind::links},
        Shown{"Navigation", migrateNavigation, "navi", "id={i},naviname='n{i}',url='http://n.example/',type=0", 3,
              Kind::navigation},
        Shown{"Faces", migrateFaces, "user", "uid={i},username='u{i}',photo='../content/uploadfile/avatar/{i}.jpg'", 3,
              Kind::faces}),
    [](const ::testing::TestParamInfo<Shown>& info) { return std::string(info.param.name); });
