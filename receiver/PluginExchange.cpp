#include "PluginExchange.h"

#include "NetworkThread.h"
#include "PluginAnswers.h"
#include "SiteTrust.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QUrlQuery>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace kestrel {

namespace {

// A request that has had no byte for this long is taken as lost, and asked again: a connection a relay
// dropped without a word would otherwise hold the run for good. A request is sized to end well within
// a host's time limit for PHP, so a live one is never this quiet.
constexpr int transferTimeoutMs = 90000;

} // namespace

// A request on its way: its reply lives in the network thread; what it came to is handed over once.
struct PluginExchange::Answer
{
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;

    // The network thread's alone.
    QNetworkReply* reply = nullptr;

    // Written by the network thread before finished, read by the caller after.
    bool certificateRefused = false;
    int status = 0;
    QByteArray bytes;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    std::string errorString;
    std::string location;
    std::string tlsVersion;
    std::string tlsCipher;

    // In the network thread, when the reply ends (aborted too); once.
    void take(bool encrypted)
    {
        if (!reply)
            return;
        std::unique_lock held(lock);
        status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (encrypted) {
            const QSslConfiguration agreed = reply->sslConfiguration();
            tlsCipher = agreed.sessionCipher().name().toStdString();
            tlsVersion = agreed.sessionCipher().protocolString().toStdString();
        }
        bytes = reply->readAll();
        error = reply->error();
        errorString = reply->errorString().toStdString();
        location = reply->rawHeader("Location").toStdString();
        reply->deleteLater();
        reply = nullptr;
        finished = true;
        held.unlock();
        done.notify_all();
    }
};

namespace {

void giveUp(NetworkThread& network, const std::shared_ptr<PluginExchange::Answer>& answer)
{
    network.run([answer](QNetworkAccessManager&) {
        if (answer->reply)
            answer->reply->abort();
    });
}

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
    m_network = std::make_shared<NetworkThread>();
}

PluginExchange::~PluginExchange() = default;

PluginExchange::Pending::~Pending()
{
    if (network && answer)
        giveUp(*network, answer);
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
    SiteTrust trust{m_address.caFile, m_address.tlsFingerprint};
    trustCaOf(request, trust);
    std::optional<QByteArray> body;
    if (json) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        body = *json;
    }
    pending->network = m_network;
    pending->answer = std::make_shared<Answer>();
    m_network->run([request, body = std::move(body), trust = std::move(trust), answer = pending->answer,
                    encrypted = encrypted()](QNetworkAccessManager& network) {
        QNetworkReply* reply = body ? network.post(request, *body) : network.get(request);
        answer->reply = reply;
        pinCertificate(reply, trust, [answer] { answer->certificateRefused = true; });
        QObject::connect(reply, &QNetworkReply::finished, reply, [answer, encrypted] { answer->take(encrypted); });
        if (reply->isFinished())
            answer->take(encrypted);
    });
    return pending;
}

PluginReply PluginExchange::finish(std::unique_ptr<Pending> pending)
{
    PluginReply answer;
    const std::shared_ptr<Answer> state = pending ? std::move(pending->answer) : nullptr;
    if (!state) {
        answer.failure = PluginReply::Failure::BrokenOff;
        answer.error = "broken off";
        return answer;
    }
    {
        std::unique_lock lock(state->lock);
        bool givenUp = false;
        while (!state->finished) {
            if (m_broken && !givenUp) {
                givenUp = true;
                giveUp(*m_network, state);
            }
            state->done.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    answer.status = state->status;
    answer.tlsCipher = state->tlsCipher;
    answer.tlsVersion = state->tlsVersion;
    const std::optional<QJsonObject> body = answerBody(state->bytes);
    if (body)
        answer.body = *body;
    if (m_broken) {
        answer.failure = PluginReply::Failure::BrokenOff;
        answer.error = "broken off";
    } else if (state->certificateRefused || state->error == QNetworkReply::SslHandshakeFailedError) {
        answer.failure = PluginReply::Failure::Certificate;
        answer.error = state->certificateRefused ? "the certificate is not the one whose fingerprint was given"
                                                 : state->errorString;
    } else if (answer.status == 0) {
        answer.failure = PluginReply::Failure::Network;
        answer.error = state->errorString;
    } else if (answer.status < 200 || answer.status >= 300) {
        answer.failure = PluginReply::Failure::Http;
        answer.error = "HTTP " + std::to_string(answer.status);
        if (answer.status >= 300 && answer.status < 400)
            answer.error += " to " + state->location;
    } else if (!body) {
        // Cut off halfway, or something in between that answers for the site.
        answer.failure = PluginReply::Failure::Network;
        answer.error = "the answer is not the plugin's (" + std::to_string(state->bytes.size()) + " bytes)";
    }
    // An answer cut off may leave its connection half closed (a TLS terminator waiting for our close_notify):
    // the next request must not wait behind it on the same connection.
    if (answer.failure == PluginReply::Failure::Network)
        m_network->run([](QNetworkAccessManager& network) { network.clearConnectionCache(); });
    return answer;
}

} // namespace kestrel
