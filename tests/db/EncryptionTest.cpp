#include "Encryption.h"
#include "BlogConnection.h"
#include "ResultSet.h"
#include "TestServer.h"

#include <gtest/gtest.h>

using namespace kestrel;
using namespace kestrel::test;

// A server with a certificate, and the shared test server without one: which sessions are
// encrypted, which are refused, and what the refusal says.
TEST(Encryption, TlsWheneverOfferedAndTheCertificateCheckedWhenACaFileIsGiven)
{
    const TestCertificates& certificates = testCertificates();
    const PrivateServer tlsServer(certificates.serverOptions());
    // Only TLS 1.1, as old MySQL servers offer it and this machine's OpenSSL refuses.
    const PrivateServer oldTlsServer(certificates.serverOptions() + " --tls-version=TLSv1.1");
    const std::string oldTls = oldTlsServer.address();
    const std::string tls = tlsServer.address();
    const std::string otherName = "127.0.0.2:" + tls.substr(tls.rfind(':') + 1);
    const std::string plain = testServer().address();

    struct Case
    {
        const char* what;
        std::string server, caFile;
        bool encrypted;
        std::string refusal; // empty when the session opens
    };
    const Case cases[] = {
        {"offered, no CA file", tls, "", true, ""},
        {"offered, the right CA file", tls, certificates.ca, true, ""},
        {"not offered, no CA file", plain, "", false, ""},
        {"signed by another CA", tls, certificates.otherCa, false, "not signed by the CA in " + certificates.otherCa},
        {"made out to another host", otherName, certificates.ca, false, "not made out to the host name 127.0.0.2"},
        {"not offered, a CA file", plain, certificates.ca, false, "the server offers no TLS"},
        {"no such CA file", tls, certificates.ca + ".missing", false, "cannot be read"},
        {"offered in a version refused, no CA file", oldTls, "", false, ""},
        {"offered in a version refused, a CA file", oldTls, certificates.ca, false, "no encrypted connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BlogConnection session = openConnection({c.server, "root", rootPassword(c.server), "", 0, c.caFile});
        if (!c.refusal.empty()) {
            EXPECT_FALSE(session);
            EXPECT_EQ(session.lastErrorNumber(), 2026u);
            EXPECT_NE(session.lastError().find(c.refusal), std::string::npos) << session.lastError();
            continue;
        }
        ASSERT_TRUE(session) << session.lastError();
        EXPECT_EQ(session.verifiesServer(), !c.caFile.empty());
        // The server's side of the session agrees on the cipher.
        ASSERT_TRUE(executeSql(session, "SHOW SESSION STATUS LIKE 'Ssl_cipher'"));
        ResultSet status = storeResult(session);
        std::string serverCipher;
        readField(status, 1, serverCipher);
        EXPECT_EQ(sessionCipher(session), serverCipher);
        EXPECT_EQ(serverCipher.empty(), !c.encrypted);
        EXPECT_EQ(sessionTlsVersion(session).rfind("TLSv1.", 0) == 0, c.encrypted) << sessionTlsVersion(session);
    }
}
