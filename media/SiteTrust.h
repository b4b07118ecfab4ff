#pragma once

#include <QByteArray>

#include <functional>
#include <string>

class QNetworkReply;
class QNetworkRequest;

namespace kestrel {

// Which certificates a site reached over HTTPS may show: one signed by the CA of this file (else one
// the system trusts), or the one certificate with this SHA-256 fingerprint, whoever signed it.
struct SiteTrust
{
    std::string caFile;
    std::string tlsFingerprint;
};

// The request checks the site's certificate against the trust's CA file, when it names one.
void trustCaOf(QNetworkRequest& request, const SiteTrust& trust);
// For a reply just sent: with a fingerprint given, the one certificate named is taken whoever signed
// it, and any other is refused (the reply aborted, `refused` called), even one the system trusts.
void pinCertificate(QNetworkReply* reply, const SiteTrust& trust, const std::function<void()>& refused);

} // namespace kestrel
