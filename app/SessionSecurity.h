#pragma once

#include "BlogConnection.h"
#include "Sessions.h"

#include <QString>

#include <string>

namespace kestrel {

// How a blog's session travelled, kept for the report after the session is closed.
struct SessionSecurity
{
    bool opened = false;
    Protection protection = Protection::TlsWhenOffered;
    std::string tlsVersion; // empty in clear text
    std::string cipher;
};

SessionSecurity sessionSecurity(const BlogConnection& session);

// Said before connecting: whether the session will be encrypted, and how the server must prove itself.
QString plannedSessionText(const QString& blog, const ConnectionFields& fields);
// Said after the run: whether it was, with what, and whether the certificate was checked.
QString sessionText(const QString& blog, const SessionSecurity& security);
// "system-cas", "ca-file", "fingerprint" or "none": what the certificate was checked against.
QString certificateCheckName(Protection protection);

} // namespace kestrel
