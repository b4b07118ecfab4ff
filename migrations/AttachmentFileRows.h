#pragma once

#include "CopiedFiles.h"
#include "RowWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

struct MigrationRun;

// What the copied files add to the attachments: each attachment's file rows, and pro's
// covers as their articles' featured images.
class AttachmentFileRows
{
public:
    explicit AttachmentFileRows(MigrationRun& run);

    // The file an attachment's filepath became; nothing when no files were copied or it did not arrive.
    std::optional<AttachmentFile> fileOf(std::string_view filePath) const;
    bool isSizeOfOriginal(std::string_view filePath) const;
    // Where a row without its file points: a file that could not be had, at the old blog's absolute address.
    std::string addressOf(std::string_view filePath) const;
    // _wp_attached_file and _wp_attachment_metadata of the attachment `id`, and _thumbnail_id of
    // every article whose cover is this file.
    void addRows(RowWrite& write, std::int64_t id, const AttachmentFile& file) const;

private:
    MigrationRun& m_run;
    std::unordered_map<std::string, std::vector<std::int64_t>> m_coveredPosts; // by attached file
};

} // namespace kestrel
