#include "FileCopy.h"

#include "BlogPaths.h"
#include "FileSource.h"
#include "UploadsFolder.h"

namespace kestrel {

void copyFiles(FileSource& source, UploadsFolder& folder, const std::vector<std::string>& blogPaths,
               const std::function<void(const std::string& blogPath, PlacedFile file, const std::string& error)>& done,
               std::stop_token stop)
{
    source.fetch(
        blogPaths,
        [&](std::size_t index, const QByteArray& bytes, const std::string& fetchError) {
            const std::string& blogPath = blogPaths[index];
            std::string error = fetchError;
            PlacedFile file;
            if (error.empty()) {
                file.facts = readFileFacts(bytes, baseName(blogPath));
                file.uploadsPath = folder.place(blogPath, uploadsPathOf(blogPath), bytes, error);
            }
            done(blogPath, std::move(file), error);
        },
        stop);
}

} // namespace kestrel
