#include "Encryption.h"

#include "BlogConnection.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrel {

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

bool requestEncryption(MYSQL* mysql, const std::string& caFile, std::string& error)
{
    // Passwords and articles must not cross the internet in clear text, but a local server
    // usually has no certificate at all: without a CA file the library falls back to clear
    // text when the server offers no TLS, and takes whatever certificate it shows.
    my_bool verify = caFile.empty() ? 0 : 1;
    if (!caFile.empty()) {
        // The library's own word for a missing file is a bare "No such file or directory".
        if (FILE* file = std::fopen(caFile.c_str(), "r")) {
            std::fclose(file);
        } else {
            error = "the CA file " + caFile + " cannot be read: " + std::strerror(errno);
            return false;
        }
    }
    mysql_ssl_set(mysql, nullptr, nullptr, caFile.empty() ? nullptr : caFile.c_str(), nullptr, nullptr);
    mysql_options(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify);
    return true;
}

std::string explainTlsRefusal(const std::string& host, const std::string& caFile, const std::string& libraryError)
{
    const auto says = [&libraryError](const char* words) { return libraryError.find(words) != std::string::npos; };
    std::string reason;
    if (says("SSL is required"))
        reason = "the server offers no TLS, so it cannot show a certificate to check against the CA file " + caFile;
    else if (says("Validation of SSL server certificate failed"))
        reason = "the server's certificate is not made out to the host name " + host + " (CA file " + caFile + ")";
    else if (says("self-signed certificate") || says("unable to get local issuer certificate"))
        reason = "the server's certificate is not signed by the CA in " + caFile;
    else if (says("certificate"))
        reason = "the server's certificate was not accepted (CA file " + caFile + ")";
    else
        reason = "no encrypted connection could be agreed with the server";
    return "refused the server: " + reason + " [" + libraryError + "]";
}

} // namespace kestrel
