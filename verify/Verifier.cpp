#include "Verifier.h"

#include "Checks.h"
#include "FileSource.h"
#include "MigrationRun.h"
#include "UploadsUrl.h"

#include <algorithm>

namespace kestrel {

namespace {

std::string withoutClosingSlash(std::string address)
{
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

// What the checks need to know of the site before they start.
bool readSite(VerifyContext& verify)
{
    MigrationRun& run = verify.run;
    std::optional<std::string> values[5];
    const char* names[5] = {"home", "active_plugins", "thread_comments", "thread_comments_depth", "page_comments"};
    for (int i = 0; i < 5; ++i) {
        auto value = verify.reads.option(names[i]);
        if (!value)
            return verify.failed(run.wordPressTable("options"), verify.reads.lastError());
        values[i] = std::move(*value);
    }
    verify.home = withoutClosingSlash(values[0].value_or(""));
    verify.site = QUrl(
        QString::fromStdString(withoutClosingSlash(verify.settings.site.empty() ? verify.home : verify.settings.site)));
    if (!verify.site.isValid() ||
        (verify.site.scheme() != QLatin1String("http") && verify.site.scheme() != QLatin1String("https")))
        return verify.failed("home", verify.site.toString().toStdString());
    verify.fetcher.setServedSite(ServedSite(verify.home, verify.site));
    verify.redirectsActive = redirectPluginActive(values[1].value_or(""));
    verify.threadedComments = values[2].value_or("1") == "1";
    verify.threadDepth = std::max(1, std::atoi(values[3].value_or("5").c_str()));
    verify.pagedComments = values[4].value_or("0") == "1";
    verify.uploadsUrl = wordPressUploadsUrl(run);
    // A site that answers nothing at all, or files that are not where they were said to be, leave nothing to
    // compare: the verification could not be made, rather than finding every page missing.
    if (!verify.settings.emlogFiles.empty()) {
        Why error;
        if (!openFileSource(verify.settings.emlogFiles, FileSettings{}, error))
            return verify.failed(verify.settings.emlogFiles, error);
    }
    SiteAnswer front;
    verify.fetcher.fetch(
        {{verify.siteAddress(""), true}}, [&](std::size_t, const SiteAnswer& answer) { front = answer; },
        run.stopToken);
    if (front.status == 0 && !run.stopRequested())
        return verify.failed(verify.site.toString().toStdString(), front.error);
    const std::string blogUrl = emlogBlogUrl(*run.source);
    verify.blogUrl = blogUrl.empty() ? "" : blogUrl + "/";
    verify.blogRoot = BlogRoot::fromBlogUrl(blogUrl);
    return true;
}

} // namespace

std::optional<VerifyFailure> verifyCopy(MigrationRun& run, const VerifySettings& settings, Verification& result,
                                        const std::function<void(const VerifyProgress&)>& tell)
{
    VerifyContext verify(run, settings, result);
    if (tell)
        verify.tell = tell;
    for (bool (*step)(VerifyContext&) : {readSite, checkComments, checkArticles, checkOtherRows, checkOldAddresses}) {
        if (verify.stopRequested() || !step(verify))
            break;
    }
    result.stopped = run.stopRequested();
    result.site = verify.site.toString().toStdString();
    // The counts in the run's order of kinds, the old addresses last.
    const auto rank = [](const std::string& kind) {
        for (std::size_t i = 0; i < std::size(kinds); ++i) {
            if (kinds[i].id == kind)
                return i;
        }
        return std::size(kinds);
    };
    std::stable_sort(result.verified.begin(), result.verified.end(),
                     [&](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
    if (verify.failure)
        return *verify.failure;
    return std::nullopt;
}

} // namespace kestrel
