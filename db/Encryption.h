#pragma once

#include <mysql.h>

#include <string>

namespace kestrel {

class BlogConnection;

// The cipher a session's TLS uses, e.g. "TLS_AES_256_GCM_SHA384"; empty when it travels in clear text.
std::string sessionCipher(const BlogConnection& connection);
// Its TLS version, e.g. "TLSv1.3"; empty when it travels in clear text.
std::string sessionTlsVersion(const BlogConnection& connection);

// What a connection object that has just connected agreed on: TLS version and cipher, or empty texts.
void readNegotiatedTls(MYSQL* mysql, std::string& version, std::string& cipher);

// Sets a connection object, before it connects, to use TLS: whenever the server offers it when
// there is no CA file, and only with a certificate that the CA signed for the host otherwise.
// False, with the reason, when the CA file cannot be read.
bool requestEncryption(MYSQL* mysql, const std::string& caFile, std::string& error);

// The library's reason for refusing a server that had to prove itself with the CA file, worded
// for whoever gave that file: what did not match, then the library's own words.
std::string explainTlsRefusal(const std::string& host, const std::string& caFile, const std::string& libraryError);

} // namespace kestrel
