#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kestrel {

// Where the blog's files come from and go: both empty, a run copies rows only.
struct FileSettings
{
    // A local folder (the blog's root or its content/uploadfile) or an http(s) address of the
    // blog; empty: the blog's own address (blogurl), once an uploads folder is given.
    std::string source;
    std::string uploadsFolder; // WordPress's uploads folder, as a local path
    std::int64_t sizeLimit = std::int64_t{256} * 1024 * 1024;
    int parallel = 8; // downloads at once
    std::chrono::milliseconds timeout{30000};
    int attempts = 3;

    bool wanted() const { return !source.empty() || !uploadsFolder.empty(); }
};

} // namespace kestrel
