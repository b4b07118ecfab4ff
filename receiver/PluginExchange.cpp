#include "PluginExchange.h"

#include "PluginAnswers.h"
#include "SiteTrust.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrlQuery>

namespace kestrel {

namespace {

// A request that has had no byte for this long is taken as lost, and asked again: a connection a relay
// dropped without a word would otherwise hold the run for good. A request is sized to end well within
// a host's time limit for PHP, so a live one is never this quiet.
constexpr int transferTimeoutMs = 90000;

} // namespace

PluginExchange::PluginExchange(PluginAddress address) : m_address(std::move(address))
{
    m_site = QUrl::fromUserInput(QString::fromStdString(m_address.url));
    m_site.setQuery(QString());
    m_site.setFragment(QString());
    QString path = m_site.path();
    if (!path.endsWith(QLatin1Char('/')))
        m_site.setPath(path + QLatin1Char('/'));
    m_authorization = "Basic " + QByteArray::fromStdString(m_address.user + ":" + m_address.password).toBase64();
}

PluginExchange::~PluginExchange() = default;

PluginExchange::Pending::~Pending()
{
    if (reply) {
        reply->abort();
        reply->deleteLater();
    }
}

PluginReply PluginExchange::get(const QString& route)
{
    return finish(start(route, nullptr));
}

PluginReply PluginExchange::post(const QString& route, const QByteArray& json)
{
    return finish(start(route, &json));
}

std::unique_ptr<PluginExchange::Pending> PluginExchange::start(const QString& route, const QByteArray* json)
{
    auto pending = std::make_unique<Pending>();
    if (m_broken)
        return pending;
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    QUrl url = m_site;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("rest_route"), route);
    url.setQuery(query);
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", m_authorization);
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(transferTimeoutMs);
    // The password goes with each request: never after a redirect to wherever it leads.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const SiteTrust trust{m_address.caFile, m_address.tlsFingerprint};
    trustCaOf(request, trust);
    if (json)
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = json ? m_network->post(request, *json) : m_network->get(request);
    pending->reply = reply;

    pinCertificate(reply, trust, [refused = pending.get()] { refused->certificateRefused = true; });
    return pending;
}

PluginReply PluginExchange::finish(std::unique_ptr<Pending> pending)
{
    PluginReply answer;
    QNetworkReply* reply = pending ? pending->reply : nullptr;
    if (!reply) {
        answer.failure = PluginReply::Failure::BrokenOff;
        answer.error = "broken off";
        return answer;
    }
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [this, reply] {
        if (m_broken)
            reply->abort();
    });
    watch.start(100);
    if (m_broken)
        reply->abort();
    if (!reply->isFinished())
        loop.exec();

    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (encrypted()) {
        const QSslConfiguration agreed = reply->sslConfiguration();
        answer.tlsCipher = agreed.sessionCipher().name().toStdString();
        answer.tlsVersion = agreed.sessionCipher().protocolString().toStdString();
    }
    const QByteArray bytes = reply->readAll();
    const std::optional<QJsonObject> body = answerBody(bytes);
    if (body)
        answer.body = *body;
    const QNetworkReply::NetworkError error = reply->error();
    if (m_broken) {
        answer.failure = PluginReply::Failure::BrokenOff;
        answer.error = "broken off";
    } else if (pending->certificateRefused || error == QNetworkReply::SslHandshakeFailedError) {
        answer.failure = PluginReply::Failure::Certificate;
        answer.error = pending->certificateRefused ? "the certificate is not the one whose fingerprint was given"
                                                   : reply->errorString().toStdString();
    } else if (answer.status == 0) {
        answer.failure = PluginReply::Failure::Network;
        answer.error = reply->errorString().toStdString();
    } else if (answer.status < 200 || answer.status >= 300) {
        answer.failure = PluginReply::Failure::Http;
        answer.error = "HTTP " + std::to_string(answer.status);
        if (answer.status >= 300 && answer.status < 400)
            answer.error += " to " + reply->rawHeader("Location").toStdString();
    } else if (!body) {
        // Cut off halfway, or something in between that answers for the site.
        answer.failure = PluginReply::Failure::Network;
        answer.error = "the answer is not the plugin's (" + std::to_string(bytes.size()) + " bytes)";
    }
    reply->deleteLater();
    // An answer cut off may leave its connection half closed (a TLS terminator waiting for our close_notify):
    // the next request must not wait behind it on the same connection.
    if (answer.failure == PluginReply::Failure::Network)
        m_network->clearConnectionCache();
    pending->reply = nullptr;
    return answer;
}

} // namespace kestrel
