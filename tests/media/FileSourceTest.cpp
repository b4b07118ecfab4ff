#include "FileSource.h"
#include "AttachmentMetadata.h"
#include "FileFacts.h"
#include "FolderServer.h"
#include "HttpSource.h"
#include "SampleFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace kestrel;
using namespace kestrel::test;

namespace {

TEST(FileFactsTest, TypeFromTheContentAndSizeFromTheImage)
{
    struct Case
    {
        const char* name;
        QByteArray bytes;
        const char* mimeType;
        int width;
        int height;
    } cases[] = {
        {"photo.gif", imageBytes({40, 30}, "JPEG"), "image/jpeg", 40, 30},
        {"x.JPG", imageBytes({41, 31}, "PNG"), "image/png", 41, 31},
        {"x.png", gifBytes(), "image/gif", 1, 1},
        {"diagram.bmp", imageBytes({12, 7}, "BMP"), "image/bmp", 12, 7},
        {"x.webp", QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16), "image/webp", 0, 0},
        {"report.PDF", pdfBytes(), "application/pdf", 0, 0},
        {"notes.docx", "PK", "application/vnd.openxmlformats-officedocument.wordprocessingml.document", 0, 0},
        {"readme", "text", "application/octet-stream", 0, 0},
    };
    for (const Case& c : cases) {
        const FileFacts facts = readFileFacts(c.bytes, c.name);
        EXPECT_EQ(facts.mimeType, c.mimeType) << c.name;
        EXPECT_EQ(facts.width, c.width) << c.name;
        EXPECT_EQ(facts.height, c.height) << c.name;
        EXPECT_EQ(facts.size, c.bytes.size()) << c.name;
    }
    EXPECT_EQ(attachmentMetadata("emlog/a.pdf", readFileFacts("%PDF", "a.pdf"), std::nullopt),
              R"(a:1:{s:8:"filesize";i:4;})");
}

class FileSourceTest : public ::testing::Test
{
protected:
    void SetUp() override { files = writeSampleBlogFiles(blog.path()); }

    // What a source gives for each path: the bytes, or the error.
    std::map<std::string, std::string> fetchAll(FileSource& source, const std::vector<std::string>& paths)
    {
        std::map<std::string, std::string> got;
        source.fetch(paths,
                     [&](std::size_t index, const QByteArray& bytes, const std::optional<Why>& why) {
                         got[paths[index]] = !why ? bytes.toStdString()
                                                  : "error: " + std::string(codeName(why->code)) + " " + why->subject;
                     },
                     {});
        return got;
    }

    void expectSampleFiles(FileSource& source)
    {
        std::vector<std::string> paths;
        for (const auto& [path, bytes] : files)
            paths.push_back(path);
        paths.push_back("content/uploadfile/200902/emlog-backup.zip");
        const auto got = fetchAll(source, paths);
        ASSERT_EQ(got.size(), paths.size());
        for (const auto& [path, bytes] : files)
            EXPECT_EQ(got.at(path), bytes.toStdString()) << path;
        EXPECT_EQ(got.at("content/uploadfile/200902/emlog-backup.zip").rfind("error: ", 0), 0u);
    }

    QTemporaryDir blog;
    std::map<std::string, QByteArray> files;
    FileSettings settings;
};

TEST_F(FileSourceTest, AFolderGivesTheBlogsFiles)
{
    Why error;
    auto source = openFileSource(blog.path().toStdString(), settings, error);
    ASSERT_TRUE(source) << error.subject;
    expectSampleFiles(*source);

    // Given emlog's uploads folder only, its files are there, and nothing else of the blog is.
    auto uploads = openFileSource(blog.filePath(QStringLiteral("content/uploadfile")).toStdString(), settings, error);
    ASSERT_TRUE(uploads) << error.subject;
    const auto got =
        fetchAll(*uploads, {"content/uploadfile/201006/readme", "admin/editor/plugins/emoticons/images/1.gif"});
    EXPECT_EQ(got.at("content/uploadfile/201006/readme"), "read me\n");
    EXPECT_EQ(got.at("admin/editor/plugins/emoticons/images/1.gif").rfind("error: ", 0), 0u);
}

TEST_F(FileSourceTest, TheBlogsAddressGivesTheSameFilesAndStopsAtTheSizeLimit)
{
    FolderServer server(blog.path());
    Why error;
    settings.parallel = 3;
    auto source = openFileSource((server.address() + QStringLiteral("/")).toStdString(), settings, error);
    ASSERT_TRUE(source) << error.subject;
    expectSampleFiles(*source);

    settings.sizeLimit = 100;
    HttpSource limited(QUrl(server.address()), settings);
    const auto got =
        fetchAll(limited, {"content/uploadfile/201205/3c1a1337480000.jpg", "content/uploadfile/201006/readme"});
    EXPECT_NE(got.at("content/uploadfile/201205/3c1a1337480000.jpg").find("too-large"), std::string::npos);
    EXPECT_EQ(got.at("content/uploadfile/201006/readme"), "read me\n");

    // Stopped, nothing answers: each file is reported after its tries, and the fetch ends.
    server.stop();
    settings.attempts = 2;
    HttpSource gone(QUrl(server.address()), settings);
    EXPECT_EQ(
        fetchAll(gone, {"content/uploadfile/201006/readme"}).at("content/uploadfile/201006/readme").rfind("error: ", 0),
        0u);
}

TEST_F(FileSourceTest, OnlyFoldersAndHttpAddressesAreSources)
{
    Why error;
    for (const std::string where : {"ftp://127.0.0.1/blog", "file:///etc", "http:///nohost", "/no/such/folder"}) {
        error = {};
        EXPECT_FALSE(openFileSource(where, settings, error)) << where;
        EXPECT_NE(error.code, Why::Code::serverRefused) << where;
    }
    EXPECT_EQ(
        HttpSource(QUrl("https://blog.example.com/emlog/"), settings).urlOf("content/uploadfile/年 1.pdf").toEncoded(),
        "https://blog.example.com/emlog/content/uploadfile/%E5%B9%B4%201.pdf");
}

} // namespace
