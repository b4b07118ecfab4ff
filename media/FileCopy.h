#pragma once

#include "FileFacts.h"
#include "Why.h"

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace kestrel {

class FileSource;
class UploadsFolder;

// One file of the blog in the uploads folder.
struct PlacedFile
{
    std::string uploadsPath; // "" when it did not arrive
    FileFacts facts;
};

// Fetches files from a source and places each in the uploads folder below emlog/, reading its
// type and size on the way. `done` hears of each file as it is placed or fails, with the reason.
void copyFiles(
    FileSource& source, UploadsFolder& folder, const std::vector<std::string>& blogPaths,
    const std::function<void(const std::string& blogPath, PlacedFile file, const std::optional<Why>& why)>& done,
    std::stop_token stop);

} // namespace kestrel
