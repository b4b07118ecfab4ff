#pragma once

#include <string>
#include <vector>

namespace kestrel {

// Where and how to open a session with a MySQL server. A session keeps them, so that a lost one can be
// opened again the same way; the password never goes into a message.
struct ConnectionOptions
{
    std::string server; // "host", "host:port" or "[v6 address]:port"
    std::string user;
    std::string password;
    std::string database;
    unsigned port = 0; // when not 0, it wins over a port in the server field
    // A CA certificate file: TLS is required and the server's certificate must be signed by that CA
    // and made out to the host connected to. Without one (nor a fingerprint), a server off this machine
    // must show a certificate the system trusts; see plannedProtection().
    std::string caFile = {};
    // Whether the session may send several statements to a query, separated by ";": an exchange then costs
    // one round trip. Any other statement is still taken only alone.
    bool multiStatements = false;
    // The SHA-256 fingerprint of the one certificate the server may show (a self-signed one, say).
    std::string tlsFingerprint = {};
    // Whether a server off this machine may be reached in clear text when it offers no TLS.
    bool allowUnencrypted = false;
    // Statements that set the session up ("SET SESSION ..."): sent in the opening's one exchange where the
    // session takes several statements, and so again by every reconnect. A session that refuses one
    // does not open.
    std::vector<std::string> settings = {};
};

// Where to connect, taken from the text of a server field: "host", "host:port" or "[v6 address]:port".
// Port 0 is the library's default.
struct ServerAddress
{
    std::string host;
    unsigned port = 0;
};
ServerAddress parseServerAddress(const std::string& server);

} // namespace kestrel
