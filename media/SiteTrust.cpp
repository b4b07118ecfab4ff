#include "SiteTrust.h"

#include <QCryptographicHash>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <cctype>

namespace kestrel {

namespace {

QByteArray fingerprintDigits(const std::string& text)
{
    QByteArray digits;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return digits.size() == 64 ? digits : QByteArray();
}

QByteArray peerFingerprint(const QNetworkReply* reply)
{
    return reply->sslConfiguration().peerCertificate().digest(QCryptographicHash::Sha256).toHex();
}

} // namespace

void trustCaOf(QNetworkRequest& request, const SiteTrust& trust)
{
    if (request.url().scheme() != QLatin1String("https"))
        return;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    if (!trust.caFile.empty())
        tls.setCaCertificates(QSslCertificate::fromPath(QString::fromStdString(trust.caFile)));
    request.setSslConfiguration(tls);
}

void pinCertificate(QNetworkReply* reply, const SiteTrust& trust, const std::function<void()>& refused)
{
    const QByteArray fingerprint = fingerprintDigits(trust.tlsFingerprint);
    if (fingerprint.isEmpty())
        return;
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [reply, fingerprint](const QList<QSslError>&) {
        if (peerFingerprint(reply) == fingerprint)
            reply->ignoreSslErrors();
    });
    QObject::connect(reply, &QNetworkReply::encrypted, reply, [reply, fingerprint, refused] {
        if (peerFingerprint(reply) != fingerprint) {
            refused();
            reply->abort();
        }
    });
}

} // namespace kestrel
