// A backup file is found by its path as the user's system spells it: in a folder named in
// Chinese too, which Windows' narrow calls would read in the ANSI code page and miss.
#include "BackupStream.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace kestrel;

namespace {

namespace fs = std::filesystem;

const std::string sql = "#version:emlog 6.1.0\nINSERT INTO blog_blog VALUES (1,'标题');\n";

class BackupPathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::remove_all(scratch);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(scratch); }

    // Made at a plain ASCII path by zlib or libzip, then moved into the folder.
    std::string moved(const fs::path& made, const std::string& name) const
    {
        const fs::path path = folder / fs::u8path(name);
        fs::rename(made, path);
        return utf8(path);
    }
    static std::string utf8(const fs::path& path)
    {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
    static std::string readAll(BackupStream& stream)
    {
        std::string text;
        char buffer[7];
        while (const std::size_t got = stream.read(buffer, sizeof buffer))
            text.append(buffer, got);
        return text;
    }

    // A folder of each test's own: ctest runs them side by side.
    const fs::path scratch =
        fs::path(::testing::TempDir()) /
        ("backup_path_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    const fs::path folder = scratch / fs::u8path("博客备份 2024");
};

TEST_F(BackupPathTest, PlainSqlInAFolderNamedInChinese)
{
    const fs::path path = folder / fs::u8path("emlog 备份.sql");
    std::ofstream(path, std::ios::binary) << sql;
    BackupStream stream;
    ASSERT_TRUE(stream.open(utf8(path))) << stream.problem().detail;
    EXPECT_EQ(stream.total(), sql.size());
    EXPECT_EQ(readAll(stream), sql);
}

TEST_F(BackupPathTest, GzipInAFolderNamedInChinese)
{
    const fs::path made = scratch / "made.sql.gz";
    gzFile file = gzopen(made.string().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    gzwrite(file, sql.data(), static_cast<unsigned>(sql.size()));
    gzclose(file);
    BackupStream stream;
    ASSERT_TRUE(stream.open(moved(made, "备份.sql.gz"))) << stream.problem().detail;
    EXPECT_EQ(readAll(stream), sql);
}

TEST_F(BackupPathTest, ZipInAFolderNamedInChinese)
{
    const fs::path made = scratch / "made.zip";
    int code = 0;
    zip_t* archive = zip_open(made.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(archive, nullptr);
    zip_file_add(archive, "emlog.sql", zip_source_buffer(archive, sql.data(), sql.size(), 0), ZIP_FL_ENC_UTF_8);
    ASSERT_EQ(zip_close(archive), 0);
    BackupStream stream;
    ASSERT_TRUE(stream.open(moved(made, "备份.zip"))) << stream.problem().detail;
    EXPECT_EQ(stream.total(), sql.size());
    EXPECT_EQ(readAll(stream), sql);
}

TEST_F(BackupPathTest, AMissingFileIsNamed)
{
    BackupStream stream;
    const std::string path = utf8(folder / fs::u8path("没有.sql"));
    EXPECT_FALSE(stream.open(path));
    EXPECT_EQ(stream.problem().path, path) << stream.problem().detail;
}

} // namespace
