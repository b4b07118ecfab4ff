#include "SessionProtection.h"

#include "ConnectionOptions.h"

#include <cctype>
#include <filesystem>

namespace kestrel {

bool isThisMachine(const std::string& host)
{
    return host.empty() || host == "localhost" || host == "127.0.0.1" || host == "::1";
}

Protection plannedProtection(const ConnectionOptions& options)
{
    if (!options.tlsFingerprint.empty())
        return Protection::Fingerprint;
    if (!options.caFile.empty())
        return Protection::CaFile;
    // Nobody else can read what travels over this machine's loopback; across a network anyone on the way can,
    // and could pose as the server to a client that takes any certificate.
    if (options.allowUnencrypted || isThisMachine(parseServerAddress(options.server).host))
        return Protection::TlsWhenOffered;
    return Protection::SystemCas;
}

std::string normalisedFingerprint(const std::string& text)
{
    std::string digits;
    std::string rest = text;
    if (rest.size() > 7 && (rest.compare(0, 7, "sha256:") == 0 || rest.compare(0, 7, "SHA256:") == 0))
        rest.erase(0, 7);
    for (const char c : rest) {
        if (c == ':' || c == ' ')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
        digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return digits.size() == 64 ? digits : std::string();
}

std::string systemCaBundle()
{
#ifdef _WIN32
    // Schannel checks the chain against Windows' own certificate store when it is given no file.
    return {};
#endif
    // Debian's and Ubuntu's, then Fedora's: the library would find them too, but naming the file makes a
    // refusal say which CAs were asked.
    for (const char* path : {"/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return {};
}

std::string explainLoginRefusal(const std::string& libraryError)
{
    return "refused the server: it asked for the password in a way that could send it as it is (such as "
           "mysql_clear_password); only mysql_native_password, client_ed25519 and caching_sha2_password are used, "
           "so that no server, nor anyone posing as one, receives the password itself [" +
           libraryError + "]";
}

} // namespace kestrel
