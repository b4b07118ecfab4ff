// The files rows show, asked of a small site on this thread's own event loop: without emlog's bytes to
// compare only a status is asked for, a file is reported only when a reader's GET fails too, and each
// address is asked once.
#include "FileChecks.h"

#include "MigrationRun.h"
#include "MysqlSession.h"
#include "VerifyContext.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <map>

using namespace kestrel;

namespace {

// Answers each request with the status its path and method are given, and remembers what it was asked.
class TinySite
{
public:
    explicit TinySite(std::map<std::string, int> statuses) : m_statuses(std::move(statuses))
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }
    const std::vector<std::string>& asked() const { return m_asked; }

private:
    void answer(QTcpSocket* socket)
    {
        m_pending[socket] += socket->readAll();
        if (!m_pending[socket].contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = m_pending[socket].split(' ');
        const std::string request = words.value(0).toStdString() + " " + words.value(1).toStdString();
        m_asked.push_back(request);
        const auto status = m_statuses.find(request);
        const int code = status != m_statuses.end() ? status->second : 404;
        const QByteArray body = "picture";
        socket->write("HTTP/1.1 " + QByteArray::number(code) +
                      " X\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                      (words.value(0) == "HEAD" ? QByteArray() : body));
        socket->disconnectFromHost();
        m_pending.erase(socket);
    }

    QTcpServer m_server;
    std::map<std::string, int> m_statuses; // "GET /a.jpg" -> status
    std::map<QTcpSocket*, QByteArray> m_pending;
    std::vector<std::string> m_asked;
};

} // namespace

TEST(FileChecks, EachAddressAskedOnceAndAHeadsWordCheckedWithAGetBeforeAFinding)
{
    static int argc = 1;
    static char name[] = "verify_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    struct Case
    {
        std::string path;
        int head, get;
        std::vector<std::string> asked; // in order
        bool reported;
    };
    const Case cases[] = {
        {"/here.jpg", 200, 200, {"HEAD /here.jpg"}, false},
        {"/no-head.jpg", 405, 200, {"HEAD /no-head.jpg", "GET /no-head.jpg"}, false},
        {"/gone.jpg", 404, 404, {"HEAD /gone.jpg", "GET /gone.jpg"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TinySite site({{"HEAD " + c.path, c.head}, {"GET " + c.path, c.get}});
        MysqlSession emlog, wordPress;
        MigrationRun run(emlog, wordPress);
        const VerifySettings settings;
        Verification result;
        VerifyContext verify(run, settings, result);
        verify.site = QUrl(site.address());
        verify.home = site.address().toStdString();
        verify.fetcher.setServedSite(ServedSite(verify.home, verify.site));
        FileChecks files(verify);
        files.add("posts", 7, verify.home + c.path);
        files.check();
        // The same file as an attachment's: not asked again, and reported for that row too.
        FileChecks attachments(verify);
        attachments.add("attachments", 3, verify.home + c.path);
        attachments.check();
        EXPECT_EQ(site.asked(), c.asked);
        ASSERT_EQ(result.findings.size(), c.reported ? 2u : 0u);
        if (!c.reported)
            continue;
        const std::pair<std::string, std::int64_t> rows[] = {{"posts", 7}, {"attachments", 3}};
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            EXPECT_EQ(result.findings[i].kind, rows[i].first);
            EXPECT_EQ(result.findings[i].emlogId, rows[i].second);
            EXPECT_EQ(result.findings[i].check, "file");
            EXPECT_EQ(result.findings[i].seen, "HTTP 404");
        }
    }
}
