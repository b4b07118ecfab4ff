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
