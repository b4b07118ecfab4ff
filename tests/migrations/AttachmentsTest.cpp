#include "Attachments.h"
#include "MigrationFixture.h"
#include "Migrations.h"
#include "Slugs.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class AttachmentsTest : public MigrationTest
{
protected:
    void SetUp() override
    {
        MigrationTest::SetUp();
        addCopiedArticles({1, 12});
    }

    void addAttachment(std::int64_t aid, std::int64_t blogId, const std::string& fileName,
                       const std::string& filePath = "../content/uploadfile/201403/f.bin")
    {
        addEmlogRow("attachment", "aid=" + std::to_string(aid) + ",blogid=" + std::to_string(blogId) + ",filename=" +
                                      q(emlogDb.admin(), fileName) + ",filepath=" + q(emlogDb.admin(), filePath));
    }

    std::vector<Row> attachments()
    {
        return wordPressRows("SELECT post_title, post_name, post_mime_type, post_parent, guid, post_status, "
                             "post_type, post_author FROM " +
                             wp("posts") + " WHERE post_type='attachment' ORDER BY ID");
    }
};

} // namespace

TEST(ImageFileName, OneFullStopAndAnImageExtension)
{
    for (const char* image : {"a.png", "a.GIF", ".bmp", "a.jpg.", "photo.JPG", "照片.jpg", "Scan.Png"})
        EXPECT_TRUE(isImageFileName(image)) << image;
    for (const char* other : {"a.jpeg", "a.tif", "a.b.jpg", "a..jpg", "jpg", "", "archive.tar.gz", "a.jpgx", "a.jp"})
        EXPECT_FALSE(isImageFileName(other)) << other;
}

TEST_F(AttachmentsTest, AnImageBecomesAnAttachmentUnderItsArticle)
{
    addAttachment(1, 12, "photo.JPG", "../content/uploadfile/201403/291f1394000000.jpg");
    addAttachment(2, 0, "loose.txt", "../content/uploadfile/201403/loose.txt"); // an upload of no article
    migrateAttachments(*run);
    const std::vector<Row> expected = {
        {"photo.JPG", "photo-jpg", "image/jpeg", "12", "../content/uploadfile/201403/291f1394000000.jpg", "inherit",
         "attachment", "1"},
        {"loose.txt", "loose-txt", "", "0", "../content/uploadfile/201403/loose.txt", "inherit", "attachment", "1"}};
    EXPECT_EQ(attachments(), expected);
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(AttachmentsTest, EveryImageIsAJpegAndOtherFilesHaveNoType)
{
    addAttachment(1, 1, "a.png");
    addAttachment(2, 1, "b.GIF");
    addAttachment(3, 1, "c.bmp");
    addAttachment(4, 1, "archive.tar.gz");
    addAttachment(5, 1, "a.b.jpg");
    migrateAttachments(*run);
    const auto rows = attachments();
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows[i][2], "image/jpeg") << i;
    EXPECT_EQ(rows[3][2], "");
    EXPECT_EQ(rows[4][2], "");
}

TEST_F(AttachmentsTest, NamesArriveAsWrittenWithSlugsOfTheirOwn)
{
    addAttachment(1, 12, "照片 1.png");
    addAttachment(2, 12, "It's a \"quote\" \\ 100%.txt");
    addAttachment(3, 12, "😀.gif");
    addAttachment(4, 12, "照片 1.png"); // the same name again
    migrateAttachments(*run);
    const auto rows = attachments();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], "照片 1.png");
    EXPECT_EQ(rows[0][1], "%e7%85%a7%e7%89%87-1-png");
    EXPECT_EQ(rows[1][0], "It's a \"quote\" \\ 100%.txt");
    EXPECT_EQ(rows[1][1], "its-a-quote-100-txt");
    EXPECT_EQ(rows[2][1], "%f0%9f%98%80-gif");
    EXPECT_EQ(rows[3][1], "%e7%85%a7%e7%89%87-1-png-2");
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}

TEST_F(AttachmentsTest, ALongNameGetsASlugCutBetweenCharacters)
{
    std::string name;
    for (int i = 0; i < 40; ++i)
        name += "图";
    name += ".jpg";
    addAttachment(1, 1, name);
    migrateAttachments(*run);
    const auto rows = attachments();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], name);
    const std::string slug = rows[0][1].value_or("");
    EXPECT_LE(slug.size(), 200u);
    EXPECT_EQ(wordPressSlug(name, 1000).rfind(slug, 0), 0u); // a prefix of the whole slug
    EXPECT_EQ(slug.size() % 9, 0u);                          // whole characters only
    EXPECT_TRUE(run->failures.empty()) << run->failures.details();
}
