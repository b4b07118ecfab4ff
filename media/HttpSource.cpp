#include "HttpSource.h"

#include "TextHelpers.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <deque>
#include <memory>

namespace kestrel {

HttpSource::HttpSource(const QUrl& blogAddress, const FileSettings& settings)
    : m_base(blogAddress), m_settings(settings)
{
    QString path = m_base.path(QUrl::FullyEncoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    m_base.setPath(path, QUrl::StrictMode);
    m_base.setQuery(QString());
    m_base.setFragment(QString());
}

QUrl HttpSource::urlOf(const std::string& blogPath) const
{
    QByteArray path = m_base.path(QUrl::FullyEncoded).toUtf8();
    for (const std::string& piece : splitText(blogPath, '/'))
        path += '/' + QByteArray::fromStdString(piece).toPercentEncoding();
    QUrl url = m_base;
    url.setPath(QString::fromLatin1(path), QUrl::StrictMode);
    return url;
}

void HttpSource::fetch(const std::vector<std::string>& blogPaths, const Arrived& arrived, std::stop_token stop)
{
    QNetworkAccessManager network;
    QEventLoop loop;
    struct Job
    {
        std::size_t index;
        int attempt;
    };
    std::deque<Job> waiting;
    for (std::size_t i = 0; i < blogPaths.size(); ++i)
        waiting.push_back({i, 1});
    int inFlight = 0;

    std::function<void()> startMore = [&] {
        while (inFlight < m_settings.parallel && !waiting.empty() && !stop.stop_requested()) {
            const Job job = waiting.front();
            waiting.pop_front();
            QNetworkRequest request(urlOf(blogPaths[job.index]));
            request.setTransferTimeout(static_cast<int>(m_settings.timeout.count()));
            // A redirect may go from http to https, never from https to http.
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
            QNetworkReply* reply = network.get(request);
            ++inFlight;
            auto tooLarge = std::make_shared<bool>(false);
            QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                             [this, reply, tooLarge](qint64 received, qint64 total) {
                                 if (received > m_settings.sizeLimit || total > m_settings.sizeLimit) {
                                     *tooLarge = true;
                                     reply->abort();
                                 }
                             });
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, job, tooLarge] {
                reply->deleteLater();
                --inFlight;
                const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                const QNetworkReply::NetworkError failure = reply->error();
                const QString scheme = reply->url().scheme();
                if (*tooLarge) {
                    arrived(job.index, {}, Why{Why::Code::tooLarge, std::to_string(m_settings.sizeLimit), {}});
                } else if (failure == QNetworkReply::NoError && status >= 200 && status < 300 &&
                           (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
                    arrived(job.index, reply->readAll(), std::nullopt);
                } else if (status >= 400 && status < 500) {
                    arrived(job.index, {},
                            Why{Why::Code::httpStatus, std::to_string(status), reply->url().toString().toStdString()});
                } else if (job.attempt < m_settings.attempts && !stop.stop_requested()) {
                    // The network or the server may fail for a moment: try again after the others.
                    waiting.push_back({job.index, job.attempt + 1});
                } else {
                    const std::string url = reply->url().toString().toStdString();
                    arrived(job.index, {},
                            status != 0 ? Why{Why::Code::httpStatus, std::to_string(status), url}
                                        : Why{Why::Code::fetchFailed, url, reply->errorString().toStdString()});
                }
                startMore();
                if (inFlight == 0 && (waiting.empty() || stop.stop_requested()))
                    loop.quit();
            });
        }
    };
    startMore();
    if (inFlight == 0)
        return;
    // A stop request is seen between replies, and at least every tenth of a second.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (stop.stop_requested()) {
            for (QNetworkReply* reply : network.findChildren<QNetworkReply*>())
                reply->abort();
        }
    });
    watch.start(100);
    loop.exec();
}

} // namespace kestrel
