#include "SiteFetcher.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <deque>
#include <memory>

namespace kestrel {

namespace {

constexpr int mostRedirects = 8;

bool isWeb(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

SiteFetcher::SiteFetcher(SiteTrust trust, std::chrono::milliseconds timeout, std::int64_t sizeLimit)
    : m_trust(std::move(trust)), m_timeout(timeout), m_sizeLimit(sizeLimit)
{
}

void SiteFetcher::fetch(const std::vector<SiteRequest>& requests, const Answered& answered, std::stop_token stop)
{
    if (requests.empty())
        return;
    QNetworkAccessManager network;
    QEventLoop loop;
    struct Job
    {
        std::size_t index;
        QUrl url;
        int redirects = 0;
    };
    std::deque<Job> waiting;
    for (std::size_t i = 0; i < requests.size(); ++i)
        waiting.push_back({i, requests[i].url});
    int inFlight = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 notBefore = 0;
    QTimer resting;
    resting.setSingleShot(true);

    std::function<void()> startMore = [&] {
        while (inFlight < m_politeness.allowed() && !waiting.empty() && !stop.stop_requested()) {
            if (clock.elapsed() < notBefore) {
                if (!resting.isActive())
                    resting.start(static_cast<int>(notBefore - clock.elapsed()));
                return;
            }
            Job job = waiting.front();
            waiting.pop_front();
            QNetworkRequest request(job.url);
            request.setTransferTimeout(static_cast<int>(m_timeout.count()));
            // Each redirect is looked at here, so that none leads from https to http.
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
            trustCaOf(request, m_trust);
            QNetworkReply* reply = requests[job.index].headOnly ? network.head(request) : network.get(request);
            auto refused = std::make_shared<bool>(false);
            pinCertificate(reply, m_trust, [refused] { *refused = true; });
            ++inFlight;
            const qint64 started = clock.elapsed();
            auto tooLarge = std::make_shared<bool>(false);
            QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                             [this, reply, tooLarge](qint64 received, qint64 total) {
                                 if (received > m_sizeLimit || total > m_sizeLimit) {
                                     *tooLarge = true;
                                     reply->abort();
                                 }
                             });
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, job, started, refused, tooLarge] {
                reply->deleteLater();
                --inFlight;
                m_politeness.answered(std::chrono::milliseconds{clock.elapsed() - started});
                notBefore = clock.elapsed() + m_politeness.rest().count();
                SiteAnswer answer;
                answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                answer.finalUrl = job.url;
                const QUrl next = job.url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
                const bool redirected = answer.status >= 300 && answer.status < 400 && reply->hasRawHeader("Location");
                const QUrl& expected = requests[job.index].expected;
                if (redirected && !expected.isEmpty() &&
                    next.adjusted(QUrl::StripTrailingSlash) == expected.adjusted(QUrl::StripTrailingSlash)) {
                    answer.finalUrl = next;
                    answered(job.index, answer);
                } else if (redirected && isWeb(next) &&
                           !(job.url.scheme() == QLatin1String("https") && next.scheme() == QLatin1String("http")) &&
                           job.redirects < mostRedirects && !stop.stop_requested()) {
                    waiting.push_front({job.index, next, job.redirects + 1});
                } else {
                    if (*refused)
                        answer.error = "the certificate is not the one whose fingerprint was given";
                    else if (*tooLarge)
                        answer.error = "larger than " + std::to_string(m_sizeLimit) + " bytes";
                    else if (answer.status == 0)
                        answer.error = reply->errorString().toStdString();
                    if (answer.error.empty())
                        answer.body = reply->readAll();
                    else
                        answer.status = 0;
                    answered(job.index, answer);
                }
                startMore();
                if (inFlight == 0 && (waiting.empty() || stop.stop_requested()))
                    loop.quit();
            });
        }
    };
    QObject::connect(&resting, &QTimer::timeout, &loop, [&] { startMore(); });
    // A stop request is seen between answers, and at least every tenth of a second.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!stop.stop_requested())
            return;
        for (QNetworkReply* reply : network.findChildren<QNetworkReply*>())
            reply->abort();
        if (inFlight == 0)
            loop.quit();
    });
    watch.start(100);
    startMore();
    if (inFlight == 0 && waiting.empty())
        return;
    loop.exec();
}

} // namespace kestrel
