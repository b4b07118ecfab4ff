#include "Encryption.h"

#include "BlogConnection.h"
#include "ServerCertificate.h"
#include "SessionProtection.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kestrel {

namespace {

// As long as a session may take to connect.
constexpr unsigned certificateTimeoutSeconds = 15;

std::FILE* openForReading(const std::string& path)
{
#ifdef _WIN32
    // A UTF-8 path: the narrow fopen would read it in the ANSI code page.
    return ::_wfopen(std::filesystem::u8path(path).c_str(), L"r");
#else
    return std::fopen(path.c_str(), "r");
#endif
}

} // namespace

std::string sessionCipher(const BlogConnection& connection)
{
    return connection ? connection.tlsCipher() : std::string();
}

std::string sessionTlsVersion(const BlogConnection& connection)
{
    return connection ? connection.tlsVersion() : std::string();
}

void readNegotiatedTls(MYSQL* mysql, std::string& version, std::string& cipher)
{
    // Asked once, right after connecting: a session whose connection has dropped no longer knows.
    const char* name = mysql_get_ssl_cipher(mysql);
    cipher = name ? name : "";
    const char* tls = nullptr;
    if (name)
        mariadb_get_infov(mysql, MARIADB_CONNECTION_TLS_VERSION, &tls);
    version = tls ? tls : "";
}

bool requestEncryption(MYSQL* mysql, const ConnectionOptions& options, const ServerAddress& address, std::string& error)
{
    const Protection protection = plannedProtection(options);
    std::string caFile;
    std::string pinned;
    switch (protection) {
    case Protection::TlsWhenOffered:
        break;
    case Protection::SystemCas:
        caFile = systemCaBundle();
        break;
    case Protection::CaFile:
        // The library's own word for a missing file is a bare "No such file or directory".
        if (FILE* file = openForReading(options.caFile)) {
            std::fclose(file);
        } else {
            error = "the CA file " + options.caFile + " cannot be read: " + std::strerror(errno);
            return false;
        }
        caFile = options.caFile;
        break;
    case Protection::Fingerprint: {
        const std::string wanted = normalisedFingerprint(options.tlsFingerprint);
        if (wanted.empty()) {
            error = "\"" + options.tlsFingerprint + "\" is not a SHA-256 fingerprint (64 hexadecimal digits)";
            return false;
        }
        CertificateDigests shown;
        std::string reason;
        if (!readServerCertificate(address.host, address.port, certificateTimeoutSeconds, shown, reason)) {
            error = "refused the server: its certificate could not be read to compare with the fingerprint given: " +
                    reason;
            return false;
        }
        if (shown.sha256 != wanted) {
            error = "refused the server: its certificate's SHA-256 fingerprint is " + shown.sha256 +
                    ", not the one given (" + wanted + ")";
            return false;
        }
        pinned = shown.sha1;
        break;
    }
    }
    mysql_ssl_set(mysql, nullptr, nullptr, caFile.empty() ? nullptr : caFile.c_str(), nullptr, nullptr);
    // Checked by certificate chain and host name; a pinned certificate is checked by the library's own
    // fingerprint comparison instead, which a chain check would refuse first for a self-signed one.
    const my_bool verify = protection == Protection::SystemCas || protection == Protection::CaFile;
    mysql_options(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify);
    if (!pinned.empty())
        mysql_options(mysql, MARIADB_OPT_TLS_PEER_FP, pinned.c_str());
    // Set only to require: set to 0, this library also stops asking for TLS at all.
    if (protection != Protection::TlsWhenOffered) {
        const my_bool required = 1;
        mysql_options(mysql, MYSQL_OPT_SSL_ENFORCE, &required);
    }
    return true;
}

std::string explainTlsRefusal(const ConnectionOptions& options, const std::string& host,
                              const std::string& libraryError)
{
    const auto says = [&libraryError](const char* words) { return libraryError.find(words) != std::string::npos; };
    const Protection protection = plannedProtection(options);
    std::string trusted;
    if (protection == Protection::CaFile)
        trusted = "the CA file " + options.caFile;
    else if (protection == Protection::Fingerprint)
        trusted = "the fingerprint given";
    else
        trusted = "the CAs this system trusts";
    const std::string trustHint = "; to trust a server of your own, give its CA file or its certificate's SHA-256 "
                                  "fingerprint (kestrel-cli --emlog-ca/--wp-ca, "
                                  "--emlog-tls-fingerprint/--wp-tls-fingerprint)";
    std::string reason;
    if (says("SSL is required") && protection == Protection::SystemCas)
        reason = "the server offers no TLS, and a session with " + host +
                 ", which is not this machine, must be encrypted: anyone on the way could read the blog and pose "
                 "as the server. To connect in clear text all the same, allow unencrypted sessions (kestrel-cli "
                 "--allow-unencrypted, or \"允许不加密的连接\" behind the window's 安全 button)";
    else if (says("SSL is required"))
        reason = "the server offers no TLS, so it cannot show a certificate to check against " + trusted;
    else if (says("Validation of SSL server certificate failed"))
        reason = "the server's certificate is not made out to the host name " + host + " (" + trusted + ")";
    else if (says("self-signed certificate") || says("unable to get local issuer certificate"))
        reason = "the server's certificate is not signed by " +
                 (protection == Protection::CaFile ? "the CA in " + options.caFile : trusted + trustHint);
    else if (says("Fingerprint verification"))
        reason = "the server showed another certificate than the one whose fingerprint was given";
    else if (says("certificate"))
        reason = "the server's certificate was not accepted (" + trusted + ")";
    else
        reason = "no encrypted connection could be agreed with the server, and a session whose TLS fails is never "
                 "opened in clear text instead";
    return "refused the server: " + reason + " [" + libraryError + "]";
}

} // namespace kestrel
