// kestrel-cli --check says what a run would meet and writes nothing: the
// program built here, and the one the Debian package installs.
#include "CliTesting.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Program
{
    const char* name;
    std::string (*path)(); // empty: not there to test
};

std::string packagedProgram()
{
    const char* root = std::getenv("KESTREL_PACKAGE_ROOT");
    return root && *root ? std::string(root) + "/usr/bin/kestrel-cli" : std::string();
}

void PrintTo(const Program& program, std::ostream* out)
{
    *out << program.name;
}

// Every table of a database with its checksum.
std::map<std::string, std::string> checksums(const std::string& database)
{
    MysqlSession admin = adminConnection(database);
    std::map<std::string, std::string> sums;
    for (const Row& table : queryRows(admin, "SHOW TABLES")) {
        const auto sum = queryRows(admin, "CHECKSUM TABLE `" + *table[0] + "`");
        sums[*table[0]] = sum.empty() ? "" : sum[0][1].value_or("NULL");
    }
    return sums;
}

class CheckFixture : public ::testing::Test
{
protected:
    void SetUp() override { loadSampleBlog(emlog.name()); }

    // kestrel-cli --check with the given options, and its exit status.
    int check(const std::vector<std::string>& options, std::string& said)
    {
        std::vector<std::string> arguments = cliArguments(emlog.name(), wordpress, options);
        arguments[0] = program;
        arguments.push_back("--check");
        Subprocess cli(arguments);
        const int status = cli.wait();
        said = cli.out() + cli.err();
        return status;
    }

    std::string program = cliProgram();
    TestDatabase emlog{"check_emlog"};
    WordPressDatabase wordpress{"check_wp"};
};

class CheckTest : public CheckFixture, public ::testing::WithParamInterface<Program>
{
protected:
    void SetUp() override
    {
        program = GetParam().path();
        if (program.empty())
            GTEST_SKIP() << "KESTREL_PACKAGE_ROOT is not set: scripts/test.sh sets it after building the package";
        CheckFixture::SetUp();
    }
};

} // namespace

TEST_P(CheckTest, SaysWhatARunWouldMeetAndWritesNothing)
{
    Subprocess version({program, "--version"});
    EXPECT_EQ(version.wait(), 0);
    EXPECT_EQ(version.out(), "kestrel-cli " KESTREL_VERSION "\n");

    const auto emlogBefore = checksums(emlog.name());
    const auto wordPressBefore = checksums(wordpress.name());
    std::string said;

    ASSERT_EQ(check({}, said), 0) << said;
    for (const char* line :
         {"emlog pro", "emlog_blog             40 行", "emlog_comment          68 行", "emlog_attachment       16 行",
          "emlog_sort              9 行", "emlog_tag              17 行", "emlog_link              8 行",
          "emlog_twitter           3 行", "emlog_reply             4 行", "emlog_blog_fields       4 行",
          "时区：emlog Asia/Shanghai，WordPress UTC+0", "utf8mb4"})
        EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
    const std::string databaseVersion = queryValue(wordpress.admin(), "SELECT option_value FROM wp_options WHERE "
                                                                      "option_name='db_version'");
    EXPECT_NE(said.find("数据库版本 " + databaseVersion), std::string::npos) << said;
    // What WordPress's installer made holds the ids of three articles and a category.
    for (const char* taken :
         {R"(文章 gid=1：WordPress 文章 1 "Hello world!")", R"(文章 gid=2：WordPress 页面 2 "Sample Page")",
          R"(文章 gid=3：WordPress 页面 3 "Privacy Policy")", R"(分类 sid=1：WordPress 分类 1 "Uncategorized")"})
        EXPECT_NE(said.find(taken), std::string::npos) << taken << "\n" << said;
    EXPECT_EQ(said.find("gid=4"), std::string::npos) << said;

    ASSERT_EQ(check({"--empty-first"}, said), 0) << said;
    // Only the blog's kinds go, counted per kind.
    EXPECT_NE(said.find("将删除 文章 1 行，页面 2 行，附件 0 行，修订版本 0 行，评论 1 行，分类 1 行"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("gid=1"), std::string::npos) << said;

    ASSERT_EQ(check({"--emlog-prefix=blog_"}, said), 1) << said;
    EXPECT_NE(said.find("--emlog-prefix=emlog_"), std::string::npos) << said;

    EXPECT_EQ(checksums(emlog.name()), emlogBefore);
    EXPECT_EQ(checksums(wordpress.name()), wordPressBefore);
}

TEST_F(CheckFixture, TellsEmlogVersionsApartByTheirColumns)
{
    struct Case
    {
        const char* change;
        const char* version;
    };
    for (const Case& c : {Case{"", "emlog pro"}, Case{"ALTER TABLE emlog_blog DROP parent_id", "emlog 6.x"},
                          Case{"ALTER TABLE emlog_blog DROP tags", "emlog 5.x"}}) {
        if (*c.change)
            execute(emlog.admin(), c.change);
        std::string said;
        EXPECT_EQ(check({}, said), 0) << said;
        EXPECT_NE(said.find(c.version), std::string::npos) << c.version << "\n" << said;
    }
}

// Names and texts read from the servers are data: a backquote in a column name stays in the name, and an
// escape sequence in a title does not reach the terminal.
TEST_F(CheckFixture, ServerTextsNeitherBreakStatementsNorDriveTheTerminal)
{
    execute(emlog.admin(), "ALTER TABLE emlog_blog ADD `note``s` TEXT");
    execute(wordpress.admin(), "UPDATE wp_posts SET post_title='Hello\x1b[2J\x07 world\r' WHERE ID=1");
    std::string said;
    EXPECT_EQ(check({}, said), 0) << said;
    EXPECT_NE(said.find(R"(文章 gid=1：WordPress 文章 1 "Hello[2J world")"), std::string::npos) << said;
    for (const char control : {'\x1b', '\x07', '\r'})
        EXPECT_EQ(said.find(control), std::string::npos) << int(control);
}

INSTANTIATE_TEST_SUITE_P(Programs, CheckTest,
                         ::testing::Values(Program{"built", cliProgram}, Program{"packaged", packagedProgram}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckRowSizes, RowsTooLargeForEitherServerAreNamed)
{
    // emlog on a server of its own, whose max_allowed_packet can be made small without harming other tests.
    PrivateServer emlogServer;
    emlogServer.createDatabase("emlog");
    MysqlSession emlog = emlogServer.admin("emlog");
    createCleanBlog(emlog);
    execute(emlog, "UPDATE emlog_blog SET content=REPEAT('x', 100000) WHERE gid=2");
    execute(emlog, "SET GLOBAL max_allowed_packet=65536");
    WordPressDatabase wordpress("size_wp");

    std::vector<std::string> arguments = cliArguments("emlog", wordpress, {"--check"});
    arguments[1] = "--emlog-server=" + emlogServer.address();
    arguments.push_back("--emlog-password-file=" + emlogServer.dir() + "/root-password");
    Subprocess cli(arguments);
    EXPECT_EQ(cli.wait(), 0) << cli.out() << cli.err();
    EXPECT_NE(cli.out().find("emlog_blog gid=2：1000"), std::string::npos) << cli.out();
    EXPECT_NE(cli.out().find("超过 emlog 服务器的上限"), std::string::npos) << cli.out();
    EXPECT_EQ(cli.out().find("emlog_blog gid=1"), std::string::npos) << cli.out();
}
