#include "Attachments.h"

#include "Assignments.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "Posts.h"
#include "ResultSet.h"
#include "RowWriter.h"
#include "Slugs.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "Users.h"

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

Assignments buildAttachmentFields(const BlogConnection& connection, std::int64_t id, std::int64_t parent,
                                  std::int64_t author, std::string_view fileName, std::string_view filePath,
                                  std::string_view slug)
{
    Assignments list(connection);
    list.add("ID", id)
        .add("post_status", "inherit")
        .add("comment_status", "open")
        .add("ping_status", "open")
        .add("post_type", "attachment")
        .add("post_author", author)
        // emlog knows the type only from the name; every image is listed as a JPEG.
        .add("post_mime_type", isImageFileName(fileName) ? "image/jpeg" : "")
        .add("post_title", fileName)
        .add("post_name", slug)
        .add("post_parent", parent)
        // Without file metadata WordPress takes an attachment's address from its guid.
        .add("guid", filePath)
        .add("post_content", "")
        .add("post_excerpt", "")
        .add("to_ping", "")
        .add("pinged", "")
        .add("post_content_filtered", "");
    return list;
}

void migrateAttachments(MigrationRun& run)
{
    const Copies& copies = copiesOf(run, origin::attachment);
    const Copies& articles = copiesOf(run, origin::article);
    const std::int64_t author = authorsOf(run).administrator;
    // Attachments share the posts' numbers: theirs come after every post and every
    // article still to come, so that a later run's article keeps its own number.
    const std::int64_t largestPost =
        run.known.largestPostId ? *run.known.largestPostId : largestId(run, "posts", "ID").value_or(0);
    FreeIds free(largestPost,
                 [&run] { return run.known.largestGid ? *run.known.largestGid : largestEmlogId(run, "blog", "gid"); });
    std::unordered_set<std::string>& slugs = postNames(run);

    RowWriter writer(run, migration);
    forEachRow(run, {migration, "attachment", "初始化转换博客附件...", "正在转换附件.", run.pacing.attachments},
               [&](const EmlogRow& rows) {
                   std::int64_t aid = 0;
                   std::int64_t blogId = 0;
                   std::string filePath;
                   std::string fileName;
                   readField(rows, "aid", aid);
                   readField(rows, "blogid", blogId);
                   readField(rows, "filepath", filePath);
                   readField(rows, "filename", fileName);
                   const std::string source = "aid=" + std::to_string(aid);
                   if (copies.count(aid)) {
                       writer.alreadyThere();
                       return;
                   }
                   // An upload that belongs to no article (blogid 0) stays unattached.
                   std::int64_t parent = 0;
                   if (blogId != 0) {
                       const auto article = articles.find(blogId);
                       if (article == articles.end()) {
                           writer.fail("posts", source,
                                       "article gid=" + std::to_string(blogId) + " is not in WordPress");
                           return;
                       }
                       parent = article->second.id;
                   }
                   const std::int64_t id = free.take();
                   const std::string slug = uniqueSlug(wordPressSlug(fileName), std::to_string(id), slugs);
                   RowWrite write;
                   write.sourceId = source;
                   write.rows.push_back(
                       {"posts", buildAttachmentFields(run.wordPress, id, parent, author, fileName, filePath, slug)});
                   write.rows.push_back({"postmeta", originMeta(run, origin::attachment, id, aid)});
                   write.copied = RowWrite::Copied{&origin::attachment, aid, {id, id}};
                   writer.write(std::move(write));
               });
    writer.finish();
}

} // namespace kestrel
