#pragma once

#include "SessionProtection.h"

#include <mysql.h>

#include <optional>
#include <string>

namespace kestrel {

// What a connection object that has just connected agreed on: TLS version and cipher, or empty texts.
void readNegotiatedTls(MYSQL* mysql, std::string& version, std::string& cipher);

struct ConnectionOptions;
struct ServerAddress;

// Sets a connection object, before it connects, to protect the session as plannedProtection() says. For a
// fingerprint, the server is first asked for its certificate (see readServerCertificate()), which is
// compared with it and then pinned by its SHA-1 digest, the one this library checks itself, so that the
// session logs in only to the server that showed it. False, with the reason, when the CA file cannot be
// read or the certificate is not the one named.
// A server that offers no TLS to check the fingerprint with is also said in `refusal`, as the library's
// own refusal of a server without TLS is.
struct TlsRefusal;
bool requestEncryption(MYSQL* mysql, const ConnectionOptions& options, const ServerAddress& address, std::string& error,
                       std::optional<TlsRefusal>& refusal);

// What the library refused of a server's TLS, or its lack of it, and what it was checked against: the
// front ends word it, and say how to connect all the same.
struct TlsRefusal
{
    enum class Reason {
        NotOfferedOffThisMachine, // no TLS, and the server is not this machine
        NotOffered,               // no TLS to check a certificate or fingerprint with
        OtherHostName,            // the certificate is made out to another host
        NotSigned,                // not signed by the CA file, or by a CA the system trusts
        OtherCertificate,         // not the certificate whose fingerprint was given
        CertificateRefused,       // refused for another reason
        NoAgreement,              // no TLS could be agreed (a version or cipher refused, say)
    };
    Reason reason = Reason::NoAgreement;
    Protection protection = Protection::TlsWhenOffered;
    std::string host;
    std::string caFile;       // when the protection is CaFile
    std::string libraryError; // the library's own words
};

// Sorts the library's refusal of a connection's TLS.
TlsRefusal tlsRefusalOf(const ConnectionOptions& options, const std::string& host, const std::string& libraryError);

} // namespace kestrel
