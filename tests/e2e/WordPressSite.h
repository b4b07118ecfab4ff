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
    // `subdirectory`, such as "/blog", serves the blog below the site's root.
    WordPressSite(const std::string& database, const std::string& prefix, const QString& subdirectory = {});
    ~WordPressSite();
    WordPressSite(const WordPressSite&) = delete;
    WordPressSite& operator=(const WordPressSite&) = delete;

    // The blog's address, without a closing "/": "http://127.0.0.1:PORT" or ".../blog".
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

    // Runs a PHP file with this site's WordPress environment (database, address); gives what it printed.
    std::string runScript(const std::string& script, const QStringList& arguments);

    // Everything PHP logged so far.
    QString debugLog() const;

private:
    QTemporaryDir m_dir; // the log, and for a subdirectory the document root
    QString m_subdirectory;
    quint16 m_port = 0;
    QProcessEnvironment m_environment;
    QProcess m_server;
};

} // namespace kestrel::test
