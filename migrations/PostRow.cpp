#include "PostRow.h"

#include "DateTime.h"
#include "LocalTimes.h"
#include "MigrationRun.h"

namespace kestrel {

RowValues postValues(MigrationRun& run, const PostRow& post)
{
    RowValues values;
    values.add("ID", post.id).add("post_author", post.author);
    if (post.date) {
        const std::string wallClock = localDateTime(run, *post.date);
        const std::string utc = formatDateTime(unixTimeToUtc(*post.date));
        values.add("post_date", wallClock)
            .add("post_date_gmt", utc)
            .add("post_modified", wallClock)
            .add("post_modified_gmt", utc);
    }
    values.add("post_title", post.title)
        .add("post_content", post.content)
        .add("post_excerpt", post.excerpt)
        .add("post_status", post.status)
        .add("comment_status", post.commentStatus)
        .add("ping_status", post.pingStatus)
        .add("post_password", post.password)
        .add("post_name", post.name)
        .add("post_parent", post.parent)
        .add("menu_order", post.menuOrder)
        .add("post_type", post.type)
        .add("post_mime_type", post.mimeType)
        .add("guid", post.guid)
        .add("comment_count", post.commentCount)
        // Columns without a default, which WordPress fills with nothing.
        .add("to_ping", "")
        .add("pinged", "")
        .add("post_content_filtered", "");
    return values;
}

} // namespace kestrel
