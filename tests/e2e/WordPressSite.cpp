#include "WordPressSite.h"

#include "GuiTesting.h"
#include "TestServer.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace kestrel::test {

WordPressSite::WordPressSite(const std::string& database, const std::string& prefix, const QString& subdirectory)
    : m_subdirectory(subdirectory)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    m_port = probe.serverPort();
    probe.close();

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
    m_server.setProcessEnvironment(m_environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(QStringLiteral("php"),
                   {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("-t"),
                    documentRoot, source + QStringLiteral("/scripts/wordpress/router.php")});
    m_server.waitForStarted();
    waitUntil(
        [this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            return socket.waitForConnected(100);
        },
        10000);
}

WordPressSite::~WordPressSite()
{
    m_server.kill();
    m_server.waitForFinished();
}

QString WordPressSite::home() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + m_subdirectory;
}

std::pair<int, QString> WordPressSite::get(const QString& path)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(QUrl(home() + path)));
    waitUntil([reply] { return reply->isFinished(); }, 60000);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString body = QString::fromUtf8(reply->readAll());
    reply->deleteLater();
    return {status, body};
}

WordPressSite::Response WordPressSite::fetch(const QByteArray& url)
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl::fromEncoded(url, QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = network.get(request);
    waitUntil([reply] { return reply->isFinished(); }, 60000);
    Response response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.location = reply->rawHeader("Location");
    response.bytes = reply->readAll();
    response.body = QString::fromUtf8(response.bytes);
    reply->deleteLater();
    return response;
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
