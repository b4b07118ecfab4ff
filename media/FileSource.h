#pragma once

#include "FileSettings.h"
#include "Why.h"

#include <QByteArray>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace kestrel {

// Where the blog's files are read from: a local folder or the blog's web address.
class FileSource
{
public:
    // Called on the fetching thread once per file, in any order: its bytes, or why it could not be had.
    using Arrived = std::function<void(std::size_t index, const QByteArray& bytes, const std::optional<Why>& why)>;

    virtual ~FileSource() = default;
    // Fetches files by their paths below the blog's root; a stop request ends it early.
    virtual void fetch(const std::vector<std::string>& blogPaths, const Arrived& arrived, std::stop_token stop) = 0;
};

// A local folder (the blog's root or its content/uploadfile) or an http(s) address; nothing, with
// the reason, for anything else.
std::unique_ptr<FileSource> openFileSource(const std::string& where, const FileSettings& settings, Why& why);

} // namespace kestrel
