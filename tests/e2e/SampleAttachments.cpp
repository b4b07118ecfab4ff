#include "SampleAttachments.h"

#include "SampleRun.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace kestrel::test {

void addWhatTheSampleLacks(SampleRun& sample)
{
    // What the sample lacks: an emoticon, root-relative and https references, and hostile names.
    sample.emlogExecute("UPDATE {p}blog SET content=CONCAT(content, '<p><img src=\"http://blog.example.com/emlog/admin/"
                        "editor/plugins/emoticons/images/1.gif\" /> <img src=\"/emlog/content/uploadfile/201905/"
                        "a1b21557046900.jpg\" /> <img src=\"https://blog.example.com/emlog/content/uploadfile/202405/"
                        "thum-9a8b1716182040.png\" /></p>') WHERE gid=9");
    sample.emlogExecute("INSERT INTO {p}attachment (aid, blogid, filename, filesize, filepath, addtime, width, height, "
                        "mimetype, thumfor) VALUES (17, 9, 'wp-config.php', 10, '../../wp-config.php', 0, 0, 0, "
                        "'text/html', 0), (18, 9, 'passwd', 10, '/etc/passwd', 0, 0, 0, 'text/html', 0)");
}

std::map<int, QJsonObject> checkSampleAttachments(const QJsonObject& view, const QString& baseUrl)
{
    // The media library lists every attachment; the thumbnails of 5.x/6.x rows are sizes of their originals.
    std::map<int, QJsonObject> byAid;
    for (const QJsonValue& attachment : view[QStringLiteral("attachments")].toArray())
        for (const QJsonValue& aid : attachment[QStringLiteral("origins")].toArray())
            byAid[aid.toInt()] = attachment.toObject();
    EXPECT_EQ(byAid.size(), 17u); // 18 rows, of which 7's article is not in emlog
    EXPECT_EQ(byAid.at(2)[QStringLiteral("id")], byAid.at(1)[QStringLiteral("id")]);
    EXPECT_EQ(byAid.at(10)[QStringLiteral("id")], byAid.at(9)[QStringLiteral("id")]);
    struct Expected
    {
        int aid;
        const char* file; // below the uploads folder
        const char* mime;
        int width;
        int height;
        const char* thumbnail; // its file, or "" when WordPress has none to give
        int thumbnailWidth;
    } expected[] = {
        {1, "emlog/201205/3c1a1337480000.jpg", "image/jpeg", 320, 240, "thum-3c1a1337480000.jpg", 120},
        {3, "emlog/201205/8d2e1337480100.JPG", "image/jpeg", 160, 120, "", 0},
        {9, "emlog/202405/9a8b1716182040.png", "image/png", 192, 108, "thum-9a8b1716182040.png", 96},
        {11, "emlog/200907/diagram.bmp", "image/bmp", 64, 48, "", 0},
        {12, "emlog/201103/b7c21299752000.png", "image/png", 80, 110, "", 0},
        {13, "emlog/201501/e1f21420043400.gif", "image/gif", 1, 1, "", 0},
        {15, "emlog/201403/291f1394000000.pdf", "application/pdf", 0, 0, "", 0},
        {14, "emlog/201006/readme", "application/octet-stream", 0, 0, "", 0},
    };
    for (const Expected& e : expected) {
        const QJsonObject attachment = byAid.at(e.aid);
        EXPECT_EQ(attachment[QStringLiteral("url")].toString(), baseUrl + QLatin1Char('/') + e.file) << e.aid;
        EXPECT_EQ(attachment[QStringLiteral("mime")].toString(), e.mime) << e.aid;
        const QJsonObject metadata = attachment[QStringLiteral("metadata")].toObject();
        EXPECT_EQ(metadata[QStringLiteral("width")].toInt(), e.width) << e.aid;
        EXPECT_EQ(metadata[QStringLiteral("height")].toInt(), e.height) << e.aid;
        const QJsonObject thumbnail = attachment[QStringLiteral("thumbnail")].toObject();
        if (*e.thumbnail) {
            EXPECT_EQ(thumbnail[QStringLiteral("url")].toString(),
                      baseUrl + QLatin1Char('/') + QString::fromLatin1(e.file).section(u'/', 0, 1) + u'/' + e.thumbnail)
                << e.aid;
            EXPECT_EQ(thumbnail[QStringLiteral("width")].toInt(), e.thumbnailWidth) << e.aid;
            EXPECT_TRUE(thumbnail[QStringLiteral("intermediate")].toBool()) << e.aid;
        }
    }
    return byAid;
}

} // namespace kestrel::test
