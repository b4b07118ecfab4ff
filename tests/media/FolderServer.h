#pragma once

#include <QProcess>
#include <QString>

namespace kestrel::test {

// A folder served over HTTP/1.1 on a free port of 127.0.0.1 by Python's http.server, for as
// long as this lives or until stop().
class FolderServer
{
public:
    explicit FolderServer(const QString& folder);
    ~FolderServer();
    FolderServer(const FolderServer&) = delete;
    FolderServer& operator=(const FolderServer&) = delete;

    QString address() const; // "http://127.0.0.1:PORT"
    quint16 port() const { return m_port; }
    void stop();

private:
    quint16 m_port = 0;
    QProcess m_server;
};

} // namespace kestrel::test
