// How a run gathers and copies the blog's files: BlogFiles::copy.
#include "BlogFiles.h"

#include "EmlogSource.h"
#include "FileCopy.h"
#include "FileReferences.h"
#include "FileSource.h"
#include "Kinds.h"
#include "LocalUploads.h"
#include "Options.h"
#include "RunContext.h"
#include "UploadsFolder.h"
#include "UploadsUrl.h"

#include <QString>

#include <set>

namespace kestrel {

namespace {

constexpr std::string_view migration = step::files;

// Every file the blog names: its attachments (with a pro thumbnail's original), what its
// articles show, pro's covers, and those the run names besides (its faces). A name that is not safe is reported,
// counted failed, and left out. Nothing when the blog's tables cannot be read.
std::optional<std::set<std::string>> filesNamed(RunContext& run, EmlogSource& emlog, const BlogRoot& address,
                                                const std::vector<NamedFile>& alsoNamed)
{
    std::set<std::string> files;
    auto refused = [&run](const std::string& table, const std::string& source, Why why) {
        run.failures.record(migration, table, source, std::move(why));
        FailureLog::Tally& tally = run.failures.tally(migration);
        ++tally.read;
        ++tally.failed;
    };
    auto take = [&](std::string_view reference, std::string_view table, const std::string& source) {
        const auto path = blogPathOf(reference, address);
        if (!path) {
            // A pro upload kept by a cloud plugin elsewhere stays where it is.
            if (reference.rfind("http://", 0) != 0 && reference.rfind("https://", 0) != 0)
                refused(run.emlogTable(table), source, {Why::Code::notABlogFile, std::string(reference), {}});
            return;
        }
        if (path->unsafe) {
            refused(run.emlogTable(table), source, {*path->unsafe, path->path, {}});
            return;
        }
        files.insert(path->path);
        if (const std::string original = originalOfThumbnail(path->path); !original.empty() && table == "attachment")
            files.insert(original);
    };
    const std::optional<EmlogValues> attachments = emlog.columns("attachment", "aid", "filepath");
    if (!attachments)
        return std::nullopt;
    for (const auto& [aid, filePath] : *attachments)
        take(filePath, "attachment", "aid=" + std::to_string(aid));
    // The articles' texts a page at a time, each column once through: only the paths found are kept.
    for (const char* column : {"content", "excerpt"}) {
        const bool read = emlog.readTable("blog", {"gid", column}, [&](const EmlogRow& row) {
            std::int64_t gid = 0;
            std::string text;
            readField(row, "gid", gid);
            readField(row, column, text);
            for (const FileReference& reference : findFileReferences(text, address)) {
                if (!reference.path.unsafe)
                    files.insert(reference.path.path);
                else
                    refused(run.emlogTable("blog"), "gid=" + std::to_string(gid),
                            {*reference.path.unsafe, reference.path.path, {}});
            }
        });
        if (!read)
            return std::nullopt;
    }
    // 微语 images (5.x and pro), relative to the blog's root.
    if (const std::optional<EmlogValues> images = emlog.columns("twitter", "id", "img")) {
        for (const auto& [id, img] : *images) {
            if (!img.empty())
                take(img, "twitter", "id=" + std::to_string(id));
        }
    }
    // Only emlog pro has covers: short paths, read as a column.
    if (const std::optional<EmlogValues> covers = emlog.columns("blog", "gid", "cover")) {
        for (const auto& [gid, cover] : *covers) {
            if (!cover.empty())
                take(cover, "blog", "gid=" + std::to_string(gid));
        }
    }
    for (const NamedFile& file : alsoNamed)
        take(file.reference, file.table, file.sourceId);
    return files;
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::unique_ptr<BlogFiles> BlogFiles::copy(RunContext& run, EmlogSource& emlog, const FileSettings& settings,
                                           bool emptiedFirst, std::unique_ptr<UploadsStore> store,
                                           const std::vector<NamedFile>& alsoNamed)
{
    if (!settings.wanted()) {
        run.failures.note({FailureLog::Note::What::FilesNotCopied, {}, {}});
        return nullptr;
    }
    // Why no file was copied.
    auto refuse = [&run](Why why) -> std::unique_ptr<BlogFiles> {
        run.failures.tally(migration).unreadable = true;
        run.failures.record(migration, "", "", std::move(why));
        return nullptr;
    };
    if (!store && settings.uploadsFolder.empty())
        return refuse({Why::Code::noUploadsFolder});
    const std::string blogUrl = emlogBlogUrl(emlog);
    const BlogRoot address = BlogRoot::fromBlogUrl(blogUrl);
    const std::string where = settings.source.empty() ? blogUrl : settings.source;
    Why error;
    std::unique_ptr<FileSource> source = openFileSource(where, settings, error);
    if (!source)
        return refuse(where.empty() ? Why{Why::Code::noBlogAddress} : error);
    const std::string uploadsUrl = wordPressUploadsUrl(run);
    if (uploadsUrl.empty())
        return refuse({Why::Code::noSiteAddress});
    UploadsFolder folder(store ? std::move(store) : std::make_unique<LocalUploads>(fromUtf8(settings.uploadsFolder)));
    if (!folder.open(error))
        return refuse(error);

    auto files = std::make_unique<BlogFiles>(address, uploadsUrl);
    FailureLog::Tally& tally = run.failures.tally(migration);
    const std::optional<std::set<std::string>> namedFiles = filesNamed(run, emlog, address, alsoNamed);
    if (!namedFiles)
        return refuse({Why::Code::filesUnreadable, {}, emlog.lastError()});
    const std::set<std::string>& named = *namedFiles;
    tally.read += static_cast<std::int64_t>(named.size());
    run.tell({RunEvent::What::Files, Kind::attachments, 0, std::ssize(named)});

    std::vector<std::string> toFetch;
    for (const std::string& blogPath : named) {
        if (const UploadsFolder::Placed* placed = folder.placedEarlier(blogPath)) {
            const QByteArray bytes = folder.read(placed->uploadsPath);
            files->add(blogPath, {placed->uploadsPath, readFileFacts(bytes, baseName(blogPath))});
            ++tally.alreadyThere;
        } else {
            toFetch.push_back(blogPath);
        }
    }
    std::int64_t done = 0;
    copyFiles(
        *source, folder, toFetch,
        [&](const std::string& blogPath, PlacedFile placed, const std::optional<Why>& why) {
            if (placed.uploadsPath.empty()) {
                run.failures.record(migration, "uploads", blogPath,
                                    why.value_or(Why{Why::Code::cannotWrite, blogPath, {}}));
                ++tally.failed;
            } else {
                ++tally.written;
            }
            files->add(blogPath, {placed.uploadsPath, placed.facts});
            run.tell({RunEvent::What::Files, Kind::attachments, ++done, std::ssize(toFetch)});
        },
        run.stopToken);
    // A file not fetched before a stop is as if never named: its references stay as they were.
    if (!folder.saveList(error))
        run.failures.record(migration, "uploads", "", error);
    if (emptiedFirst)
        run.failures.note({FailureLog::Note::What::FilesLeftAfterEmptying, folder.where() + "/emlog", {}});
    return files;
}

} // namespace kestrel
