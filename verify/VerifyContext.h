#pragma once

#include "Why.h"

#include "BlogPaths.h"
#include "Findings.h"
#include "SiteFetcher.h"
#include "WordPressReads.h"

#include <QUrl>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrel {

// Why a verification could not be made: what could not be read (a table, a file, the site), and why: a
// server's or a library's words, or the core's code for it.
struct VerifyFailure
{
    std::string what;
    std::string why;
    std::optional<Why> because;
};

struct MigrationRun;

// What a verification is given beside the run's sessions: where the site is served and how it is
// trusted, and where emlog's files are.
struct VerifySettings
{
    // The served site; empty: WordPress's home address.
    std::string site;
    SiteTrust trust;
    // emlog's files: a folder or an http(s) address of the old blog; empty: their bytes are not compared.
    std::string emlogFiles;
    bool keepWordPressTimeZone = false;
    bool keepWordPressSettings = false; // the run kept WordPress's name and settings
};

// How far a verification is: `done` of `total` of a part (a kind's id, or addressesKind).
struct VerifyProgress
{
    std::string_view part;
    std::int64_t done = 0;
    std::int64_t total = 0;
};

// A comment a reader should find on its article's page.
struct ShownComment
{
    std::int64_t cid = 0;
    std::int64_t id = 0; // WordPress's
    int depth = 1;       // as WordPress's threads show it
    std::string content; // as stored
};

// What a picture or file showed when it was asked for: what differs, or nothing when it is as it should be.
struct FileVerdict
{
    std::string check; // one of check::
    std::string expected;
    std::string seen;
};

// What every check works with: the run's sessions and emlog's rows, WordPress's reads, the site, and
// what one check learns for the next.
struct VerifyContext
{
    VerifyContext(MigrationRun& run, const VerifySettings& settings, Verification& result);

    MigrationRun& run;
    const VerifySettings& settings;
    Verification& result;
    WordPressReads reads;
    SiteFetcher fetcher;
    std::function<void(const VerifyProgress&)> tell = [](const VerifyProgress&) {};

    // Set by the first read that failed. The checks stop there.
    std::optional<VerifyFailure> failure;

    QUrl site;        // where pages are asked for, without a closing "/"
    std::string home; // WordPress's home option, without a closing "/"
    std::string uploadsUrl;
    BlogRoot blogRoot;   // the old blog's address
    std::string blogUrl; // emlog's blogurl, with its closing "/"
    bool redirectsActive = false;
    bool threadedComments = true;
    int threadDepth = 5;
    bool pagedComments = false;

    // For the article pages: the comments each shows (by emlog gid).
    std::unordered_map<std::int64_t, std::vector<ShownComment>> shownComments;
    // Each published article whose page answered: where it is, for its old addresses.
    struct ArticlePage
    {
        std::int64_t gid = 0;
        std::string alias;
        std::int64_t sortid = -1;
        QUrl page;
    };
    std::vector<ArticlePage> articlePages;
    // Each file's address asked for so far (or looked for among emlog's files), and what it showed.
    std::map<std::string, std::optional<FileVerdict>> fileVerdicts;

    bool stopRequested() const;
    // Records a failed read; always false, for the caller to return.
    bool failed(std::string what, std::string why);
    bool failed(std::string what, Why why);
    void find(Finding finding);
    // The site's address of a path and query below it ("?p=12").
    QUrl siteAddress(std::string_view below) const;
    // Where the site serves an address of WordPress: the same address on the site's own server, or
    // one under WordPress's home moved to the site; nothing for anywhere else, which is never asked.
    std::optional<QUrl> onSite(const std::string& address) const;
    // emlog's address of a path and query below the old blog ("?post=12").
    std::string oldAddress(std::string_view below) const { return blogUrl.empty() ? "" : blogUrl + std::string(below); }
};

// The difference between two texts as a reader sees it: where it starts, a little of each from there.
std::pair<std::string, std::string> differenceOf(const QString& expected, const QString& seen);

} // namespace kestrel
