#pragma once

#include <string>

namespace kestrel {

struct ConnectionOptions;

// How a session is protected on its way to the server, decided from its options before it connects.
enum class Protection {
    // A server on this machine (or one the user allowed to be reached in clear text): TLS when the
    // server offers it, its certificate unchecked, and clear text when it does not.
    TlsWhenOffered,
    // TLS required, the certificate signed by a CA the system trusts and made out to the host.
    SystemCas,
    // TLS required, the certificate signed by the CA file given and made out to the host.
    CaFile,
    // TLS required, the certificate exactly the one whose SHA-256 fingerprint was given.
    Fingerprint,
};

// localhost, 127.0.0.1, ::1, and no host at all (the library's local default).
bool isThisMachine(const std::string& host);

Protection plannedProtection(const ConnectionOptions& options);

// A SHA-256 fingerprint as 64 lowercase hex digits, from the way openssl and browsers print it
// (colons, spaces and case allowed, optionally led by "sha256:"); empty when it is not one.
std::string normalisedFingerprint(const std::string& text);

// The system's bundle of trusted CAs where it is a known file, else empty: the library then uses its
// own default store (on Windows, the system's).
std::string systemCaBundle();

// The library's refusal of a way of logging in that could send the password as it is, worded for the user.
std::string explainLoginRefusal(const std::string& libraryError);

} // namespace kestrel
