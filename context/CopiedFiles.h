#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// An emlog upload as it now lies in WordPress's uploads folder.
struct AttachmentFile
{
    std::string attachedFile; // _wp_attached_file: relative to the uploads folder, "emlog/201205/x.jpg"
    std::string url;
    std::string mimeType;
    std::string metadata; // _wp_attachment_metadata, PHP-serialized
};

// What a run copied of the blog's files, asked by the migrations that write rows
// naming them. Without it (no files asked for) the rows name the old blog as before.
class CopiedFiles
{
public:
    virtual ~CopiedFiles() = default;
    // The content with every reference to a file of the old blog pointing where that file is now,
    // or at the old blog's absolute address when it could not be had.
    virtual std::string rewriteReferences(std::string_view content) const = 0;
    // The same for one reference to a file under the blog (absolute on its address, root-relative,
    // "../content/..." or "content/..."): its new address, or nothing when it names no file the
    // run handled, which leaves it as it is.
    virtual std::optional<std::string> newAddress(std::string_view reference) const = 0;
    // The attachment an emlog filepath (or a reference such as pro's cover) becomes; nothing
    // when its file did not arrive. A thumbnail stands for its original when that arrived and
    // `originalFirst` is set.
    virtual std::optional<AttachmentFile> attachment(std::string_view filePath, bool originalFirst) const = 0;
    // Whether a thumbnail's file is kept as a size of its original's attachment.
    virtual bool isSizeOfOriginal(std::string_view filePath) const = 0;
};

} // namespace kestrel
