#include "WordPressSite.h"

#include "GuiTesting.h"
#include "TestServer.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <csignal>

#include <unistd.h>

namespace kestrel::test {

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

void waitForPort(quint16 port)
{
    waitUntil(
        [port] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            return socket.waitForConnected(100);
        },
        10000);
}

// Requests of the tests trust the test CA, as Kestrel is told to with --wp-ca.
QNetworkRequest requestFor(const QUrl& url)
{
    QNetworkRequest request(url);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(QString::fromStdString(testCertificates().ca)));
    request.setSslConfiguration(tls);
    return request;
}

WordPressSite::Response responseOf(QNetworkReply* reply)
{
    waitUntil([reply] { return reply->isFinished(); }, 60000);
    WordPressSite::Response response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.location = reply->rawHeader("Location");
    response.bytes = reply->readAll();
    response.body = QString::fromUtf8(response.bytes);
    reply->deleteLater();
    return response;
}

} // namespace

WordPressSite::WordPressSite(const std::string& database, const std::string& prefix, const QString& subdirectory,
                             Served served, const QStringList& environment)
    : m_subdirectory(subdirectory)
{
    m_port = freePort();
    if (served == Served::BehindTls)
        m_tlsPort = freePort();

    const QString root = qEnvironmentVariable("KESTREL_WORDPRESS_ROOT");
    QString documentRoot = root;
    if (!subdirectory.isEmpty()) {
        documentRoot = m_dir.path();
        QFile::link(root, m_dir.path() + subdirectory);
    }
    const QString source = QString::fromStdString(sourceDir());
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("WP_ROOT"), root);
    m_environment.insert(QStringLiteral("WP_DB_HOST"), QString::fromStdString(testServer().address()));
    m_environment.insert(QStringLiteral("WP_DB_NAME"), QString::fromStdString(database));
    m_environment.insert(QStringLiteral("WP_DB_PASSWORD_FILE"), QString::fromStdString(testServer().passwordFile));
    m_environment.insert(QStringLiteral("WP_TABLE_PREFIX"), QString::fromStdString(prefix));
    m_environment.insert(QStringLiteral("WP_HOME"), home());
    m_environment.insert(QStringLiteral("WP_SUBDIRECTORY"), subdirectory);
    m_environment.insert(QStringLiteral("WP_PLUGIN_DIR"), source + QStringLiteral("/wordpress-plugin"));
    m_environment.insert(QStringLiteral("WP_DEBUG"), QStringLiteral("1"));
    m_environment.insert(QStringLiteral("WP_DEBUG_LOG"), m_dir.filePath(QStringLiteral("debug.log")));
    if (m_tlsPort != 0)
        m_environment.insert(QStringLiteral("WP_BEHIND_TLS"), QStringLiteral("1"));
    for (const QString& setting : environment)
        m_environment.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    m_server.setProcessEnvironment(m_environment);
    // Both servers log each connection. Nobody reads a pipe while a run is waited for, and a server whose
    // pipe is full stops answering: their words go to files beside the site.
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(m_dir.filePath(QStringLiteral("php-server.log")));
    // A group of its own, which goes whole: a site of several workers (PHP_CLI_SERVER_WORKERS) would
    // otherwise leave them behind, holding the port.
    m_server.setChildProcessModifier([] { setpgid(0, 0); });
    m_server.start(QStringLiteral("php"),
                   {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("-t"),
                    documentRoot, source + QStringLiteral("/scripts/wordpress/router.php")});
    m_server.waitForStarted();
    waitForPort(m_port);
    if (m_tlsPort == 0)
        return;
    startTls(m_relay, QStringLiteral("stunnel.conf"), m_tlsPort, m_port);
}

// stunnel with its own settings: when PHP's server closes, it waits for the client's close_notify before it
// closes too, as many hosts' TLS terminators do.
void WordPressSite::startTls(QProcess& relay, const QString& name, quint16 port, quint16 to)
{
    const TestCertificates& certificates = testCertificates();
    QFile configuration(m_dir.filePath(name));
    configuration.open(QIODevice::WriteOnly);
    configuration.write(
        QStringLiteral("foreground = yes\npid =\n[wordpress]\naccept = 127.0.0.1:%1\n"
                       "connect = 127.0.0.1:%2\ncert = %3\nkey = %4\n")
            .arg(port)
            .arg(to)
            .arg(QString::fromStdString(certificates.serverCertificate), QString::fromStdString(certificates.serverKey))
            .toUtf8());
    configuration.close();
    relay.setProcessChannelMode(QProcess::MergedChannels);
    relay.setStandardOutputFile(m_dir.filePath(name + QStringLiteral(".log")));
    relay.start(QStringLiteral("stunnel4"), {configuration.fileName()});
    relay.waitForStarted();
    waitForPort(port);
}

QString WordPressSite::keptAliveHome()
{
    if (m_frontPort == 0) {
        m_frontPort = freePort();
        m_front.setProcessChannelMode(QProcess::MergedChannels);
        m_front.setStandardOutputFile(m_dir.filePath(QStringLiteral("front.log")));
        m_front.start(QStringLiteral("python3"),
                      {QString::fromStdString(sourceDir()) + QStringLiteral("/scripts/wordpress/keep-alive.py"),
                       QString::number(m_frontPort), QString::number(m_port)});
        m_front.waitForStarted();
        waitForPort(m_frontPort);
        m_frontTlsPort = freePort();
        startTls(m_frontTls, QStringLiteral("stunnel-front.conf"), m_frontTlsPort, m_frontPort);
    }
    return QStringLiteral("https://127.0.0.1:%1").arg(m_frontTlsPort) + m_subdirectory;
}

int WordPressSite::connectionsKeptAlive() const
{
    QFile log(m_dir.filePath(QStringLiteral("front.log")));
    return log.open(QIODevice::ReadOnly) ? static_cast<int>(log.readAll().count("connection\n")) : 0;
}

WordPressSite::~WordPressSite()
{
    for (QProcess* process : {&m_frontTls, &m_front}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished();
        }
    }
    if (m_tlsPort != 0) {
        m_relay.kill();
        m_relay.waitForFinished();
    }
    if (m_server.processId() > 0)
        ::kill(-static_cast<pid_t>(m_server.processId()), SIGKILL);
    m_server.kill();
    m_server.waitForFinished();
}

QString WordPressSite::home() const
{
    if (m_tlsPort != 0)
        return QStringLiteral("https://127.0.0.1:%1").arg(m_tlsPort) + m_subdirectory;
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + m_subdirectory;
}

std::pair<int, QString> WordPressSite::get(const QString& path)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(requestFor(QUrl(home() + path)));
    waitUntil([reply] { return reply->isFinished(); }, 60000);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString body = QString::fromUtf8(reply->readAll());
    reply->deleteLater();
    return {status, body};
}

WordPressSite::Response WordPressSite::fetch(const QByteArray& url)
{
    QNetworkAccessManager network;
    QNetworkRequest request = requestFor(QUrl::fromEncoded(url, QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return responseOf(network.get(request));
}

WordPressSite::Response WordPressSite::post(const QString& path, const QByteArray& json,
                                            const QByteArray& authorization)
{
    QNetworkAccessManager network;
    QNetworkRequest request = requestFor(QUrl(home() + path));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    return responseOf(network.post(request, json));
}

std::string WordPressSite::runScript(const std::string& script, const QStringList& arguments)
{
    QProcess php;
    php.setProcessEnvironment(m_environment);
    php.start(QStringLiteral("php"), QStringList{QString::fromStdString(script)} + arguments);
    php.waitForFinished(60000);
    EXPECT_EQ(php.exitCode(), 0) << script << ": " << php.readAllStandardError().toStdString();
    return php.readAllStandardOutput().toStdString();
}

QString WordPressSite::debugLog() const
{
    QFile log(m_dir.filePath(QStringLiteral("debug.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

} // namespace kestrel::test
