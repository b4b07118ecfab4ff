#include "Encryption.h"
#include "ResultSet.h"
#include "RunTexts.h"
#include "SessionSql.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::test;

namespace {

std::string portOf(const std::string& address)
{
    return address.substr(address.rfind(':') + 1);
}

// "AB:CD:..." as 64 lowercase hex digits.
std::string lowerHex(const std::string& fingerprint)
{
    std::string digits;
    for (const char c : fingerprint)
        if (c != ':')
            digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return digits;
}

} // namespace

// Servers with and without TLS, reached on this machine (127.0.0.1) and as if across a network (127.0.0.2):
// which sessions are encrypted, which certificates are checked, which are refused, and what the refusal says.
TEST(Encryption, TlsRequiredOffThisMachineAndTheCertificateChecked)
{
    const TestCertificates& certificates = testCertificates();
    const PrivateServer tlsServer(certificates.serverOptions());
    // Only TLS 1.1, as old MySQL servers offer it and this machine's OpenSSL refuses.
    const PrivateServer oldTlsServer(certificates.serverOptions() + " --tls-version=TLSv1.1");
    const PrivateServer selfSignedServer(certificates.selfSignedServerOptions());
    const PrivateServer plainServer("--bind-address=127.0.0.1,127.0.0.2");
    const std::string tls = tlsServer.address();
    const std::string oldTls = oldTlsServer.address();
    const std::string otherName = "127.0.0.2:" + portOf(tls);
    const std::string selfSigned = "127.0.0.2:" + portOf(selfSignedServer.address());
    const std::string plainLocal = testServer().address();
    const std::string plainRemote = "127.0.0.2:" + portOf(plainServer.address());
    const std::string fingerprint = certificates.selfSignedSha256;
    const std::string wrongFingerprint = std::string(fingerprint).replace(0, 2, fingerprint[0] == 'A' ? "BB" : "AA");
    const std::string allowHint = "--allow-unencrypted";

    struct Case
    {
        const char* what;
        std::string server, caFile, fingerprint;
        bool allowUnencrypted;
        bool encrypted;
        std::string refusal; // empty when the session opens
    };
    const Case cases[] = {
        {"local, offered, no CA file", tls, "", "", false, true, ""},
        {"local, offered, the right CA file", tls, certificates.ca, "", false, true, ""},
        {"local, not offered", plainLocal, "", "", false, false, ""},
        {"local, signed by another CA", tls, certificates.otherCa, "", false, false,
         "不是由 " + certificates.otherCa + " 里的 CA 签发的"},
        {"made out to another host", otherName, certificates.ca, "", false, false, "不是签发给主机名 127.0.0.2 的"},
        {"local, not offered, a CA file", plainLocal, certificates.ca, "", false, false, "服务器不支持 TLS 加密"},
        {"no such CA file", tls, certificates.ca + ".missing", "", false, false, "cannot be read"},
        {"local, a version refused: no clear text instead", oldTls, "", "", false, false, "决不改用明文重连"},
        {"local, a version refused, a CA file", oldTls, certificates.ca, "", false, false, "无法与服务器商定加密连接"},
        {"self-signed, off this machine", selfSigned, "", "", false, false, "本机信任的 CA"},
        {"self-signed, its certificate as CA file", selfSigned, certificates.selfSigned, "", false, true, ""},
        {"self-signed, its fingerprint", selfSigned, "", fingerprint, false, true, ""},
        {"self-signed, its fingerprint in lower case without colons", selfSigned, "", lowerHex(fingerprint), false,
         true, ""},
        {"self-signed, another fingerprint", selfSigned, "", wrongFingerprint, false, false,
         "fingerprint is " + lowerHex(fingerprint)},
        {"not a fingerprint", selfSigned, "", "AB:CD", false, false, "is not a SHA-256 fingerprint"},
        {"self-signed, clear text allowed: encrypted, unchecked", selfSigned, "", "", true, true, ""},
        {"not offered, off this machine", plainRemote, "", "", false, false, allowHint},
        {"not offered, off this machine, clear text allowed", plainRemote, "", "", true, false, ""},
        {"not offered, a fingerprint", plainRemote, "", fingerprint, true, false, "服务器不支持 TLS 加密"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MysqlSession session = openConnection(
            {c.server, "root", rootPassword(c.server), "", 0, c.caFile, false, c.fingerprint, c.allowUnencrypted});
        if (!c.refusal.empty()) {
            EXPECT_FALSE(session);
            EXPECT_EQ(session.lastErrorNumber(), 2026u);
            // As the window and kestrel-cli word it.
            const std::string said = texts::sessionFailure(session).toStdString();
            EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
            continue;
        }
        ASSERT_TRUE(session) << session.lastError();
        EXPECT_EQ(session.verifiesServer(), !c.caFile.empty() || !c.fingerprint.empty());
        // The server's side of the session agrees on the cipher.
        ASSERT_TRUE(executeSql(session, "SHOW SESSION STATUS LIKE 'Ssl_cipher'"));
        ResultSet status = storeResult(session);
        std::string serverCipher;
        readField(status, 1, serverCipher);
        EXPECT_EQ(session.tlsCipher(), serverCipher);
        EXPECT_EQ(serverCipher.empty(), !c.encrypted);
        EXPECT_EQ(session.tlsVersion().rfind("TLSv1.", 0) == 0, c.encrypted) << session.tlsVersion();
    }
}

// A server in the middle that offers no TLS and asks for the password in clear text gets nothing it could
// log in with: off this machine the client stops before it says who it is, on it before the password.
TEST(Encryption, AServerAskingForTheClearPasswordNeverGetsIt)
{
    const std::string password = "Geheim-7f3a";
    struct Case
    {
        const char* host;
        std::string refusal;
    };
    const Case cases[] = {
        {"127.0.0.1", "mysql_clear_password"},
        {"127.0.0.2", "--allow-unencrypted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        const std::string received = std::filesystem::temp_directory_path().string() + "/kestrel-fake-server-" +
                                     std::to_string(getpid()) + "-" + c.host;
        FILE* server = popen(
            ("python3 " + sourceDir() + "/tests/support/clear-password-server.py " + c.host + " " + received).c_str(),
            "r");
        ASSERT_NE(server, nullptr);
        char port[16] = {};
        ASSERT_NE(std::fgets(port, sizeof port, server), nullptr);
        MysqlSession session =
            openConnection({std::string(c.host) + ":" + std::to_string(std::stoi(port)), "root", password, "", 0, {}});
        EXPECT_FALSE(session);
        const std::string said = texts::sessionFailure(session).toStdString();
        EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
        pclose(server);
        std::ifstream file(received, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes.find(password), std::string::npos);
        std::remove(received.c_str());
    }
}

// Which servers may be reached without TLS, and which must prove themselves and how.
TEST(Encryption, OnlyThisMachineGoesWithoutACheckedCertificate)
{
    struct Case
    {
        std::string server, caFile, fingerprint;
        bool allowUnencrypted;
        Protection expected;
    };
    const Case cases[] = {
        {"", "", "", false, Protection::TlsWhenOffered},
        {"localhost", "", "", false, Protection::TlsWhenOffered},
        {"127.0.0.1:3307", "", "", false, Protection::TlsWhenOffered},
        {"[::1]:3307", "", "", false, Protection::TlsWhenOffered},
        {"127.0.0.2", "", "", false, Protection::SystemCas},
        {"localhost.example.org", "", "", false, Protection::SystemCas},
        {"db.example.org:3306", "", "", true, Protection::TlsWhenOffered},
        {"db.example.org", "ca.pem", "", true, Protection::CaFile},
        {"127.0.0.1", "ca.pem", "", false, Protection::CaFile},
        {"db.example.org", "ca.pem", std::string(64, 'a'), false, Protection::Fingerprint},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        ConnectionOptions options;
        options.server = c.server;
        options.caFile = c.caFile;
        options.tlsFingerprint = c.fingerprint;
        options.allowUnencrypted = c.allowUnencrypted;
        EXPECT_EQ(plannedProtection(options), c.expected);
    }
}
