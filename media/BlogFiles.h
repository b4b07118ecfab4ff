#pragma once

#include "BlogPaths.h"
#include "CopiedFiles.h"
#include "FileFacts.h"
#include "FileSettings.h"
#include "UploadsStore.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

class EmlogSource;

struct RunContext;

// The blog's files copied into WordPress's uploads folder before the rows that name them are
// written: every attachment's file and its thumbnail, and every file of the blog the articles
// show (emoticons, template images). What cannot be had is in the run's failure log with the
// reason, and its references keep the old blog's absolute address.
// A file the run names besides those BlogFiles finds in the tables (a member's photo, say), with
// the row that names it for the report.
struct NamedFile
{
    std::string reference;
    std::string table; // bare
    std::string sourceId;
};

class BlogFiles : public CopiedFiles
{
public:
    struct File
    {
        std::string uploadsPath; // "" when it did not arrive
        FileFacts facts;
    };

    BlogFiles(BlogRoot address, std::string uploadsUrl);

    // Copies what the emlog blog names, reporting through the run; nothing (and a note in the
    // report) when no files were asked for or the uploads folder cannot be used. The files go into
    // `store` when one is given (WordPress's uploads reached through its plugin), else into the
    // settings' local uploads folder.
    static std::unique_ptr<BlogFiles> copy(RunContext& run, EmlogSource& emlog, const FileSettings& settings,
                                           bool emptiedFirst, std::unique_ptr<UploadsStore> store = nullptr,
                                           const std::vector<NamedFile>& alsoNamed = {});

    std::string rewriteReferences(std::string_view content) const override;
    std::optional<std::string> newAddress(std::string_view reference) const override;
    std::optional<AttachmentFile> attachment(std::string_view filePath, bool originalFirst) const override;
    bool isSizeOfOriginal(std::string_view filePath) const override;

    // A file's outcome by its path below the blog's root.
    void add(const std::string& blogPath, File file) { m_files[blogPath] = std::move(file); }
    std::string urlOf(const std::string& uploadsPath) const;

private:
    const File* arrived(const std::string& blogPath) const;
    std::optional<std::string> newAddressOf(const BlogPath& path) const;

    BlogRoot m_address;
    std::string m_uploadsUrl;
    std::map<std::string, File> m_files;
};

} // namespace kestrel
