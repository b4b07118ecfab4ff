#include "FolderServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace kestrel::test {

FolderServer::FolderServer(const QString& folder)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    m_port = probe.serverPort();
    probe.close();
    // It logs every request on its standard error.
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("python3"),
                   {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("-p"),
                    QStringLiteral("HTTP/1.1"), QStringLiteral("-b"), QStringLiteral("127.0.0.1"), QStringLiteral("-d"),
                    folder, QString::number(m_port)});
    m_server.waitForStarted();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(100))
            break;
        QThread::msleep(50);
    }
}

FolderServer::~FolderServer()
{
    stop();
}

QString FolderServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void FolderServer::stop()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

} // namespace kestrel::test
