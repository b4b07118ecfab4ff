#pragma once

#include "BlogAddresses.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The old blog's own address, from emlog's option blogurl.
struct BlogAddress
{
    std::string host; // in lower case, with a port when it has one: "www.example.com", "example.com:8080"
    std::string path; // from "/" to the closing "/": "/" or "/blog/"
};
// Nothing for an address that is not http or https.
std::optional<BlogAddress> parseBlogAddress(std::string_view blogurl);

// Every address in an HTML or plain text that leads into the old blog (http or https, the whole
// host and the blog's path, or in an href or src attribute the relative forms its pages used:
// "/emlog/?post=10", "?post=9", "post-9.html"), read by the blog's `addressing` and replaced by what
// `resolve` gives for it. An address on a longer host (www.example.com.cn for www.example.com) or
// outside the blog's path is not the blog's.
std::string rewriteBlogLinks(std::string_view text, const BlogAddress& blog, const BlogAddressing& addressing,
                             const std::function<std::string(const BlogLink&)>& resolve);

} // namespace kestrel
