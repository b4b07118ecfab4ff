#pragma once

#include "RowValues.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel {

struct MigrationRun;

// A row of WordPress's posts table as every migration makes one: articles and pages, 微语, attachments,
// menu items, the site's navigation and reusable blocks. Each says what is its own; the rest is what
// WordPress writes for a post that has none of it.
struct PostRow
{
    std::int64_t id = 0;
    std::int64_t author = 0;
    std::string type = "post";
    std::string status = "publish";
    std::string title;
    std::string content;
    std::string excerpt;
    std::string name; // post_name: what WordPress finds the post's address by
    std::string password;
    std::string commentStatus = "open";
    std::string pingStatus = "open";
    std::int64_t parent = 0;
    std::int64_t menuOrder = 0;
    std::int64_t commentCount = 0;
    std::string mimeType;
    std::string guid;
    // When it was written (and last changed), in Unix time: stored local in the run's zone and in UTC.
    // None for an attachment, which keeps WordPress's default.
    std::optional<std::int64_t> date;
};

// The row's values, in the one shape every post of a run takes.
RowValues postValues(MigrationRun& run, const PostRow& post);

} // namespace kestrel
