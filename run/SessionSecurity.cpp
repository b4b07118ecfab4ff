#include "SessionSecurity.h"
#include "Utf8Text.h"

#include "ConnectionOptions.h"
#include "Session.h"

namespace kestrel {

namespace {

std::string certificateCheckName(Protection protection)
{
    switch (protection) {
    case Protection::SystemCas:
        return "system-cas";
    case Protection::CaFile:
        return "ca-file";
    case Protection::Fingerprint:
        return "fingerprint";
    case Protection::TlsWhenOffered:
        break;
    }
    return "none";
}

} // namespace

SessionSecurity sessionSecurity(const Session& session)
{
    return {static_cast<bool>(session), certificateCheckName(session.protection()), session.tlsVersion(),
            session.tlsCipher()};
}

bool isFingerprint(const std::string& text)
{
    return !normalisedFingerprint(text).empty();
}

} // namespace kestrel
