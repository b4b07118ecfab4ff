#include "Encryption.h"

#include "ClientCalls.h"
#include "ConnectionOptions.h"
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

bool requestEncryption(MYSQL* mysql, const ConnectionOptions& options, const ServerAddress& address, std::string& error,
                       std::optional<TlsRefusal>& refusal)
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
            if (reason == noTlsOffered) {
                refusal = TlsRefusal{TlsRefusal::Reason::NotOffered, protection, address.host, {}, reason};
            }
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
    if (!setClientCaFile(mysql, caFile.empty() ? nullptr : caFile.c_str(), error))
        return false;
    // Checked by certificate chain and host name; a pinned certificate is checked by the library's own
    // fingerprint comparison instead, which a chain check would refuse first for a self-signed one.
    const my_bool verify = protection == Protection::SystemCas || protection == Protection::CaFile;
    if (!setClientOption(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify, "MYSQL_OPT_SSL_VERIFY_SERVER_CERT", error))
        return false;
    if (!pinned.empty() &&
        !setClientOption(mysql, MARIADB_OPT_TLS_PEER_FP, pinned.c_str(), "MARIADB_OPT_TLS_PEER_FP", error))
        return false;
    // Set only to require: set to 0, this library also stops asking for TLS at all.
    if (protection != Protection::TlsWhenOffered) {
        const my_bool required = 1;
        if (!setClientOption(mysql, MYSQL_OPT_SSL_ENFORCE, &required, "MYSQL_OPT_SSL_ENFORCE", error))
            return false;
    }
    return true;
}

TlsRefusal tlsRefusalOf(const ConnectionOptions& options, const std::string& host, const std::string& libraryError)
{
    const auto says = [&libraryError](const char* words) { return libraryError.find(words) != std::string::npos; };
    TlsRefusal refusal;
    refusal.protection = plannedProtection(options);
    refusal.host = host;
    if (refusal.protection == Protection::CaFile)
        refusal.caFile = options.caFile;
    refusal.libraryError = libraryError;
    using Reason = TlsRefusal::Reason;
    if (says("SSL is required"))
        refusal.reason =
            refusal.protection == Protection::SystemCas ? Reason::NotOfferedOffThisMachine : Reason::NotOffered;
    else if (says("Validation of SSL server certificate failed"))
        refusal.reason = Reason::OtherHostName;
    else if (says("self-signed certificate") || says("unable to get local issuer certificate"))
        refusal.reason = Reason::NotSigned;
    else if (says("Fingerprint verification"))
        refusal.reason = Reason::OtherCertificate;
    else if (says("certificate"))
        refusal.reason = Reason::CertificateRefused;
    else
        refusal.reason = Reason::NoAgreement;
    return refusal;
}

} // namespace kestrel
