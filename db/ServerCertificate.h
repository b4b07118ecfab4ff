#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// The digests of the certificate a MySQL server shows when a client asks it for TLS, as lowercase hex.
struct CertificateDigests
{
    std::string sha256;
    std::string sha1;
};

// Asks the server at host:port (3306 for 0) for TLS as a client would, before logging in, and takes the
// digests of the certificate it shows; no user name or password is sent. False with the reason when the
// server cannot be reached, offers no TLS, or no TLS could be agreed within the time given.
// The reason given when the server answers but offers no TLS at all.
inline constexpr std::string_view noTlsOffered = "the server offers no TLS";
bool readServerCertificate(const std::string& host, unsigned port, unsigned timeoutSeconds, CertificateDigests& digests,
                           std::string& error);

} // namespace kestrel
