#pragma once

#include "FileFacts.h"

#include <optional>
#include <string>

namespace kestrel {

// A smaller copy of an image kept beside it (emlog's thumbnail), as one of WordPress's sizes.
struct ImageSize
{
    std::string file; // its name, in the original's folder
    FileFacts facts;
};

// _wp_attachment_metadata as WordPress serializes it: width, height, file (relative to the uploads
// folder), filesize and sizes ("thumbnail": emlog's thumbnail) for an image; filesize for any other file.
std::string attachmentMetadata(const std::string& attachedFile, const FileFacts& facts,
                               const std::optional<ImageSize>& thumbnail);

} // namespace kestrel
