#include "Posts.h"

#include "Assignments.h"
#include "DateTime.h"
#include "MigrationRun.h"
#include "Migrations.h"
#include "ResultSet.h"
#include "TextHelpers.h"

namespace kestrel {

const std::string_view siteAddress = "http://blog.example.com";

namespace {

constexpr std::string_view migration = "文章";
// WordPress's post_name column holds 200 characters; a longer title is cut there, between characters.
constexpr std::size_t postNameLength = 200;

std::string sourceId(const Article& article)
{
    return "gid=" + std::to_string(article.gid);
}

} // namespace

std::string replaceApostrophes(std::string_view text)
{
    return replaceAll(text, "'", "’");
}

bool isDraft(const Article& article)
{
    return article.hide == "y" || article.checked == "n";
}

PostFields buildPostFields(MigrationRun& run, const Article& article)
{
    const std::string wallClock = formatDateTime(unixTimeToDateTime(article.date));
    const std::string utc = formatDateTime(unixTimeToUtc(article.date));
    const std::string title = replaceApostrophes(article.title);

    Assignments post(run.wordPress);
    post.add("post_status", isDraft(article) ? "draft" : "publish")
        .add("comment_status", "open")
        .add("ping_status", "open")
        .add("post_parent", 0)
        .add("menu_order", 0)
        .add("post_type", "post")
        .add("ID", article.gid)
        .add("post_author", article.author)
        .add("post_content", replaceAll(replaceApostrophes(article.content), siteAddress, ".."))
        .add("post_title", title)
        .add("post_name", firstCharacters(title, postNameLength))
        .add("comment_count", article.comnum)
        .add("post_date", wallClock)
        .add("post_date_gmt", utc)
        .add("post_modified", wallClock)
        .add("post_modified_gmt", utc);
    if (!article.password.empty())
        post.add("post_password", article.password);

    PostFields fields{post.text()};
    // -1 is emlog's mark for "no category": there is nothing to link to.
    if (article.sortid >= 0) {
        Assignments link(run.wordPress);
        link.add("object_id", article.gid).add("term_taxonomy_id", article.sortid);
        fields.categoryLinkWritten = writeRow(run, migration, "term_relationships", sourceId(article), link.text());
    }
    return fields;
}

void migratePosts(MigrationRun& run)
{
    Article article;
    forEachRow(run, {migration, "blog", "初始化转换博客文章...", "正在转换博客文章."}, [&](const ResultSet& rows) {
        readField(rows, "gid", article.gid);
        readField(rows, "title", article.title);
        readField(rows, "date", article.date);
        readField(rows, "content", article.content);
        readField(rows, "author", article.author);
        readField(rows, "comnum", article.comnum);
        readField(rows, "sortid", article.sortid);
        readField(rows, "hide", article.hide);
        readField(rows, "checked", article.checked);
        readField(rows, "password", article.password);

        const PostFields fields = buildPostFields(run, article);
        const bool written = writeRow(run, migration, "posts", sourceId(article), fields.assignments);
        run.pace(run.pacing.posts);
        return written && fields.categoryLinkWritten;
    });
}

} // namespace kestrel
