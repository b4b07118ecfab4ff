// 微语: emlog's short posts (5.x and pro), each a WordPress post of the format "status".
#include "Twitter.h"
#include "Attachments.h"
#include "CopiedFiles.h"
#include "HtmlText.h"
#include "Kinds.h"
#include "LinkTargets.h"
#include "Markdown.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "Origins.h"
#include "PostRow.h"
#include "Reconnect.h"
#include "ResultSet.h"
#include "RowValues.h"
#include "RowWriter.h"
#include "Slugs.h"
#include "Terms.h"
#include "TextHelpers.h"
#include "Users.h"
#include "WordPressQueries.h"

#include <algorithm>
#include <unordered_map>

namespace kestrel {

namespace {

constexpr std::string_view migration = idOf(Kind::twitter);

// WordPress's own name for the term that makes a post a status (set_post_format()).
constexpr std::string_view statusTerm = "post-format-status";

struct Twitter
{
    std::int64_t id = 0;
    std::int64_t author = 1;
    std::int64_t date = 0;
    std::int64_t replies = 0;
    std::int64_t likes = 0;
    std::string content;
    std::string img;
    std::string isPrivate = "n";
};

Twitter readTwitter(const EmlogRow& row)
{
    Twitter twitter;
    readField(row, "id", twitter.id);
    readField(row, "author", twitter.author);
    readField(row, "date", twitter.date);
    readField(row, "replynum", twitter.replies);
    readField(row, "like_count", twitter.likes);
    readField(row, "content", twitter.content);
    readField(row, "img", twitter.img);
    readField(row, "private", twitter.isPrivate);
    return twitter;
}

// The term_taxonomy_id of the status format, made as WordPress makes it when it is not there yet.
// Nothing when WordPress cannot be read or written (recorded).
std::optional<std::int64_t> statusFormat(MigrationRun& run)
{
    ResultSet found = readWithReconnect(run, run.wordPress, reads::postFormat(run.wordPressPrefix, statusTerm));
    if (!found) {
        unreadableWordPress(run, migration, "term_taxonomy", "post_format");
        return std::nullopt;
    }
    std::int64_t id = 0;
    if (rowCount(found) > 0 && readField(found, 1, id))
        return id;
    // A number no term uses, and none that a category or tag of a later run wants.
    std::optional<TermIds> ids = termIdsInUse(run, migration, [&run] {
        return std::max(largestEmlogId(run, "sort", "sid"), largestEmlogId(run, "tag", "tid"));
    });
    if (!ids)
        return std::nullopt;
    do
        id = ids->free.take();
    while (ids->used.count(id));
    ids->used.insert(id);
    RowValues term;
    term.add("term_id", id).add("name", statusTerm).add("slug", statusTerm).add("term_group", 0);
    RowValues format;
    format.add("term_taxonomy_id", id).add("term_id", id).add("taxonomy", "post_format").add("description", "");
    format.add("parent", 0).add("count", 0);
    const std::string terms = run.wordPressTable("terms");
    const std::string taxonomy = run.wordPressTable("term_taxonomy");
    if (!insertOnce(run, run.wordPress, terms, term) || !insertOnce(run, run.wordPress, taxonomy, format)) {
        recordFailure(run, migration, taxonomy, "post_format");
        return std::nullopt;
    }
    return id;
}

// How many likes each 微语 has in pro's replies; nothing for a blog whose replies carry none.
std::unordered_map<std::int64_t, std::int64_t> likesOf(MigrationRun& run)
{
    std::unordered_map<std::int64_t, std::int64_t> likes;
    run.source->readTable("reply", {"tid", "islike"}, [&](const EmlogRow& row) {
        std::int64_t tid = 0;
        std::string like;
        if (readField(row, "tid", tid) && readField(row, "islike", like) && like == "y")
            ++likes[tid];
    });
    return likes;
}

} // namespace

std::optional<bool> blogHas(MigrationRun& run, std::string_view migration, std::string_view table)
{
    const std::optional<bool> has = run.source->hasTable(table);
    if (!has)
        unreadableEmlog(run, migration, table);
    return has;
}

std::string twitterHtml(std::string_view content, bool markdown, std::string_view imageAddress)
{
    std::string html = markdown ? markdownToHtmlWithoutBreaks(content) : std::string(content);
    if (!imageAddress.empty()) {
        const std::string address = escapeHtml(imageAddress);
        html += "\n<p><a href=\"" + address + "\"><img src=\"" + address + "\" alt=\"\" /></a></p>";
    }
    return html;
}

void migrateTwitter(MigrationRun& run)
{
    const std::optional<bool> has = blogHas(run, migration, "twitter");
    if (!has || !*has)
        return;
    if (!readCopies(run, migration, {&origin::twitter, &origin::article, &origin::category, &origin::tag}) ||
        !run.state.readPostNames(run, migration))
        return;
    const Copies& copies = run.state.copies(origin::twitter);
    const Authors* authors = authorsOf(run, migration);
    if (!authors)
        return;
    const std::optional<std::int64_t> largestPost = largestId(run, "posts", "ID");
    if (!largestPost) {
        unreadableWordPress(run, migration, "posts", "largest ID");
        return;
    }
    // After every post, and after every article a later run may still bring with its own number.
    FreeIds free(*largestPost, [&run] { return largestEmlogId(run, "blog", "gid"); });
    TakenSlugs& slugs = run.state.postNames();
    LinkTargets links(run);
    if (!links.read(migration))
        return;
    const IdMap noArticlesPlaced;
    const std::string blogUrl = emlogBlogUrl(*run.source);
    std::optional<std::unordered_map<std::int64_t, std::int64_t>> likes;
    std::optional<std::int64_t> format;

    RowWriter writer(run, run.state, migration);
    bool formatAsked = false;
    // What is queued goes while emlog's next rows are on their way.
    const TableReading reading{Kind::twitter, run.pacing.posts, {}, [&] { writer.sendIfRoom(); }};
    run.source->forEachRow(reading, [&](const EmlogRow& row) {
        const Twitter twitter = readTwitter(row);
        if (copies.contains(twitter.id)) {
            writer.alreadyThere();
            return;
        }
        if (!formatAsked) {
            formatAsked = true;
            format = statusFormat(run);
        }
        // pro stores what its author typed; 5.x the HTML it showed.
        const bool pro = hasColumn(row, "private");
        const std::int64_t id = free.take();
        const std::int64_t author = authors->of(twitter.author);
        std::optional<AttachmentFile> file;
        std::string imageAddress;
        if (!twitter.img.empty()) {
            file = run.files ? run.files->attachment(twitter.img, false) : std::nullopt;
            // Relative to the blog's root; older admin pages wrote it from their folder ("../content/...").
            std::string_view path = twitter.img;
            while (path.rfind("../", 0) == 0)
                path.remove_prefix(3);
            // A pro upload a cloud plugin keeps elsewhere is where it is.
            const std::string lower = asciiLower(path.substr(0, 8));
            const bool elsewhere = lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
            imageAddress = file ? file->url : elsewhere ? std::string(path) : blogUrl + "/" + std::string(path);
        }
        std::string content = links.rewrite(twitterHtml(twitter.content, pro, imageAddress), noArticlesPlaced, nullptr);
        if (run.files)
            content = run.files->rewriteReferences(content);

        PostRow post;
        post.id = id;
        post.author = author;
        post.date = twitter.date;
        post.content = std::move(content);
        // Only its author saw a private one.
        post.status = twitter.isPrivate == "y" ? "private" : "publish";
        post.name = uniqueSlug(std::to_string(id), std::to_string(id), slugs);
        post.commentCount = twitter.replies;
        RowWrite write;
        write.sourceId = "id=" + std::to_string(twitter.id);
        write.rows.push_back({"posts", postValues(run, post)});
        write.rows.push_back({"postmeta", originMeta(origin::twitter, id, twitter.id), true});
        if (format)
            write.rows.push_back(termLink(id, *format));
        else
            write.problems.push_back({"term_relationships", {Why::Code::postFormatMissing}});
        if (pro) {
            if (!likes)
                likes = likesOf(run);
            const auto liked = likes->find(twitter.id);
            const std::int64_t count = std::max(twitter.likes, liked == likes->end() ? 0 : liked->second);
            write.rows.push_back({"postmeta", ownerMeta(origin::twitter, id, "like_count", std::to_string(count))});
        }
        if (!twitter.img.empty()) {
            // Its image is its attachment, with the number after it.
            const std::int64_t attachment = free.take();
            const std::string name = twitter.img.substr(twitter.img.find_last_of('/') + 1);
            write.rows.push_back({"posts", postValues(run, attachmentPost(attachment, id, author, name, imageAddress,
                                                                          uniqueSlug(wordPressSlug(name),
                                                                                     std::to_string(attachment), slugs),
                                                                          file ? file->mimeType : ""))});
            write.rows.push_back({"postmeta", ownerMeta(origin::twitter, attachment, origin::twitterImageKey,
                                                        std::to_string(twitter.id))});
            if (file) {
                write.rows.push_back(
                    {"postmeta", ownerMeta(origin::twitter, attachment, "_wp_attached_file", file->attachedFile)});
                write.rows.push_back(
                    {"postmeta", ownerMeta(origin::twitter, attachment, "_wp_attachment_metadata", file->metadata)});
            }
        }
        write.copied = RowWrite::Copied{&origin::twitter, twitter.id, {id, id}};
        writer.write(std::move(write));
    });
    writer.finish();
    if (format)
        recountTerms(run, migration, {*format});
}

} // namespace kestrel
