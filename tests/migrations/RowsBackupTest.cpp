// Emptying first's backup file: made new, in a folder named in Chinese too, and complete on
// the disk when finish() says so.
#include "RowsBackup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace kestrel;

namespace {

namespace fs = std::filesystem;

class RowsBackupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder.parent_path()); }

    static std::string utf8(const fs::path& path)
    {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
    static std::string contents(const fs::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // A folder of each test's own: ctest runs them side by side.
    const fs::path folder =
        fs::path(::testing::TempDir()) /
        ("rows_backup_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())) /
        fs::u8path("用户 数据");
    const fs::path path = folder / fs::u8path("wordpress-备份.sql");
};

TEST_F(RowsBackupTest, AFinishedBackupIsWholeInAFolderNamedInChinese)
{
    RowsBackup backup;
    ASSERT_TRUE(backup.create(utf8(path), "first line\nsecond line")) << backup.error();
    ASSERT_TRUE(backup.finish()) << backup.error();
    const std::string text = contents(path);
    EXPECT_EQ(text.rfind("-- first line\n-- second line\nSET NAMES utf8mb4;\n", 0), 0u) << text;
    EXPECT_TRUE(text.ends_with("START TRANSACTION;\nCOMMIT;\n")) << text;
#ifndef _WIN32
    const fs::perms perms = fs::status(path).permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
#endif
}

TEST_F(RowsBackupTest, AFileAlreadyThereIsNeitherOverwrittenNorWrittenThrough)
{
    std::ofstream(path, std::ios::binary) << "kept";
    RowsBackup backup;
    EXPECT_FALSE(backup.create(utf8(path), "comment"));
    EXPECT_NE(backup.error().find(utf8(path)), std::string::npos) << backup.error();
    EXPECT_FALSE(backup.finish());
    EXPECT_EQ(contents(path), "kept");
}

} // namespace
