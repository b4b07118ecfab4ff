#pragma once

#include "PostRow.h"

#include <cstdint>
#include <string_view>

namespace kestrel {

class RowValues;
struct MigrationRun;

// A name is an image's when it has exactly one full stop and ends in jpg, gif, png or bmp (any letter case).
bool isImageFileName(std::string_view name);

// The attachment's row: a post of type attachment under its article (`parent`, 0 for none). The
// type is the one a copied file showed, or else what emlog's name suggests.
PostRow attachmentPost(std::int64_t id, std::int64_t parent, std::int64_t author, std::string_view fileName,
                       std::string_view filePath, std::string_view slug, std::string_view mimeType = {});

// post_date and post_modified of a file uploaded at `unixTime`: local in the run's zone, and in UTC.
void addUploadTimes(MigrationRun& run, RowValues& fields, std::int64_t unixTime);

} // namespace kestrel
