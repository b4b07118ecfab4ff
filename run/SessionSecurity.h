#pragma once

#include "RunSettings.h"

#include <string>

namespace kestrel {

class Session;

// How a blog's session travelled, kept for the report after the session is closed.
struct SessionSecurity
{
    bool opened = false;
    // What the server's certificate was checked against: "system-cas", "ca-file", "fingerprint" or "none".
    std::string certificateCheck = "none";
    std::string tlsVersion; // empty in clear text
    std::string cipher;
};

SessionSecurity sessionSecurity(const Session& session);

// Whether a text is a SHA-256 fingerprint as openssl and browsers print it.
bool isFingerprint(const std::string& text);

} // namespace kestrel
