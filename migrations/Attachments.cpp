#include "Attachments.h"

#include "AttachmentFileRows.h"
#include "DateTime.h"
#include "Kinds.h"
#include "LocalTimes.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "PostRow.h"
#include "Posts.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Slugs.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "Users.h"

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::attachments);

// emlog pro's downloads: the alias its download links name the attachment by, for the redirect plugin,
// and how often it was downloaded, under emlog's own name.
void addDownloadRows(RowWrite& write, std::int64_t id, const EmlogRow& row)
{
    std::string alias;
    if (readField(row, "alias", alias) && !alias.empty())
        write.rows.push_back({"postmeta", ownerMeta(origin::attachment, id, origin::aliasKey, alias)});
    std::int64_t downloads = 0;
    if (readField(row, "download_count", downloads))
        write.rows.push_back(
            {"postmeta", ownerMeta(origin::attachment, id, "download_count", std::to_string(downloads))});
}

} // namespace

bool isImageFileName(std::string_view name)
{
    const auto pieces = splitText(asciiLower(name), '.');
    if (pieces.size() != 2)
        return false;
    const std::string& extension = pieces[1];
    return extension == "jpg" || extension == "gif" || extension == "png" || extension == "bmp";
}

PostRow attachmentPost(std::int64_t id, std::int64_t parent, std::int64_t author, std::string_view fileName,
                       std::string_view filePath, std::string_view slug, std::string_view mimeType)
{
    PostRow post;
    post.id = id;
    post.author = author;
    post.type = "attachment";
    post.status = "inherit";
    // emlog knows the type only from the name; every image is listed as a JPEG.
    post.mimeType = !mimeType.empty() ? mimeType : isImageFileName(fileName) ? "image/jpeg" : "";
    post.title = fileName;
    post.name = slug;
    post.parent = parent;
    // Without file metadata WordPress takes an attachment's address from its guid.
    post.guid = filePath;
    return post;
}

void addUploadTimes(MigrationRun& run, RowValues& fields, std::int64_t unixTime)
{
    // The media library shows when the file was uploaded, in the blog's zone as the articles' times.
    const std::string local = localDateTime(run, unixTime);
    const std::string utc = formatDateTime(unixTimeToUtc(unixTime));
    fields.add("post_date", local).add("post_date_gmt", utc).add("post_modified", local).add("post_modified_gmt", utc);
}

void migrateAttachments(MigrationRun& run)
{
    readAheadOfMigration(run, {&origin::attachment, &origin::article}, authorsQueries(run),
                         {{EmlogRead::What::ParentOrder, "attachment", {"thumfor"}}});
    if (!readCopies(run, migration, {&origin::attachment, &origin::article}) ||
        !run.state.readPostNames(run, migration))
        return;
    const Copies& copies = run.state.copies(origin::attachment);
    const Copies& articles = run.state.copies(origin::article);
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;
    const std::int64_t author = authors->administrator;
    // Attachments share the posts' numbers: theirs come after every post and every
    // article still to come, so that a later run's article keeps its own number.
    const std::optional<std::int64_t> largestPost =
        run.handoffs.largestPostId ? run.handoffs.largestPostId : largestId(run, "posts", "ID");
    if (!largestPost) {
        unreadableWordPress(run, migration, "posts", "largest ID");
        return;
    }
    FreeIds free(*largestPost, [&run] {
        return run.handoffs.largestGid ? *run.handoffs.largestGid : largestEmlogId(run, "blog", "gid");
    });
    TakenSlugs& slugs = run.state.postNames();
    const AttachmentFileRows fileRows(run);

    RowWriter writer(run, run.state, migration);
    WrittenInThisRun thisRun(writer); // the originals
    // A thumbnail comes after its original, whose attachment it may become a size of.
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::attachments, run.pacing.attachments, "thumfor", [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& rows) {
        std::int64_t aid = 0;
        std::int64_t blogId = 0;
        std::int64_t thumbnailOf = 0;
        std::int64_t addedAt = 0;
        std::int64_t uploader = 0; // emlog pro's; 0 on the versions without it
        readField(rows, "thumfor", thumbnailOf);
        readField(rows, "addtime", addedAt);
        readField(rows, "author", uploader);
        std::string filePath;
        std::string fileName;
        readField(rows, "aid", aid);
        readField(rows, "blogid", blogId);
        readField(rows, "filepath", filePath);
        readField(rows, "filename", fileName);
        const std::string source = "aid=" + std::to_string(aid);
        if (copies.contains(aid)) {
            writer.alreadyThere();
            return;
        }
        // An upload that belongs to no article (blogid 0) stays unattached.
        std::int64_t parent = 0;
        if (blogId != 0) {
            const auto article = articles.find(blogId);
            if (!article) {
                writer.fail("posts", source, missingArticle(run, blogId));
                return;
            }
            parent = article->id;
        }
        RowWrite write;
        write.sourceId = source;
        if (thumbnailOf != 0 && fileRows.isSizeOfOriginal(filePath)) {
            // emlog's second row for a thumbnail: WordPress keeps it as a size of the original.
            auto written = thisRun.parentOf(thumbnailOf, copies, "aid=" + std::to_string(thumbnailOf));
            if (const std::int64_t original = written.id; original != 0) {
                write.after = std::move(written.after);
                write.rows.push_back({"postmeta", originMeta(origin::attachment, original, aid), true});
                write.copied = RowWrite::Copied{&origin::attachment, aid, {original, original}};
                writer.write(std::move(write));
                return;
            }
        }
        const std::int64_t id = free.take();
        const std::string slug = uniqueSlug(wordPressSlug(fileName), std::to_string(id), slugs);
        const std::optional<AttachmentFile> file = fileRows.fileOf(filePath);
        RowValues fields = postValues(run, attachmentPost(id, parent, uploader != 0 ? authors->of(uploader) : author,
                                                          fileName, file ? file->url : fileRows.addressOf(filePath),
                                                          slug, file ? file->mimeType : ""));
        addUploadTimes(run, fields, addedAt);
        write.rows.push_back({"posts", std::move(fields)});
        write.rows.push_back({"postmeta", originMeta(origin::attachment, id, aid), true});
        addDownloadRows(write, id, rows);
        if (file)
            fileRows.addRows(write, id, *file);
        write.copied = RowWrite::Copied{&origin::attachment, aid, {id, id}};
        thisRun.add(aid, writer.write(std::move(write)), id);
    });
    writer.finish();
}

} // namespace kestrel
