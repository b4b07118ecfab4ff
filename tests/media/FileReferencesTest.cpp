#include "FileReferences.h"
#include "BlogFiles.h"
#include "BlogPaths.h"
#include "UploadsUrl.h"

#include <gtest/gtest.h>

using namespace kestrel;

namespace {

const BlogRoot blog = BlogRoot::fromBlogUrl("http://blog.example.com/emlog/");

// The files a run copied ("" for one it could not have), for the content to follow.
BlogFiles copied()
{
    BlogFiles files(blog, "http://wp.example.org/wp-content/uploads");
    files.add("content/uploadfile/201205/x.jpg", {"emlog/201205/x.jpg", {}});
    files.add("content/uploadfile/201205/thum-x.jpg", {"emlog/201205/thum-x.jpg", {}});
    files.add("content/uploadfile/201403/年度 报告.pdf", {"emlog/201403/年度 报告.pdf", {}});
    files.add("content/uploadfile/200902/gone.zip", {"", {}});
    files.add("admin/editor/plugins/emoticons/images/1.gif",
              {"emlog/site/admin/editor/plugins/emoticons/images/1.gif", {}});
    return files;
}

TEST(FileReferencesTest, EveryFormOfAReferenceFollowsItsFile)
{
    const std::string x = "http://wp.example.org/wp-content/uploads/emlog/201205/x.jpg";
    const std::string thumbnail = "http://wp.example.org/wp-content/uploads/emlog/201205/thum-x.jpg";
    struct Case
    {
        const char* name;
        std::string content;
        std::string expected;
    } cases[] = {
        {"absolute, http", R"(<img src="http://blog.example.com/emlog/content/uploadfile/201205/x.jpg" />)",
         R"(<img src=")" + x + R"(" />)"},
        {"absolute, https, other letter case",
         R"(<img src='HTTPS://Blog.Example.com/emlog/content/uploadfile/201205/x.jpg'>)", "<img src='" + x + "'>"},
        {"root-relative", R"(<a href="/emlog/content/uploadfile/201205/x.jpg">)", R"(<a href=")" + x + R"(">)"},
        {"from emlog's admin folder", R"(<img src="../content/uploadfile/201205/thum-x.jpg">)",
         R"(<img src=")" + thumbnail + R"(">)"},
        {"relative", R"(<img src="content/uploadfile/201205/x.jpg">)", R"(<img src=")" + x + R"(">)"},
        {"markdown, query kept", "![x](../content/uploadfile/201205/x.jpg?v=2)", "![x](" + x + "?v=2)"},
        {"escaped name", R"(<a href="../content/uploadfile/201403/%E5%B9%B4%E5%BA%A6%20%E6%8A%A5%E5%91%8A.pdf">)",
         R"(<a href="http://wp.example.org/wp-content/uploads/emlog/201403/%E5%B9%B4%E5%BA%A6%20%E6%8A%A5%E5%91%8A.pdf">)"},
        {"emoticon", R"(<img src="http://blog.example.com/emlog/admin/editor/plugins/emoticons/images/1.gif">)",
         R"(<img src="http://wp.example.org/wp-content/uploads/emlog/site/admin/editor/plugins/emoticons/images/1.gif">)"},
        {"a file that could not be had keeps the old absolute address",
         R"(<a href="../content/uploadfile/200902/gone.zip">)",
         R"(<a href="http://blog.example.com/emlog/content/uploadfile/200902/gone.zip">)"},
        {"a file never named stays", R"(<img src="../content/uploadfile/201001/other.jpg">)",
         R"(<img src="../content/uploadfile/201001/other.jpg">)"},
        {"pages and other sites stay",
         R"(<a href="http://blog.example.com/emlog/?post=3">x</a> <img src="http://other.example/content/uploadfile/201205/x.jpg">)",
         R"(<a href="http://blog.example.com/emlog/?post=3">x</a> <img src="http://other.example/content/uploadfile/201205/x.jpg">)"},
        {"a name leading out stays", R"(<img src="../content/../../wp-config.php">)",
         R"(<img src="../content/../../wp-config.php">)"},
        {"inside a word is no reference", "see mycontent/uploadfile/201205/x.jpg",
         "see mycontent/uploadfile/201205/x.jpg"},
    };
    const BlogFiles files = copied();
    for (const Case& c : cases)
        EXPECT_EQ(files.rewriteReferences(c.content), c.expected) << c.name;

    // One reference at a time, as another rewriting of the content hands them over.
    EXPECT_EQ(files.newAddress("https://blog.example.com/emlog/content/uploadfile/201205/thum-x.jpg"), thumbnail);
    EXPECT_EQ(files.newAddress("content/uploadfile/200902/gone.zip"),
              "http://blog.example.com/emlog/content/uploadfile/200902/gone.zip");
    EXPECT_EQ(files.newAddress("../content/uploadfile/201001/other.jpg"), std::nullopt);
    EXPECT_EQ(files.newAddress("../../wp-config.php"), std::nullopt);
}

TEST(FileReferencesTest, AThumbnailIsASizeOfItsOriginalWhenThatArrived)
{
    BlogFiles files(blog, "http://wp.example.org/wp-content/uploads");
    const FileFacts photo{"image/jpeg", 1000, 800, 600};
    const FileFacts small{"image/jpeg", 100, 420, 315};
    files.add("content/uploadfile/201205/x.jpg", {"emlog/201205/x-1.jpg", photo});
    files.add("content/uploadfile/201205/thum-x.jpg", {"emlog/201205/thum-x.jpg", small});
    files.add("content/uploadfile/201301/thum-lonely.jpg", {"emlog/201301/thum-lonely.jpg", small});
    files.add("content/uploadfile/201301/lonely.jpg", {"", {}});
    struct Case
    {
        const char* filePath;
        bool originalFirst;
        const char* attachedFile; // "" for none
        bool withThumbnail;
        bool sizeOfOriginal;
    } cases[] = {
        // emlog pro's one row names the thumbnail; 5.x/6.x give the original a row of its own.
        {"../content/uploadfile/201205/thum-x.jpg", true, "emlog/201205/x-1.jpg", true, true},
        {"../content/uploadfile/201205/x.jpg", true, "emlog/201205/x-1.jpg", true, false},
        {"http://blog.example.com/emlog/content/uploadfile/201205/x.jpg", true, "emlog/201205/x-1.jpg", true, false},
        {"../content/uploadfile/201205/thum-x.jpg", false, "emlog/201205/thum-x.jpg", false, true},
        {"../content/uploadfile/201301/thum-lonely.jpg", true, "emlog/201301/thum-lonely.jpg", false, false},
        {"../content/uploadfile/201301/lonely.jpg", true, "", false, false},
        {"../../x.jpg", true, "", false, false},
    };
    for (const Case& c : cases) {
        const auto file = files.attachment(c.filePath, c.originalFirst);
        EXPECT_EQ(files.isSizeOfOriginal(c.filePath), c.sizeOfOriginal) << c.filePath;
        if (!*c.attachedFile) {
            EXPECT_FALSE(file) << c.filePath;
            continue;
        }
        ASSERT_TRUE(file) << c.filePath;
        EXPECT_EQ(file->attachedFile, c.attachedFile) << c.filePath;
        EXPECT_EQ(file->url, "http://wp.example.org/wp-content/uploads/" + file->attachedFile);
        EXPECT_EQ(file->metadata.find(R"(s:5:"sizes";a:1:{s:9:"thumbnail";a:5:{s:4:"file";s:10:"thum-x.jpg")") !=
                      std::string::npos,
                  c.withThumbnail)
            << file->metadata;
    }
}

TEST(FileReferencesTest, ReferencesAreFoundWithTheirPathBelowTheBlogsRoot)
{
    struct Case
    {
        const char* reference;
        const char* path; // "" for none
        bool safe;
    } cases[] = {
        {"http://blog.example.com/emlog/content/uploadfile/201205/x.jpg", "content/uploadfile/201205/x.jpg", true},
        {"../content/uploadfile/201205/a%20b.jpg", "content/uploadfile/201205/a b.jpg", true},
        {"../../wp-config.php", "../wp-config.php", false},
        {"../content/uploadfile/a%00b.jpg", "content/uploadfile/a", false},
        // Names the web server would run rather than send, under any of their extensions.
        {"../content/uploadfile/201905/shell.php", "content/uploadfile/201905/shell.php", false},
        {"../content/uploadfile/201905/shell.PHP.jpg", "content/uploadfile/201905/shell.PHP.jpg", false},
        {"../content/uploadfile/201905/.htaccess", "content/uploadfile/201905/.htaccess", false},
        {"../content/uploadfile/201905/php-logo.png", "content/uploadfile/201905/php-logo.png", true},
        {"/etc/passwd", "", false},
        {"http://elsewhere.example/content/uploadfile/x.jpg", "", false},
    };
    for (const auto& c : cases) {
        const auto path = blogPathOf(c.reference, blog);
        if (std::string(c.path).empty()) {
            EXPECT_FALSE(path) << c.reference;
            continue;
        }
        ASSERT_TRUE(path) << c.reference;
        if (c.safe) {
            EXPECT_EQ(path->path, c.path) << c.reference;
        }
        EXPECT_EQ(!path->unsafe, c.safe) << c.reference;
    }
    EXPECT_EQ(uploadsPathOf("content/uploadfile/201205/x.jpg"), "emlog/201205/x.jpg");
    EXPECT_EQ(uploadsPathOf("admin/editor/plugins/emoticons/images/1.gif"),
              "emlog/site/admin/editor/plugins/emoticons/images/1.gif");
    EXPECT_EQ(originalOfThumbnail("content/uploadfile/201205/thum-x.jpg"), "content/uploadfile/201205/x.jpg");
    EXPECT_EQ(originalOfThumbnail("content/uploadfile/201205/x.jpg"), "");
}

TEST(FileReferencesTest, UploadsAddressAsWordPressMakesIt)
{
    struct Case
    {
        const char* siteUrl;
        const char* uploadPath;
        const char* uploadUrlPath;
        const char* expected;
    } cases[] = {
        {"http://wp.example.org", "", "", "http://wp.example.org/wp-content/uploads"},
        {"http://wp.example.org/blog/", "wp-content/uploads", "", "http://wp.example.org/blog/wp-content/uploads"},
        {"http://wp.example.org", "files/media", "", "http://wp.example.org/files/media"},
        {"http://wp.example.org", "/srv/uploads", "", "http://wp.example.org/wp-content/uploads"},
        {"http://wp.example.org", "files", "https://cdn.example.org/up/", "https://cdn.example.org/up"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(uploadsUrlFrom(c.siteUrl, c.uploadPath, c.uploadUrlPath), c.expected) << c.siteUrl << c.uploadPath;
}

} // namespace
