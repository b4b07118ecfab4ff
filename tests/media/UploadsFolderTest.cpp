#include "UploadsFolder.h"
#include "SampleFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    std::string error;
    ASSERT_TRUE(folder.open(error)) << error;
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
    std::string error;
    ASSERT_TRUE(folder.open(error)) << error;
    for (const std::string& name :
         std::vector<std::string>{"../../wp-config.php", "emlog/../../x.php", "/etc/passwd", "emlog/a\\..\\b",
                                  std::string("emlog/a\0b.jpg", 13), "emlog/linked/x.jpg", "emlog/", "C:/x.jpg"}) {
        error.clear();
        EXPECT_EQ(folder.place("content/x", name, "bytes", error), "") << name;
        EXPECT_FALSE(error.empty()) << name;
    }
    EXPECT_TRUE(QDir(m_dir.filePath(QStringLiteral("outside"))).isEmpty());
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("wp-config.php"))));
}

TEST_F(UploadsFolderTest, ADifferentFileOfTheSameNameGetsAFreeNameAndTheSameFileIsKept)
{
    writeFile(uploads() + QStringLiteral("/emlog/201205/x.jpg"), "someone else's");
    UploadsFolder folder(uploads());
    std::string error;
    ASSERT_TRUE(folder.open(error));
    EXPECT_EQ(folder.place("content/uploadfile/201205/x.jpg", "emlog/201205/x.jpg", "ours", error),
              "emlog/201205/x-1.jpg");
    EXPECT_EQ(folder.place("content/uploadfile/201205/y.jpg", "emlog/201205/y.jpg", "y", error), "emlog/201205/y.jpg");
    ASSERT_TRUE(folder.saveList(error)) << error;

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

} // namespace
