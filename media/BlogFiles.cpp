#include "BlogFiles.h"

#include "AttachmentMetadata.h"
#include "FileReferences.h"

#include <QByteArray>

namespace kestrel {

BlogFiles::BlogFiles(BlogRoot address, std::string uploadsUrl)
    : m_address(std::move(address)), m_uploadsUrl(std::move(uploadsUrl))
{
}

const BlogFiles::File* BlogFiles::arrived(const std::string& blogPath) const
{
    const auto found = m_files.find(blogPath);
    return found == m_files.end() || found->second.uploadsPath.empty() ? nullptr : &found->second;
}

std::string BlogFiles::urlOf(const std::string& uploadsPath) const
{
    // Each part percent-encoded as a browser would send it; the "/" between them kept.
    return m_uploadsUrl + "/" + QByteArray::fromStdString(uploadsPath).toPercentEncoding("/-._~").toStdString();
}

std::optional<std::string> BlogFiles::newAddressOf(const BlogPath& path) const
{
    if (path.unsafe)
        return std::nullopt;
    const auto found = m_files.find(path.path);
    if (found == m_files.end())
        return std::nullopt;
    if (found->second.uploadsPath.empty())
        return m_address.oldUrl(path.path);
    return urlOf(found->second.uploadsPath);
}

std::string BlogFiles::rewriteReferences(std::string_view content) const
{
    return rewriteFileReferences(content, m_address, [this](const BlogPath& path) { return newAddressOf(path); });
}

std::optional<std::string> BlogFiles::newAddress(std::string_view reference) const
{
    const auto path = blogPathOf(reference, m_address);
    return path ? newAddressOf(*path) : std::nullopt;
}

std::optional<AttachmentFile> BlogFiles::attachment(std::string_view filePath, bool originalFirst) const
{
    const auto path = blogPathOf(filePath, m_address);
    if (!path || path->unsafe)
        return std::nullopt;
    std::string main = path->path;
    if (const std::string original = originalOfThumbnail(main); originalFirst && !original.empty() && arrived(original))
        main = original;
    const File* file = arrived(main);
    if (!file)
        return std::nullopt;
    std::optional<ImageSize> thumbnail;
    const auto folderOf = [](const std::string& uploadsPath) {
        return uploadsPath.substr(0, uploadsPath.size() - baseName(uploadsPath).size());
    };
    if (const File* small = arrived(thumbnailOf(main));
        small && folderOf(small->uploadsPath) == folderOf(file->uploadsPath))
        thumbnail = ImageSize{std::string(baseName(small->uploadsPath)), small->facts};
    return AttachmentFile{file->uploadsPath, urlOf(file->uploadsPath), file->facts.mimeType,
                          attachmentMetadata(file->uploadsPath, file->facts, thumbnail)};
}

bool BlogFiles::isSizeOfOriginal(std::string_view filePath) const
{
    const auto path = blogPathOf(filePath, m_address);
    if (!path || path->unsafe)
        return false;
    const std::string original = originalOfThumbnail(path->path);
    return !original.empty() && arrived(original) && arrived(path->path);
}

} // namespace kestrel
