#include "FileFacts.h"

#include "TextHelpers.h"

#include <QBuffer>
#include <QImageReader>

#include <array>
#include <utility>

namespace kestrel {

namespace {

std::string sniffedImageType(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return "image/png";
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return "image/gif";
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return "image/webp";
    if (bytes.startsWith("BM") && bytes.size() >= 26)
        return "image/bmp";
    return {};
}

} // namespace

std::string mimeTypeOf(const QByteArray& bytes, std::string_view name)
{
    if (std::string sniffed = sniffedImageType(bytes); !sniffed.empty())
        return sniffed;
    // The common part of wp_get_mime_types(); an image that is none of the above goes by its name too.
    static const std::array<std::pair<std::string_view, std::string_view>, 27> byExtension = {{
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"png", "image/png"},
        {"gif", "image/gif"},
        {"webp", "image/webp"},
        {"bmp", "image/bmp"},
        {"ico", "image/x-icon"},
        {"tif", "image/tiff"},
        {"tiff", "image/tiff"},
        {"pdf", "application/pdf"},
        {"zip", "application/zip"},
        {"gz", "application/x-gzip"},
        {"tgz", "application/x-gzip"},
        {"rar", "application/rar"},
        {"7z", "application/x-7z-compressed"},
        {"txt", "text/plain"},
        {"doc", "application/msword"},
        {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"xls", "application/vnd.ms-excel"},
        {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {"ppt", "application/vnd.ms-powerpoint"},
        {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {"mp3", "audio/mpeg"},
        {"mp4", "video/mp4"},
        {"swf", "application/x-shockwave-flash"},
        {"flv", "video/x-flv"},
        {"svg", "image/svg+xml"},
    }};
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos) {
        const std::string extension = asciiLower(name.substr(dot + 1));
        for (const auto& [known, type] : byExtension) {
            if (extension == known)
                return std::string(type);
        }
    }
    return "application/octet-stream";
}

FileFacts readFileFacts(const QByteArray& bytes, std::string_view name)
{
    FileFacts facts;
    facts.mimeType = mimeTypeOf(bytes, name);
    facts.size = bytes.size();
    if (!sniffedImageType(bytes).empty()) {
        QByteArray data = bytes; // shared, not copied
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        if (const QSize size = reader.size(); size.isValid()) {
            facts.width = size.width();
            facts.height = size.height();
        }
    }
    return facts;
}

} // namespace kestrel
