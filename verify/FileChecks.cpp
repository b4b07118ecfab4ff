#include "FileChecks.h"

#include "BlogPaths.h"
#include "FileSource.h"
#include "MigrationRun.h"
#include "TextHelpers.h"
#include "VerifyContext.h"

#include <QCryptographicHash>

#include <map>
#include <mutex>
#include <numeric>
#include <optional>

namespace kestrel {

namespace {

struct Answer
{
    int status = 0;
    std::string error;
    QByteArray digest;
    qsizetype size = 0;
};

std::string httpStatus(const Answer& answer)
{
    return answer.status != 0 ? "HTTP " + std::to_string(answer.status) : answer.error;
}

} // namespace

void FileChecks::add(std::string_view kind, std::int64_t emlogId, std::string address)
{
    m_shown.push_back({kind, emlogId, std::move(address)});
}

std::vector<QByteArray> FileChecks::emlogBytes(const std::vector<std::string>& blogPaths)
{
    std::vector<QByteArray> bytes(blogPaths.size());
    Why error;
    const std::unique_ptr<FileSource> source = openFileSource(m_verify.settings.emlogFiles, FileSettings{}, error);
    if (!source) {
        m_verify.failed(m_verify.settings.emlogFiles, error);
        return bytes;
    }
    std::mutex lock;
    source->fetch(
        blogPaths,
        [&](std::size_t index, const QByteArray& fetched, const std::optional<Why>&) {
            std::lock_guard guard(lock);
            bytes[index] = fetched;
        },
        m_verify.run.stopToken);
    return bytes;
}

void FileChecks::check()
{
    const std::vector<Shown> shown = std::move(m_shown);
    m_shown.clear();
    const bool withEmlogFiles = !m_verify.settings.emlogFiles.empty();
    std::map<std::string, std::optional<FileVerdict>>& verdicts = m_verify.fileVerdicts;

    // Each address once a verification (an article's picture is an attachment's file too): on the
    // site, asked for; at the old blog, looked for among emlog's files.
    std::map<std::string, std::size_t> onSite;
    std::vector<SiteRequest> requests;
    std::map<std::string, std::string> oldFiles; // address -> path below the blog's root
    for (const Shown& file : shown) {
        if (verdicts.contains(file.address))
            continue;
        if (const std::optional<QUrl> url = m_verify.onSite(file.address)) {
            // Without emlog's bytes to compare, only the status is wanted.
            if (onSite.emplace(file.address, requests.size()).second)
                requests.push_back({*url, !withEmlogFiles});
        } else if (withEmlogFiles) {
            const std::optional<BlogPath> path = blogPathOf(file.address, m_verify.blogRoot);
            if (path && !path->unsafe && isBlogFile(path->path))
                oldFiles.emplace(file.address, path->path);
        }
    }
    std::vector<Answer> answers(requests.size());
    std::vector<std::size_t> asked(requests.size());
    std::iota(asked.begin(), asked.end(), std::size_t{0});
    const auto ask = [&](const std::vector<SiteRequest>& these) {
        m_verify.fetcher.fetch(
            these,
            [&](std::size_t index, const SiteAnswer& answer) {
                answers[asked[index]] = {answer.status, answer.error,
                                         QCryptographicHash::hash(answer.body, QCryptographicHash::Sha256),
                                         answer.body.size()};
            },
            m_verify.run.stopToken);
    };
    ask(requests);
    // A server may refuse a HEAD that a reader's GET gets: a file is reported on a GET's answer only.
    std::vector<SiteRequest> again;
    asked.clear();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (requests[i].headOnly && answers[i].status != 200) {
            again.push_back({requests[i].url});
            asked.push_back(i);
        }
    }
    if (!again.empty() && !m_verify.stopRequested())
        ask(again);
    if (m_verify.stopRequested())
        return;

    // emlog's bytes of what the site answered for, by the file it was copied from, and of the old addresses.
    std::map<std::string, std::string> blogPathOf;
    std::vector<std::string> paths;
    if (withEmlogFiles) {
        const std::string uploads = m_verify.uploadsUrl + "/";
        for (const auto& [address, index] : onSite) {
            if (answers[index].status != 200 || address.rfind(uploads, 0) != 0)
                continue;
            if (const auto path = blogPathOfUploads(percentDecoded(address.substr(uploads.size()), false))) {
                blogPathOf[address] = *path;
                paths.push_back(*path);
            }
        }
        for (const auto& [address, path] : oldFiles)
            paths.push_back(path);
    }
    std::map<std::string, QByteArray> emlog;
    if (!paths.empty()) {
        const std::vector<QByteArray> bytes = emlogBytes(paths);
        for (std::size_t i = 0; i < paths.size(); ++i)
            emlog[paths[i]] = bytes[i];
    }

    for (const auto& [address, index] : onSite) {
        const Answer& answer = answers[index];
        std::optional<FileVerdict>& verdict = verdicts[address];
        const auto path = blogPathOf.find(address);
        if (answer.status != 200) {
            verdict = FileVerdict{std::string(check::file), "HTTP 200", httpStatus(answer)};
        } else if (path != blogPathOf.end() && !emlog[path->second].isEmpty() &&
                   QCryptographicHash::hash(emlog[path->second], QCryptographicHash::Sha256) != answer.digest) {
            verdict = FileVerdict{std::string(check::bytes),
                                  path->second + ", " + std::to_string(emlog[path->second].size()) + " bytes",
                                  std::to_string(answer.size) + " bytes"};
        }
    }
    for (const auto& [address, path] : oldFiles) {
        std::optional<FileVerdict>& verdict = verdicts[address];
        if (!emlog[path].isEmpty())
            verdict = FileVerdict{std::string(check::file), m_verify.uploadsUrl + "/" + uploadsPathOf(path), address};
    }

    for (const Shown& file : shown) {
        const auto verdict = verdicts.find(file.address);
        if (verdict == verdicts.end() || !verdict->second)
            continue;
        m_verify.find({std::string(file.kind),
                       file.emlogId,
                       verdict->second->check,
                       verdict->second->expected,
                       verdict->second->seen,
                       file.address,
                       {}});
    }
}

} // namespace kestrel
