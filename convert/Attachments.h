#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

class BlogConnection;

// A name is an image's when it has exactly one full stop and ends in jpg, gif, png or bmp (any letter case).
bool isImageFileName(std::string_view name);

// The attachment's assignment list: a post of type attachment under its article.
std::string buildAttachmentFields(const BlogConnection& connection, std::int64_t blogId, std::string_view fileName,
                                  std::string_view filePath);

} // namespace kestrel
