#include "SiteFetcher.h"

#include "WholeAnswer.h"

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
// An answer that reads whole, of those only a closed connection ends, is taken after this long without
// more: behind a terminator that waits for the client's close_notify, the close would come at its timeout.
constexpr int quietMs = 500;
// However steadily an answer trickles in, it is whole within this many timeouts or not taken.
constexpr int wholeWithinTimeouts = 4;

bool isWeb(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// The connection, TLS, a proxy or the transfer failed: no answer, rather than an HTTP status.
bool noAnswer(QNetworkReply::NetworkError error)
{
    const int code = error;
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}

} // namespace

// One call of fetch(): the requests waiting, those on their way, and when the next may start.
class SiteFetcher::Round
{
public:
    Round(SiteFetcher& fetcher, const std::vector<SiteRequest>& requests, const Answered& answered,
          std::stop_token stop);
    void run();

private:
    struct Job
    {
        std::size_t index;
        QUrl url;
        int redirects = 0;
    };
    // Why Kestrel ended a request before its answer did.
    enum class Cut { None, Refused, TooLarge, Overdue, Whole };
    // A request on its way, and what came of it so far.
    struct Flight
    {
        Job job;
        qint64 started = 0;
        qint64 began = -1;      // when its answer's headers came
        bool closeEnds = false; // neither a length nor chunks: only the closing of the connection ends it
        Cut cut = Cut::None;
        QByteArray body;
    };

    void startMore();
    void start(const Job& job);
    void watch(QNetworkReply* reply, const std::shared_ptr<Flight>& flight);
    void finished(QNetworkReply* reply, Flight& flight);
    std::string whyNoAnswer(const QNetworkReply& reply, const Flight& flight) const;

    SiteFetcher& m_fetcher;
    const std::vector<SiteRequest>& m_requests;
    const Answered& m_answered;
    std::stop_token m_stop;
    QNetworkAccessManager m_network;
    QEventLoop m_loop;
    std::deque<Job> m_waiting;
    int m_inFlight = 0;
    QElapsedTimer m_clock;
    qint64 m_notBefore = 0;
    QTimer m_resting;
    QTimer m_stopWatch;
};

SiteFetcher::SiteFetcher(SiteTrust trust, std::chrono::milliseconds timeout, std::int64_t sizeLimit)
    : m_trust(std::move(trust)), m_timeout(timeout), m_sizeLimit(sizeLimit)
{
}

void SiteFetcher::fetch(const std::vector<SiteRequest>& requests, const Answered& answered, std::stop_token stop)
{
    if (!requests.empty())
        Round(*this, requests, answered, std::move(stop)).run();
}

SiteFetcher::Round::Round(SiteFetcher& fetcher, const std::vector<SiteRequest>& requests, const Answered& answered,
                          std::stop_token stop)
    : m_fetcher(fetcher), m_requests(requests), m_answered(answered), m_stop(std::move(stop))
{
    for (std::size_t i = 0; i < requests.size(); ++i)
        m_waiting.push_back({i, requests[i].url});
    m_resting.setSingleShot(true);
    QObject::connect(&m_resting, &QTimer::timeout, &m_loop, [this] { startMore(); });
    // A stop request is seen between answers, and at least every tenth of a second.
    QObject::connect(&m_stopWatch, &QTimer::timeout, &m_loop, [this] {
        if (!m_stop.stop_requested())
            return;
        for (QNetworkReply* reply : m_network.findChildren<QNetworkReply*>())
            reply->abort();
        if (m_inFlight == 0)
            m_loop.quit();
    });
}

void SiteFetcher::Round::run()
{
    m_clock.start();
    m_stopWatch.start(100);
    startMore();
    if (m_inFlight > 0 || !m_waiting.empty())
        m_loop.exec();
}

void SiteFetcher::Round::startMore()
{
    while (m_inFlight < m_fetcher.m_politeness.allowed() && !m_waiting.empty() && !m_stop.stop_requested()) {
        if (m_clock.elapsed() < m_notBefore) {
            if (!m_resting.isActive())
                m_resting.start(static_cast<int>(m_notBefore - m_clock.elapsed()));
            return;
        }
        const Job job = m_waiting.front();
        m_waiting.pop_front();
        start(job);
    }
}

void SiteFetcher::Round::start(const Job& job)
{
    QNetworkRequest request(job.url);
    request.setTransferTimeout(static_cast<int>(m_fetcher.m_timeout.count()));
    // Each redirect is looked at here, so that none leads from https to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (const QByteArray host = m_fetcher.m_served.hostFor(job.url); !host.isEmpty())
        request.setRawHeader("Host", host);
    trustCaOf(request, m_fetcher.m_trust);
    QNetworkReply* reply = m_requests[job.index].headOnly ? m_network.head(request) : m_network.get(request);
    auto flight = std::make_shared<Flight>();
    flight->job = job;
    flight->started = m_clock.elapsed();
    pinCertificate(reply, m_fetcher.m_trust, [flight] { flight->cut = Cut::Refused; });
    ++m_inFlight;
    watch(reply, flight);
    QObject::connect(reply, &QNetworkReply::finished, &m_loop, [this, reply, flight] { finished(reply, *flight); });
}

void SiteFetcher::Round::watch(QNetworkReply* reply, const std::shared_ptr<Flight>& flight)
{
    const auto cut = [reply, flight](Cut why) {
        if (reply->isFinished())
            return;
        if (flight->cut == Cut::None)
            flight->cut = why;
        reply->abort();
    };
    const bool headOnly = m_requests[flight->job.index].headOnly;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this, reply, flight, headOnly, cut] {
        if (flight->began < 0)
            flight->began = m_clock.elapsed();
        flight->closeEnds = !headOnly && !reply->hasRawHeader("Content-Length") &&
                            !reply->rawHeader("Transfer-Encoding").toLower().contains("chunked") &&
                            !reply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
        // A redirect is followed on its headers, as a browser does, without waiting for a close.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (flight->closeEnds && status >= 300 && status < 400 && reply->hasRawHeader("Location"))
            QTimer::singleShot(0, reply, [cut] { cut(Cut::Whole); });
    });
    auto* quiet = new QTimer(reply);
    quiet->setSingleShot(true);
    QObject::connect(quiet, &QTimer::timeout, reply, [cut] { cut(Cut::Whole); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, flight, quiet] {
        flight->body += reply->readAll();
        if (flight->closeEnds && readsWhole(reply->rawHeader("Content-Type"), flight->body))
            quiet->start(quietMs);
        else
            quiet->stop();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [limit = m_fetcher.m_sizeLimit, cut](qint64 received, qint64 total) {
                         if (received > limit || total > limit)
                             cut(Cut::TooLarge);
                     });
    QTimer::singleShot(static_cast<int>(m_fetcher.m_timeout.count()) * wholeWithinTimeouts, reply,
                       [cut] { cut(Cut::Overdue); });
}

void SiteFetcher::Round::finished(QNetworkReply* reply, Flight& flight)
{
    reply->deleteLater();
    --m_inFlight;
    // The site's pace is how soon it begins to answer: a large file's transfer, or an end that only a
    // closed connection marks, says nothing of how hard it works.
    const qint64 now = m_clock.elapsed();
    Politeness& politeness = m_fetcher.m_politeness;
    politeness.answered(std::chrono::milliseconds{(flight.began >= 0 ? flight.began : now) - flight.started});
    m_notBefore = now + politeness.rest().count();

    const Job& job = flight.job;
    SiteAnswer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.finalUrl = job.url;
    answer.error = whyNoAnswer(*reply, flight);
    const bool redirected =
        answer.error.empty() && answer.status >= 300 && answer.status < 400 && reply->hasRawHeader("Location");
    QUrl next;
    if (redirected) {
        next = job.url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        // WordPress sends its readers on to its home: asked for elsewhere, the site is asked there.
        if (const std::optional<QUrl> onSite = m_fetcher.m_served.onSite(next))
            next = *onSite;
    }
    const QUrl& expected = m_requests[job.index].expected;
    if (redirected && !expected.isEmpty() &&
        next.adjusted(QUrl::StripTrailingSlash) == expected.adjusted(QUrl::StripTrailingSlash)) {
        answer.finalUrl = next;
        m_answered(job.index, answer);
    } else if (redirected && isWeb(next) && next != job.url &&
               !(job.url.scheme() == QLatin1String("https") && next.scheme() == QLatin1String("http")) &&
               job.redirects < mostRedirects && !m_stop.stop_requested()) {
        m_waiting.push_front({job.index, next, job.redirects + 1});
    } else {
        if (!answer.error.empty()) {
            answer.status = 0;
        } else {
            if (reply->isOpen())
                flight.body += reply->readAll();
            answer.body = std::move(flight.body);
        }
        m_answered(job.index, answer);
    }
    startMore();
    if (m_inFlight == 0 && (m_waiting.empty() || m_stop.stop_requested()))
        m_loop.quit();
}

std::string SiteFetcher::Round::whyNoAnswer(const QNetworkReply& reply, const Flight& flight) const
{
    const long long seconds = m_fetcher.m_timeout.count() / 1000;
    switch (flight.cut) {
    case Cut::Refused:
        return "the certificate is not the one whose fingerprint was given";
    case Cut::TooLarge:
        return "larger than " + std::to_string(m_fetcher.m_sizeLimit) + " bytes";
    case Cut::Overdue:
        return "not whole after " + std::to_string(seconds * wholeWithinTimeouts) + " s";
    case Cut::Whole:
        return {};
    case Cut::None:
        break;
    }
    // Cancelled, and not by a stop: the transfer's timeout.
    if (reply.error() == QNetworkReply::OperationCanceledError && !m_stop.stop_requested())
        return "nothing came for " + std::to_string(seconds) + " s";
    if (noAnswer(reply.error()) || reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 0) {
        const std::string words = reply.errorString().toStdString();
        return words.empty() ? "no answer" : words;
    }
    return {};
}

} // namespace kestrel
