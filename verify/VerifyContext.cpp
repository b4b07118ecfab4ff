#include "VerifyContext.h"

#include "MigrationRun.h"

namespace kestrel {

VerifyContext::VerifyContext(MigrationRun& run, const VerifySettings& settings, Verification& result)
    : run(run), settings(settings), result(result), reads(run), fetcher(settings.trust)
{
}

bool VerifyContext::stopRequested() const
{
    return run.stopRequested() || failure.has_value();
}

bool VerifyContext::failed(std::string what, std::string why)
{
    if (!failure)
        failure = VerifyFailure{std::move(what), std::move(why), std::nullopt};
    return false;
}

bool VerifyContext::failed(std::string what, Why why)
{
    if (!failure)
        failure = VerifyFailure{std::move(what), {}, std::move(why)};
    return false;
}

void VerifyContext::find(Finding finding)
{
    result.findings.push_back(std::move(finding));
}

QUrl VerifyContext::siteAddress(std::string_view below) const
{
    return QUrl(site.toString() + QLatin1Char('/') +
                QString::fromUtf8(below.data(), static_cast<qsizetype>(below.size())));
}

std::optional<QUrl> VerifyContext::onSite(const std::string& address) const
{
    return fetcher.servedSite().onSite(address);
}

std::pair<std::string, std::string> differenceOf(const QString& expected, const QString& seen)
{
    qsizetype at = 0;
    while (at < expected.size() && at < seen.size() && expected[at] == seen[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 10);
    return {expected.mid(from, 60).toStdString(), seen.mid(from, 60).toStdString()};
}

} // namespace kestrel
