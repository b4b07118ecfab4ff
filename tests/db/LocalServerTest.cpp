// The local servers scripts/mariadb-server.sh starts (the sample server, and this test server):
// no other local user gets in or gets the server to write files for them.
#include "TestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace kestrel;
using namespace kestrel::test;

namespace {

// The user id the server's process runs as, from Linux's view of it.
std::string serverUid(const std::filesystem::path& dir)
{
    std::string pid;
    std::getline(std::ifstream(dir / "pid"), pid);
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Uid:", 0) == 0) {
            std::istringstream fields(line.substr(4));
            std::string real;
            fields >> real;
            return real;
        }
    }
    return {};
}

} // namespace

TEST(LocalServer, LetsNobodyInWithoutThePasswordAndWritesNoFilesForThem)
{
    const std::filesystem::path passwordFile = testServer().passwordFile;
    ASSERT_FALSE(passwordFile.empty());
    EXPECT_EQ(std::filesystem::status(passwordFile).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    struct Login
    {
        const char* what;
        const char* user;
        std::string password;
        bool in;
    };
    for (const Login& login :
         {Login{"root without a password", "root", "", false}, Login{"root with a wrong one", "root", "not-it", false},
          Login{"anybody", "nobody", "", false},
          Login{"root with the password", "root", testServer().password, true}}) {
        SCOPED_TRACE(login.what);
        MysqlSession session = openConnection(testServer().address(), login.user, login.password, "");
        EXPECT_EQ(static_cast<bool>(session), login.in) << session.lastError();
        if (!login.in) {
            EXPECT_EQ(session.lastErrorNumber(), 1045u) << session.lastError();
        }
    }

    // Root itself cannot have the server write (or read) a file outside its own folder.
    MysqlSession admin = adminConnection();
    EXPECT_FALSE(executeSql(admin, "SELECT 'x' INTO OUTFILE '/tmp/kestrel-outfile-test'"));
    EXPECT_EQ(admin.lastErrorNumber(), 1290u) << admin.lastError(); // --secure-file-priv
    EXPECT_FALSE(std::filesystem::exists("/tmp/kestrel-outfile-test"));
    EXPECT_EQ(queryValue(admin, "SELECT LOAD_FILE('/etc/passwd') IS NULL"), "1");

    const std::string uid = serverUid(passwordFile.parent_path());
    EXPECT_FALSE(uid.empty());
    EXPECT_NE(uid, "0") << "mariadbd runs as root";
    // Its socket is inside its own data folder, which only its user can enter.
    const std::filesystem::path socket = queryValue(admin, "SELECT @@socket");
    EXPECT_EQ(socket, std::filesystem::path(testServer().socket));
    EXPECT_EQ(socket.parent_path().string() + "/", queryValue(admin, "SELECT @@datadir"));
    EXPECT_EQ(std::filesystem::status(socket.parent_path()).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
}
