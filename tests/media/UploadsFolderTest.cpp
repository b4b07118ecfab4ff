#include "UploadsFolder.h"
#include "LocalUploads.h"
#include "SampleFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace kestrel;
using namespace kestrel::test;

namespace {

class UploadsFolderTest : public ::testing::Test
{
protected:
    QString uploads() const { return m_dir.filePath(QStringLiteral("uploads")); }
    QTemporaryDir m_dir;
};

// The list of an earlier run, as runs wrote it when files were hashed with SHA-256, still says the file is
// there: it is not copied again.
TEST_F(UploadsFolderTest, AnOlderListWithSha256DigestsIsStillRead)
{
    QDir().mkpath(uploads() + QStringLiteral("/emlog/201205"));
    QFile file(uploads() + QStringLiteral("/emlog/201205/x.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abc");
    file.close();
    QFile list(uploads() + QStringLiteral("/emlog/.kestrel-files"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    // SHA-256 of "abc".
    list.write("content/uploadfile/201205/x.jpg\temlog/201205/x.jpg\t3\t"
               "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n");
    list.close();
    UploadsFolder folder(uploads());
    Why error;
    ASSERT_TRUE(folder.open(error)) << error.subject;
    const UploadsFolder::Placed* placed = folder.placedEarlier("content/uploadfile/201205/x.jpg");
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->uploadsPath, "emlog/201205/x.jpg");
    EXPECT_EQ(placed->blake2b, UploadsFolder::hashOf("abc"));
}

TEST_F(UploadsFolderTest, NoNameLeadsOutOfTheFolder)
{
    QDir().mkpath(m_dir.filePath(QStringLiteral("outside")));
    QDir().mkpath(uploads() + QStringLiteral("/emlog"));
    QFile::link(m_dir.filePath(QStringLiteral("outside")), uploads() + QStringLiteral("/emlog/linked"));
    UploadsFolder folder(uploads());
    Why error;
    ASSERT_TRUE(folder.open(error)) << error.subject;
    for (const std::string& name :
         std::vector<std::string>{"../../wp-config.php", "emlog/../../x.php", "/etc/passwd", "emlog/a\\..\\b",
                                  std::string("emlog/a\0b.jpg", 13), "emlog/linked/x.jpg", "emlog/", "C:/x.jpg"}) {
        error = {};
        EXPECT_EQ(folder.place("content/x", name, "bytes", error), "") << name;
        // A folder that is a link elsewhere is named as such; every other name is not one to use.
        EXPECT_EQ(error.code, name == "emlog/linked/x.jpg" ? Why::Code::throughLink : Why::Code::unsafeName) << name;
    }
    EXPECT_TRUE(QDir(m_dir.filePath(QStringLiteral("outside"))).isEmpty());
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("wp-config.php"))));
}

TEST_F(UploadsFolderTest, ADifferentFileOfTheSameNameGetsAFreeNameAndTheSameFileIsKept)
{
    writeFile(uploads() + QStringLiteral("/emlog/201205/x.jpg"), "someone else's");
    UploadsFolder folder(uploads());
    Why error;
    ASSERT_TRUE(folder.open(error));
    EXPECT_EQ(folder.place("content/uploadfile/201205/x.jpg", "emlog/201205/x.jpg", "ours", error),
              "emlog/201205/x-1.jpg");
    EXPECT_EQ(folder.place("content/uploadfile/201205/y.jpg", "emlog/201205/y.jpg", "y", error), "emlog/201205/y.jpg");
    ASSERT_TRUE(folder.saveList(error)) << error.subject;

    // The next run finds both where it left them, unchanged, and no name is taken twice.
    UploadsFolder again(uploads());
    ASSERT_TRUE(again.open(error));
    ASSERT_NE(again.placedEarlier("content/uploadfile/201205/x.jpg"), nullptr);
    EXPECT_EQ(again.placedEarlier("content/uploadfile/201205/x.jpg")->uploadsPath, "emlog/201205/x-1.jpg");
    EXPECT_EQ(again.place("content/uploadfile/201205/x.jpg", "emlog/201205/x.jpg", "ours", error),
              "emlog/201205/x-1.jpg");
    EXPECT_EQ(again.read("emlog/201205/x.jpg"), "someone else's");
    EXPECT_EQ(again.place("content/uploadfile/201205/z.jpg", "emlog/201205/y.jpg", "not y", error),
              "emlog/201205/y-1.jpg");
    // A file changed since is fetched again.
    writeFile(uploads() + QStringLiteral("/emlog/201205/y.jpg"), "changed");
    EXPECT_EQ(again.placedEarlier("content/uploadfile/201205/y.jpg"), nullptr);
}

// A store that takes files of at most 4 bytes, as a site through its plugin takes no more than its limits.
class SmallUploads : public LocalUploads
{
public:
    using LocalUploads::LocalUploads;
    std::int64_t largestFile() const override { return 4; }
};

TEST_F(UploadsFolderTest, AFileLargerThanTheStoreTakesFailsWithItsReasonAndTheNextStillArrives)
{
    UploadsFolder folder(std::make_unique<SmallUploads>(uploads()));
    Why error;
    ASSERT_TRUE(folder.open(error));
    EXPECT_EQ(folder.place("content/uploadfile/201205/big.jpg", "emlog/201205/big.jpg", "12345", error), "");
    EXPECT_EQ(error.code, Why::Code::largerThanWordPress);
    EXPECT_EQ(error.detail, "4");
    EXPECT_FALSE(QFile::exists(uploads() + QStringLiteral("/emlog/201205/big.jpg")));
    error = {};
    EXPECT_EQ(folder.place("content/uploadfile/201205/s.jpg", "emlog/201205/s.jpg", "1234", error),
              "emlog/201205/s.jpg");
    EXPECT_TRUE(error.subject.empty());
}

// Saved again unchanged, the list is not written again: a run again writes nothing.
TEST_F(UploadsFolderTest, AListUnchangedIsNotWrittenAgain)
{
    Why error;
    {
        UploadsFolder folder(uploads());
        ASSERT_TRUE(folder.open(error));
        folder.place("content/uploadfile/201205/s.jpg", "emlog/201205/s.jpg", "1234", error);
        ASSERT_TRUE(folder.saveList(error)) << error.subject;
    }
    const std::filesystem::path list = (uploads() + QStringLiteral("/emlog/.kestrel-files")).toStdString();
    const auto written = std::filesystem::last_write_time(list) - std::chrono::seconds(60);
    std::filesystem::last_write_time(list, written);
    UploadsFolder again(uploads());
    ASSERT_TRUE(again.open(error));
    ASSERT_NE(again.placedEarlier("content/uploadfile/201205/s.jpg"), nullptr);
    ASSERT_TRUE(again.saveList(error)) << error.subject;
    EXPECT_EQ(std::filesystem::last_write_time(list), written);
}

} // namespace
