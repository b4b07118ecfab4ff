#include "Users.h"
#include "MigrationFixture.h"
#include "Migrations.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class UsersTest : public MigrationTest
{
protected:
    std::string meta(const std::string& login, const std::string& key)
    {
        return wordPressValue("SELECT m.meta_value FROM " + wp("usermeta") + " m JOIN " + wp("users") +
                              " u ON u.ID=m.user_id WHERE u.user_login='" + login + "' AND m.meta_key='" + key + "'");
    }
};

} // namespace

TEST_F(UsersTest, RolesAreNeverMoreThanEmlogGave)
{
    struct Case
    {
        const char* login;
        const char* columns;
        const char* capabilities;
        const char* level;
    };
    const Case cases[] = {
        {"boss", "role='admin'", "a:1:{s:13:\"administrator\";b:1;}", "10"},
        {"chief", "role='editor'", "a:1:{s:6:\"editor\";b:1;}", "7"},
        {"writer", "role='writer'", "a:1:{s:6:\"author\";b:1;}", "2"},
        {"checked", "role='writer',ischeck='y'", "a:1:{s:11:\"contributor\";b:1;}", "1"},
        {"visitor", "role='visitor'", "a:1:{s:10:\"subscriber\";b:1;}", "0"},
        {"odd", "role='superuser'", "a:1:{s:10:\"subscriber\";b:1;}", "0"},
        {"banned", "role='admin',state=1", "a:0:{}", "0"}, // emlog pro disabled the account
    };
    int uid = 10;
    for (const Case& c : cases)
        addEmlogRow("user", "uid=" + std::to_string(++uid) + ",username='" + c.login + "'," + c.columns);
    migrateUsers(*run);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login);
        EXPECT_EQ(meta(c.login, "wp_capabilities"), c.capabilities);
        EXPECT_EQ(meta(c.login, "wp_user_level"), c.level);
    }
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

// emlog 3.0 and 3.1 have no roles: their one user ran the blog.
TEST_F(UsersTest, TheUserOfABlogWithoutRolesIsItsAdministrator)
{
    execute(emlogDb.admin(), "ALTER TABLE emlog_user DROP COLUMN role");
    addEmlogRow("user", "uid=1,username='owner'");
    migrateUsers(*run);
    EXPECT_EQ(meta("owner", "wp_capabilities"), "a:1:{s:13:\"administrator\";b:1;}");
}

TEST_F(UsersTest, AUserWordPressHasIsLeftAsItIsAndWrittenOnce)
{
    const std::string before =
        wordPressValue("SELECT CONCAT(user_pass, user_email) FROM " + wp("users") + " WHERE ID=1");
    addEmlogRow("user", "uid=1,username='ADMIN',password='$P$Bx',role='writer',email='x@example.com'");
    addEmlogRow("user", "uid=2,username='other',password='$P$By',role='writer',email='admin@example.com'");
    addEmlogRow("user", "uid=3,username='新用户',role='writer',nickname=''");
    migrateUsers(*run);
    migrateUsers(*run);
    EXPECT_EQ(wordPressValue("SELECT COUNT(*) FROM " + wp("users")), "2");
    EXPECT_EQ(wordPressValue("SELECT CONCAT(user_pass, user_email) FROM " + wp("users") + " WHERE ID=1"), before);
    EXPECT_EQ(wordPressValue("SELECT CONCAT(user_nicename, ' ', display_name) FROM " + wp("users") + " WHERE ID=2"),
              "%e6%96%b0%e7%94%a8%e6%88%b7 新用户");
    // Both emlog's admin (same login) and the user with WordPress's admin's e-mail are that administrator.
    ASSERT_TRUE(authorsOf(*run, "users"));
    const Authors& authors = *authorsOf(*run, "users");
    EXPECT_EQ(authors.of(1), 1);
    EXPECT_EQ(authors.of(2), 1);
    EXPECT_EQ(authors.of(3), 2);
    EXPECT_EQ(authors.of(99), authors.administrator);
    EXPECT_EQ(authors.userOf(99), 0);
}
