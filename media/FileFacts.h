#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// What WordPress keeps of a file: its type, and an image's size.
struct FileFacts
{
    std::string mimeType;
    std::int64_t size = 0;
    int width = 0; // 0: no image, or one whose size could not be read
    int height = 0;
    bool isImage() const { return mimeType.rfind("image/", 0) == 0; }
};

// An image's type from its first bytes (JPEG, PNG, GIF, WebP, BMP), whatever its name says; any
// other file's from its name, as WordPress's own list of types gives it.
std::string mimeTypeOf(const QByteArray& bytes, std::string_view name);

// The type, and an image's width and height read from its header without decoding the picture.
FileFacts readFileFacts(const QByteArray& bytes, std::string_view name);

} // namespace kestrel
