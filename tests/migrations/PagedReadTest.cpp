// emlog's server is read a page at a time: a session cut between two pages is opened again and
// the reading goes on after the last row taken, so that every row arrives once, in its order.
#include "MigrationFixture.h"
#include "ServerSource.h"

#include <mysql.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct PagedCase
{
    const char* name;
    Kind kind;
    std::string_view parentColumn;
    const char* table;
    std::vector<std::string> rows; // the rows' assignments, inserted in this order
    std::vector<std::int64_t> expected;
    int reconnections; // a kill after the last page has no page after it to find it
};

class PagedReadTest : public MigrationTest
{
};

} // namespace

TEST_F(PagedReadTest, ASessionKilledBetweenTwoPagesGivesEveryRowOnceInOrder)
{
    const PagedCase cases[] = {
        // Pages by id, whatever the order the rows were added in.
        {"articles",
         Kind::posts,
         {},
         "blog",
         {"gid=5,title='e',date=0,content='',excerpt=''", "gid=1,title='a',date=0,content='',excerpt=''",
          "gid=3,title='c',date=0,content='',excerpt=''", "gid=2,title='b',date=0,content='',excerpt=''",
          "gid=4,title='d',date=0,content='',excerpt=''"},
         {1, 2, 3, 4, 5},
         2},
        // A reply after the comment it answers; one whose comment is gone in the ids' order.
        {"comments",
         Kind::comments,
         "pid",
         "comment",
         {"cid=1,gid=1,pid=0,date=0,comment='c'", "cid=2,gid=1,pid=5,date=0,comment='c'",
          "cid=3,gid=1,pid=0,date=0,comment='c'", "cid=4,gid=1,pid=2,date=0,comment='c'",
          "cid=5,gid=1,pid=0,date=0,comment='c'", "cid=6,gid=1,pid=3,date=0,comment='c'",
          "cid=7,gid=1,pid=9,date=0,comment='c'"},
         {1, 5, 2, 3, 4, 6, 7},
         2},
        {"categories",
         Kind::categories,
         "pid",
         "sort",
         {"sid=1,sortname='a',pid=3", "sid=2,sortname='b',pid=0", "sid=3,sortname='c',pid=2",
          "sid=4,sortname='d',pid=0"},
         {2, 3, 1, 4},
         1},
    };
    for (const PagedCase& test : cases) {
        SCOPED_TRACE(test.name);
        for (const std::string& row : test.rows)
            addEmlogRow(test.table, row);
        // Pages of two rows; the session is killed after the second row and again after the fourth.
        run->source = std::make_unique<ServerSource>(*run, 2);
        run->sleep = [](milliseconds, std::stop_token) {};
        int reconnecting = 0;
        run->tell = [&](const RunEvent& event) {
            if (event.what == RunEvent::What::Reconnecting)
                ++reconnecting;
            if (event.what == RunEvent::What::Row && (event.done == 2 || event.done == 4))
                execute(emlogDb.admin(), "KILL CONNECTION " + std::to_string(mysql_thread_id(emlog.handle())));
        };
        std::vector<std::int64_t> seen;
        const bool read = run->source->forEachRow({test.kind, {}, test.parentColumn}, [&](const EmlogRow& row) {
            std::int64_t id = 0;
            EXPECT_TRUE(readField(row, infoOf(test.kind).idColumn, id));
            seen.push_back(id);
        });
        EXPECT_TRUE(read) << emlog.lastError();
        EXPECT_EQ(seen, test.expected);
        EXPECT_EQ(reconnecting, test.reconnections);
    }
}

TEST_F(PagedReadTest, TablesReadWholeArePagedToo)
{
    for (int uid = 7; uid >= 1; --uid)
        addEmlogRow("user", "uid=" + std::to_string(uid) + ",username='u" + std::to_string(uid) + "'");
    run->source = std::make_unique<ServerSource>(*run, 3);
    run->sleep = [](milliseconds, std::stop_token) {};
    std::vector<std::string> names;
    ASSERT_TRUE(run->source->readTable("user", {"username"}, [&](const EmlogRow& row) {
        std::string name;
        readField(row, "username", name);
        names.push_back(name);
        if (names.size() == 3)
            execute(emlogDb.admin(), "KILL CONNECTION " + std::to_string(mysql_thread_id(emlog.handle())));
    }));
    EXPECT_EQ(names, (std::vector<std::string>{"u1", "u2", "u3", "u4", "u5", "u6", "u7"}));
    const std::optional<EmlogValues> values = run->source->columns("user", "uid", "username");
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 7u);
    EXPECT_EQ(values->back(), (std::pair<std::int64_t, std::string>{7, "u7"}));
}

// What a migration reads ahead of emlog is what it then reads, as kept from before a change; a read
// ahead that failed keeps nothing and is asked for again, alone, to fail on its own.
TEST_F(PagedReadTest, ReadsAheadAreTakenByTheReadsThatFollow)
{
    for (int uid = 1; uid <= 3; ++uid)
        addEmlogRow("user", "uid=" + std::to_string(uid) + ",username='u" + std::to_string(uid) + "'");
    using What = EmlogRead::What;
    run->source->readAhead({{What::HasTable, "user"},
                            {What::Table, "user", {"username"}},
                            {What::Columns, "user", {"uid", "username"}},
                            {What::Columns, "no_such_table", {"id", "name"}},
                            {What::HasTable, "blog_fields"}});
    execute(emlogDb.admin(), "UPDATE " + run->emlogTable("user") + " SET username=CONCAT(username, '!')");
    EXPECT_EQ(run->source->hasTable("user"), std::optional<bool>(true));
    std::vector<std::string> names;
    ASSERT_TRUE(run->source->readTable("user", {"username"}, [&](const EmlogRow& row) {
        std::string name;
        readField(row, "username", name);
        names.push_back(name);
    }));
    EXPECT_EQ(names, (std::vector<std::string>{"u1", "u2", "u3"}));
    const std::optional<EmlogValues> values = run->source->columns("user", "uid", "username");
    ASSERT_TRUE(values);
    EXPECT_EQ(values->back(), (std::pair<std::int64_t, std::string>{3, "u3"}));
    EXPECT_FALSE(run->source->columns("no_such_table", "id", "name"));
    EXPECT_NE(run->source->lastError().find("1146"), std::string::npos) << run->source->lastError();
    // Each is taken once: asked for again, a read finds the table as it is now.
    ASSERT_TRUE(run->source->readTable("user", {"username"}, [&](const EmlogRow&) {}));
    const std::optional<EmlogValues> now = run->source->columns("user", "uid", "username");
    ASSERT_TRUE(now);
    EXPECT_EQ(now->back(), (std::pair<std::int64_t, std::string>{3, "u3!"}));

    // A kind's first rows, and its count, go ahead for its migration's reading, once.
    for (int tid = 1; tid <= 3; ++tid)
        addEmlogRow("tag", "tid=" + std::to_string(tid) + ",tagname='t" + std::to_string(tid) + "',gid=''");
    run->source->readAhead({{What::FirstRows, "tag"}});
    execute(emlogDb.admin(), "UPDATE " + run->emlogTable("tag") + " SET tagname=CONCAT(tagname, '!')");
    const auto tagNames = [this] {
        std::vector<std::string> read;
        EXPECT_TRUE(run->source->forEachRow(
            {Kind::tags, {}}, [&](const EmlogRow& row) { readField(row, "tagname", read.emplace_back()); }));
        return read;
    };
    EXPECT_EQ(tagNames(), (std::vector<std::string>{"t1", "t2", "t3"}));
    EXPECT_EQ(tagNames(), (std::vector<std::string>{"t1!", "t2!", "t3!"}));
}
