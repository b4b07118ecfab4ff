// Passwords reach kestrel-cli from the environment, a file or a question on the
// terminal, and never from its arguments; it never says them.
#include "CliTesting.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

const std::string emlogPassword = "Emlog-S3cret'\\\"-7f3a";
const std::string wordPressPassword = "Wp-S3cret%-密码-91c2";

class CliPasswordsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        createCleanBlog(emlog.admin());
        MysqlSession admin = adminConnection();
        for (const auto& [user, password, database] :
             {std::tuple{emlogUser, emlogPassword, emlog.name()},
              std::tuple{wordPressUser, wordPressPassword, wordpress.name()}}) {
            execute(admin, "DROP USER IF EXISTS '" + user + "'@'%'");
            execute(admin, "CREATE USER '" + user + "'@'%' IDENTIFIED BY " + quotedLiteral(admin, password));
            execute(admin, "GRANT ALL ON `" + database + "`.* TO '" + user + "'@'%'");
        }
    }

    void TearDown() override
    {
        MysqlSession admin = adminConnection();
        execute(admin, "DROP USER IF EXISTS '" + emlogUser + "'@'%'");
        execute(admin, "DROP USER IF EXISTS '" + wordPressUser + "'@'%'");
        for (const std::string& file : files)
            std::remove(file.c_str());
    }

    std::vector<std::string> arguments(std::vector<std::string> more)
    {
        more.insert(more.begin(), {"--emlog-user=" + emlogUser, "--wp-user=" + wordPressUser, "--pacing=none"});
        std::vector<std::string> all = cliArguments(emlog.name(), wordpress, more);
        // The users' own passwords, not root's files.
        std::erase_if(all, [&](const std::string& argument) {
            return std::find(more.begin(), more.end(), argument) == more.end() &&
                   argument.find("-password-file") != std::string::npos;
        });
        return all;
    }

    std::string file(const std::string& name, const std::string& contents)
    {
        const std::string path = std::string(::testing::TempDir()) + "/" + wordpress.name() + "-" + name;
        std::ofstream(path, std::ios::binary) << contents;
        files.push_back(path);
        return path;
    }

    // What a program said, in any of its outputs, holds no password nor a telling piece of one.
    static void expectNoPassword(const std::string& said)
    {
        for (const char* secret : {"S3cret", "7f3a", "91c2"})
            EXPECT_EQ(said.find(secret), std::string::npos) << said;
    }

    // Users are the server's, not a database's: names of this process alone, as tests run side by side.
    const std::string emlogUser = "kcli_emlog_" + std::to_string(getpid());
    const std::string wordPressUser = "kcli_wp_" + std::to_string(getpid());
    TestDatabase emlog{"clipw_emlog"};
    WordPressDatabase wordpress{"clipw_wp"};
    std::vector<std::string> files;
};

} // namespace

TEST_F(CliPasswordsTest, FromEnvironmentFileOrTerminalAndNeverShown)
{
    const std::string json = file("report.json", "");
    const Subprocess::Options environment{
        {{"KESTREL_EMLOG_PASSWORD", emlogPassword}, {"KESTREL_WP_PASSWORD", wordPressPassword}}};
    Subprocess fromEnvironment(arguments({"--empty-first", "--yes", "--json=" + json}), environment);
    EXPECT_EQ(fromEnvironment.wait(), 0) << fromEnvironment.out() << fromEnvironment.err();
    expectNoPassword(fromEnvironment.out() + fromEnvironment.err());
    std::ifstream report(json);
    expectNoPassword(std::string(std::istreambuf_iterator<char>(report), {}));

    // A file's first line, whatever its line end; the file wins over the environment. One that others may
    // read is still used, with a warning.
    const std::string emlogFile = file("emlog", emlogPassword + "\n");
    const std::string wordPressFile = file("wp", wordPressPassword + "\r\nnext line");
    chmod(emlogFile.c_str(), 0640);
    chmod(wordPressFile.c_str(), 0600);
    Subprocess fromFiles(arguments({"--empty-first", "--yes", "--emlog-password-file=" + emlogFile,
                                    "--wp-password-file", wordPressFile}),
                         {{{"KESTREL_EMLOG_PASSWORD", "wrong"}}});
    EXPECT_EQ(fromFiles.wait(), 0) << fromFiles.out() << fromFiles.err();
    expectNoPassword(fromFiles.out() + fromFiles.err());
    EXPECT_NE(fromFiles.err().find("密码文件 " + emlogFile + " 本机别的用户也能读"), std::string::npos)
        << fromFiles.err();
    EXPECT_EQ(fromFiles.err().find(wordPressFile), std::string::npos) << fromFiles.err();

    Subprocess refused(arguments({}), {{{"KESTREL_EMLOG_PASSWORD", emlogPassword + "-wrong"}}});
    EXPECT_EQ(refused.wait(), 2);
    EXPECT_NE(refused.err().find("emlog博客数据库连接失败."), std::string::npos) << refused.err();
    expectNoPassword(refused.out() + refused.err());

    // On a terminal: asked without echo, then the window's question before emptying.
    Subprocess asked(arguments({"--empty-first"}), {{}, true});
    ASSERT_TRUE(asked.waitForOutput("emlog 数据库")) << asked.out();
    std::ifstream commandLine("/proc/" + std::to_string(asked.pid()) + "/cmdline", std::ios::binary);
    const std::string arguments(std::istreambuf_iterator<char>(commandLine), {});
    EXPECT_NE(arguments.find(emlogUser), std::string::npos);
    expectNoPassword(arguments);
    asked.type(emlogPassword + "\n");
    ASSERT_TRUE(asked.waitForOutput("WordPress 数据库")) << asked.out();
    asked.type(wordPressPassword + "\n");
    ASSERT_TRUE(asked.waitForOutput("[y/N]")) << asked.out();
    asked.type("y\n");
    EXPECT_EQ(asked.wait(), 0) << asked.out();
    expectNoPassword(asked.out());
    EXPECT_NE(asked.out().find("转换完成"), std::string::npos) << asked.out();
    EXPECT_NE(asked.out().find("\x1b[K"), std::string::npos); // progress redrawn in place
}
