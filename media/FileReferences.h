#pragma once

#include "BlogPaths.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A place in a text that names a file of the old blog.
struct FileReference
{
    std::size_t position = 0;
    std::size_t length = 0;
    BlogPath path;
};

// Every reference to a file of the blog in an article's HTML or Markdown: absolute on the blog's
// address (http or https), root-relative, "../content/..." or "content/...", up to the quote,
// bracket, space, "?" or "#" that ends it.
std::vector<FileReference> findFileReferences(std::string_view content, const BlogRoot& address);

// The text with each reference replaced by what `newAddress` gives for its file; a reference
// it gives nothing for stays as it was. Made to be chained with other rewritings of the content.
std::string rewriteFileReferences(std::string_view content, const BlogRoot& address,
                                  const std::function<std::optional<std::string>(const BlogPath&)>& newAddress);

} // namespace kestrel
