#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

class BlogConnection;

// The columns of an emlog comment that reach WordPress.
struct Comment
{
    std::int64_t cid = 0;
    std::int64_t gid = 0;
    std::int64_t pid = 0; // the comment this one replies to; 0 for none
    std::int64_t date = 0;
    std::string poster;
    std::string comment;
    std::string mail;
    std::string url;
    std::string ip;
    std::string hide = "n"; // 'y' (or, in old tables, a non-zero number): held back from readers
};

bool isHidden(const Comment& comment);

// The comment's assignment list; `parentId` is the WordPress id of the comment it replies to, or 0.
std::string buildCommentFields(const BlogConnection& connection, const Comment& comment, std::uint64_t parentId);

} // namespace kestrel
