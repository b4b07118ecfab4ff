#pragma once

#include "Why.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The old blog's address in the forms its content names it by.
struct BlogRoot
{
    std::vector<std::string> absolute; // "https://host/emlog", "http://host/emlog": longest first
    std::string rootPath;              // "/emlog", or "" for a blog at its host's root

    // From emlog's blogurl (with or without its closing "/"); empty when it is no http(s) address.
    static BlogRoot fromBlogUrl(std::string_view blogUrl);
    // Where a file of the blog was: the http form of the address and the path.
    std::string oldUrl(std::string_view blogPath) const;
};

// A reference made into a path below the blog's root ("content/uploadfile/201205/x.jpg"), or why
// it cannot be one safely.
struct BlogPath
{
    std::string path;
    std::optional<Why::Code> unsafe; // set when the name is not safe to use: why
};

// Why a path cannot be used as a name below a folder (empty, absolute, with NUL, a backslash or a colon,
// or a piece that is empty, "." or ".."), or nothing when it can: the one check for names of the uploads
// folder.
std::optional<Why::Code> unsafeNameBecause(std::string_view path);
bool isSafeName(std::string_view path);

// Absolute on the blog's address, root-relative, "../content/..." (relative to emlog's admin
// folder) or "content/..."; percent escapes decoded. Nothing when it names no place on the blog.
std::optional<BlogPath> blogPathOf(std::string_view reference, const BlogRoot& address);

// Whether the path names a file worth copying: anything under content/uploadfile, elsewhere
// the blog's images, documents and other media (no page or script).
bool isBlogFile(std::string_view blogPath);

// Where a file of the blog goes, relative to WordPress's uploads folder: emlog's month folders are
// kept under emlog/ ("emlog/201205/x.jpg"); other files of the blog go under emlog/site/.
std::string uploadsPathOf(std::string_view blogPath);
// The other way: the blog's file that a path below the uploads folder was copied from; nothing for a
// path outside emlog/.
std::optional<std::string> blogPathOfUploads(std::string_view uploadsPath);

// "content/uploadfile/201205/thum-x.jpg" -> "content/uploadfile/201205/x.jpg"; "" when no thumbnail.
std::string originalOfThumbnail(std::string_view blogPath);
std::string thumbnailOf(std::string_view blogPath);

// Text after the last "/".
std::string_view baseName(std::string_view path);

} // namespace kestrel
