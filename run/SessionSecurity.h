#pragma once

#include "RunSettings.h"

#include <QString>

#include <string>

namespace kestrel {

class BlogConnection;

// How a blog's session travelled, kept for the report after the session is closed.
struct SessionSecurity
{
    bool opened = false;
    // What the server's certificate was checked against: "system-cas", "ca-file", "fingerprint" or "none".
    std::string certificateCheck = "none";
    std::string tlsVersion; // empty in clear text
    std::string cipher;
};

SessionSecurity sessionSecurity(const BlogConnection& session);

// Whether a text is a SHA-256 fingerprint as openssl and browsers print it.
bool isFingerprint(const std::string& text);

// Said before connecting: whether the session will be encrypted, and how the server must prove itself.
QString plannedSessionText(const QString& blog, const ConnectionFields& fields);
// The same for WordPress reached through its plugin at settings.wordPressAddress.
QString plannedPluginText(const RunSettings& settings);
// Said after the run: whether it was, with what, and whether the certificate was checked.
QString sessionText(const QString& blog, const SessionSecurity& security);

} // namespace kestrel
