#include "Attachments.h"

#include "Assignments.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"
#include "TextHelpers.h"

namespace kestrel {

namespace {

constexpr std::string_view migration = "附件";

} // namespace

bool isImageFileName(std::string_view name)
{
    const auto pieces = splitText(asciiLower(name), '.');
    if (pieces.size() != 2)
        return false;
    const std::string& extension = pieces[1];
    return extension == "jpg" || extension == "gif" || extension == "png" || extension == "bmp";
}

std::string buildAttachmentFields(const BlogConnection& connection, std::int64_t blogId, std::string_view fileName,
                                  std::string_view filePath)
{
    Assignments list(connection);
    list.add("post_status", "inherit")
        .add("comment_status", "open")
        .add("ping_status", "open")
        .add("post_type", "attachment")
        .add("post_author", 1);
    // emlog knows the type only from the name; every image is listed as a JPEG.
    if (isImageFileName(fileName))
        list.add("post_mime_type", "image/jpeg");
    list.add("post_title", fileName)
        .add("post_name", encodeSlugWithin(fileName, slugColumnLength))
        .add("post_parent", blogId)
        // Without file metadata WordPress takes an attachment's address from its guid.
        .add("guid", filePath);
    return list.text();
}

void migrateAttachments(MigrationRun& run)
{
    std::int64_t aid = 0;
    std::int64_t blogId = 0;
    std::string filePath;
    std::string fileName;
    forEachRow(run, {migration, "attachment", "初始化转换博客附件...", "正在转换附件."}, [&](const ResultSet& rows) {
        readField(rows, "aid", aid);
        readField(rows, "blogid", blogId);
        readField(rows, "filepath", filePath);
        readField(rows, "filename", fileName);
        run.pace(run.pacing.attachments);
        return writeRow(run, migration, "posts", "aid=" + std::to_string(aid),
                        buildAttachmentFields(run.wordPress, blogId, fileName, filePath));
    });
}

} // namespace kestrel
