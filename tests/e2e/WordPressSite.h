#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <string>
#include <utility>

namespace kestrel::test {

// WordPress served by PHP's own web server on a free port of 127.0.0.1, for as long as this lives.
// Every address that is not a file reaches WordPress's index.php (scripts/wordpress/router.php), as
// with Apache's rewrite rules; plugins come from the project's wordpress-plugin/ folder, and PHP's
// warnings, notices and deprecations go to a log of this site's own (debugLog()).
class WordPressSite
{
public:
    enum class Served {
        Plain,
        // Over HTTPS only, by stunnel in front of PHP's server, with the test CA's certificate for 127.0.0.1
        // (testCertificates()), as a host whose proxy ends TLS.
        BehindTls,
    };
    // `subdirectory`, such as "/blog", serves the blog below the site's root.
    // `environment` ("NAME=value") goes to PHP's server too, such as WP_TEST_HOOKS (see wp-config.php).
    WordPressSite(const std::string& database, const std::string& prefix, const QString& subdirectory = {},
                  Served served = Served::Plain, const QStringList& environment = {});
    ~WordPressSite();
    WordPressSite(const WordPressSite&) = delete;
    WordPressSite& operator=(const WordPressSite&) = delete;

    // The blog's address, without a closing "/": "http://127.0.0.1:PORT" or ".../blog" (https behind TLS).
    QString home() const;

    // GETs a page, following redirects; gives the HTTP status and the body.
    std::pair<int, QString> get(const QString& path);

    struct Response
    {
        int status = 0;
        QByteArray location; // the Location header as sent
        QString body;
        QByteArray bytes; // the body as sent
    };
    // One GET of an address as written (percent-encoding kept), redirects not followed.
    Response fetch(const QByteArray& url);

    // One POST of a JSON body, with an Authorization header when one is given; redirects not followed.
    Response post(const QString& path, const QByteArray& json, const QByteArray& authorization = {});

    // Runs a PHP file with this site's WordPress environment (database, address); gives what it printed.
    std::string runScript(const std::string& script, const QStringList& arguments);

    // Everything PHP logged so far.
    QString debugLog() const;

    // The site behind TLS again, this time with a front between stunnel and PHP's server that keeps each
    // client's connection open between requests, where an answer carries its length (as Apache or nginx
    // do before PHP): its https address, started on first use. connectionsKeptAlive() is how many
    // connections have been opened to the front so far (a look whether it listens among them).
    QString keptAliveHome();
    int connectionsKeptAlive() const;

private:
    void startTls(QProcess& relay, const QString& name, quint16 port, quint16 to);

    QTemporaryDir m_dir; // the log, and for a subdirectory the document root
    QString m_subdirectory;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0; // stunnel's, when served behind TLS
    QProcessEnvironment m_environment;
    QProcess m_server;
    QProcess m_relay;
    quint16 m_frontPort = 0;
    quint16 m_frontTlsPort = 0;
    QProcess m_front;
    QProcess m_frontTls;
};

} // namespace kestrel::test
