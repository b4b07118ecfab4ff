#include "SampleFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace kestrel::test {

QByteArray imageBytes(const QSize& size, const char* format, Qt::GlobalColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray gifBytes()
{
    // One white pixel: header, screen of 1x1 with a 2-colour table, graphic control, image, trailer.
    static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                                        0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04,
                                        0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01,
                                        0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(gif), sizeof gif);
}

QByteArray pdfBytes()
{
    return QByteArrayLiteral("%PDF-1.4\n"
                             "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                             "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                             "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >> endobj\n"
                             "trailer << /Root 1 0 R >>\n"
                             "%%EOF\n");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

std::map<std::string, QByteArray> writeSampleBlogFiles(const QString& root)
{
    const std::map<std::string, QByteArray> files = {
        {"content/uploadfile/201205/3c1a1337480000.jpg", imageBytes({320, 240}, "JPEG")},
        {"content/uploadfile/201205/thum-3c1a1337480000.jpg", imageBytes({120, 90}, "JPEG")},
        {"content/uploadfile/201205/8d2e1337480100.JPG", imageBytes({160, 120}, "JPEG", Qt::red)},
        {"content/uploadfile/201905/c4d51557046800.jpg", imageBytes({128, 96}, "JPEG", Qt::green)},
        {"content/uploadfile/201905/a1b21557046900.jpg", imageBytes({80, 60}, "JPEG", Qt::blue)},
        {"content/uploadfile/201006/5f3e1277913540.gz", QByteArray::fromHex("1f8b0800000000000003030000000000000000")},
        {"content/uploadfile/201304/77aa1364788800.gif", gifBytes()},
        {"content/uploadfile/202405/9a8b1716182040.png", imageBytes({192, 108}, "PNG")},
        {"content/uploadfile/202405/thum-9a8b1716182040.png", imageBytes({96, 54}, "PNG")},
        {"content/uploadfile/200907/diagram.bmp", imageBytes({64, 48}, "BMP")},
        {"content/uploadfile/201103/b7c21299752000.png", imageBytes({80, 110}, "PNG", Qt::yellow)},
        {"content/uploadfile/201501/e1f21420043400.gif", gifBytes()},
        // a 微语's image
        {"content/uploadfile/201501/f0f11420070400.jpg", imageBytes({90, 60}, "JPEG", Qt::magenta)},
        {"content/uploadfile/201006/readme", QByteArrayLiteral("read me\n")},
        {"content/uploadfile/201403/291f1394000000.pdf", pdfBytes()},
        {"content/uploadfile/201508/0b0c1439000000.docx", QByteArrayLiteral("PK\x03\x04 not really a document")},
        {"content/uploadfile/avatar/laoli.jpg", imageBytes({52, 52}, "JPEG")},
        // pro's: the template's logo and favicon, uid 3's photo, a guest's avatar and a link's icon
        {"content/uploadfile/202401/5b6c1704067200.png", imageBytes({240, 60}, "PNG", Qt::darkRed)},
        {"content/uploadfile/202401/favicon.png", imageBytes({32, 32}, "PNG", Qt::darkBlue)},
        {"content/uploadfile/202301/thum52-e5f61672531200.png", imageBytes({52, 52}, "PNG", Qt::darkGreen)},
        {"content/uploadfile/avatar/oreilly.png", imageBytes({48, 48}, "PNG", Qt::gray)},
        {"content/uploadfile/202401/c0d11704067300.png", imageBytes({16, 16}, "PNG", Qt::cyan)},
        {"admin/editor/plugins/emoticons/images/1.gif", gifBytes()},
    };
    for (const auto& [path, bytes] : files)
        writeFile(root + QLatin1Char('/') + QString::fromStdString(path), bytes);
    return files;
}

} // namespace kestrel::test
