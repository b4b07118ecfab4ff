#include "ServerCertificate.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <array>
#include <ctime>
#include <memory>

namespace kestrel {

namespace {

struct BioFree
{
    void operator()(BIO* bio) const noexcept { BIO_free_all(bio); }
};
struct ContextFree
{
    void operator()(SSL_CTX* context) const noexcept { SSL_CTX_free(context); }
};
struct SslFree
{
    void operator()(SSL* ssl) const noexcept { SSL_free(ssl); }
};
struct CertificateFree
{
    void operator()(X509* certificate) const noexcept { X509_free(certificate); }
};

// The protocol's capability bits this exchange needs.
constexpr unsigned long clientProtocol41 = 0x200;
constexpr unsigned long clientSsl = 0x800;
constexpr unsigned long clientSecureConnection = 0x8000;

std::string openSslError(const char* what)
{
    std::string text = what;
    if (const unsigned long code = ERR_get_error()) {
        std::array<char, 256> buffer{};
        ERR_error_string_n(code, buffer.data(), buffer.size());
        text += std::string(": ") + buffer.data();
    }
    ERR_clear_error();
    return text;
}

std::string hex(const unsigned char* bytes, unsigned length)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// Reads or writes exactly `length` bytes on a non-blocking socket before the deadline.
bool transfer(BIO* bio, unsigned char* data, int length, bool reading, std::time_t deadline)
{
    int done = 0;
    while (done < length) {
        const int n = reading ? BIO_read(bio, data + done, length - done) : BIO_write(bio, data + done, length - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (!BIO_should_retry(bio) || BIO_wait(bio, deadline, 50) != 1)
            return false;
    }
    return true;
}

// The server's greeting: whether it offers TLS. False with the reason when it is not a greeting.
bool readGreeting(BIO* bio, std::time_t deadline, bool& offersTls, unsigned char& sequence, std::string& error)
{
    std::array<unsigned char, 4> header{};
    if (!transfer(bio, header.data(), 4, true, deadline)) {
        error = "the server sent no greeting";
        return false;
    }
    const int length = header[0] | header[1] << 8 | header[2] << 16;
    std::string payload(static_cast<std::size_t>(length), '\0');
    if (length < 1 || !transfer(bio, reinterpret_cast<unsigned char*>(payload.data()), length, true, deadline)) {
        error = "the server's greeting was cut short";
        return false;
    }
    sequence = header[3];
    if (static_cast<unsigned char>(payload[0]) == 0xff) {
        error = "the server refused the connection: " + (payload.size() > 3 ? payload.substr(3) : std::string());
        return false;
    }
    // Protocol 10: version, the server's name up to a zero byte, thread id, 8 bytes of scramble and a filler,
    // then the lower half of its capabilities.
    const std::size_t nameEnd = payload.find('\0', 1);
    if (payload[0] != 10 || nameEnd == std::string::npos || payload.size() < nameEnd + 1 + 4 + 9 + 2) {
        error = "the server does not speak the MySQL protocol";
        return false;
    }
    const std::size_t at = nameEnd + 1 + 4 + 9;
    const unsigned capabilities = static_cast<unsigned char>(payload[at]) | static_cast<unsigned char>(payload[at + 1])
                                                                                << 8;
    offersTls = (capabilities & clientSsl) != 0;
    return true;
}

// The short packet with which a client asks for TLS before it says who it is.
bool requestTls(BIO* bio, unsigned char sequence, std::time_t deadline)
{
    std::array<unsigned char, 4 + 32> packet{};
    packet[0] = 32;
    packet[3] = static_cast<unsigned char>(sequence + 1);
    const unsigned long capabilities = clientProtocol41 | clientSsl | clientSecureConnection;
    for (int i = 0; i < 4; ++i)
        packet[4 + i] = static_cast<unsigned char>(capabilities >> (8 * i));
    packet[8 + 3] = 1; // max packet 16 MiB
    packet[12] = 45;   // utf8mb4_general_ci
    return transfer(bio, packet.data(), static_cast<int>(packet.size()), false, deadline);
}

} // namespace

bool readServerCertificate(const std::string& host, unsigned port, unsigned timeoutSeconds, CertificateDigests& digests,
                           std::string& error)
{
    const std::string target =
        (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(port == 0 ? 3306 : port);
    const std::time_t deadline = std::time(nullptr) + timeoutSeconds;
    std::unique_ptr<BIO, BioFree> bio(BIO_new_connect(target.c_str()));
    if (!bio) {
        error = openSslError("no connection object");
        return false;
    }
    BIO_set_nbio(bio.get(), 1);
    if (BIO_do_connect_retry(bio.get(), static_cast<int>(timeoutSeconds), 100) != 1) {
        error = openSslError(("could not reach " + target).c_str());
        return false;
    }
    bool offersTls = false;
    unsigned char sequence = 0;
    if (!readGreeting(bio.get(), deadline, offersTls, sequence, error))
        return false;
    if (!offersTls) {
        error = std::string(noTlsOffered);
        return false;
    }
    if (!requestTls(bio.get(), sequence, deadline)) {
        error = "the server did not take the request for TLS";
        return false;
    }

    std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_client_method()));
    std::unique_ptr<SSL, SslFree> ssl(context ? SSL_new(context.get()) : nullptr);
    if (!ssl) {
        error = openSslError("no TLS object");
        return false;
    }
    // Nothing is checked here: the caller compares the certificate with the fingerprint it was given.
    SSL_set_verify(ssl.get(), SSL_VERIFY_NONE, nullptr);
    BIO* socket = bio.release(); // the TLS object owns it from here
    SSL_set_bio(ssl.get(), socket, socket);
    for (;;) {
        const int result = SSL_connect(ssl.get());
        if (result == 1)
            break;
        const int reason = SSL_get_error(ssl.get(), result);
        if ((reason != SSL_ERROR_WANT_READ && reason != SSL_ERROR_WANT_WRITE) || BIO_wait(socket, deadline, 50) != 1) {
            error = openSslError("no TLS could be agreed with the server");
            return false;
        }
    }
    const std::unique_ptr<X509, CertificateFree> certificate(SSL_get1_peer_certificate(ssl.get()));
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned length = 0;
    if (!certificate || !X509_digest(certificate.get(), EVP_sha256(), digest.data(), &length)) {
        error = openSslError("the server showed no certificate");
        return false;
    }
    digests.sha256 = hex(digest.data(), length);
    X509_digest(certificate.get(), EVP_sha1(), digest.data(), &length);
    digests.sha1 = hex(digest.data(), length);
    return true;
}

} // namespace kestrel
