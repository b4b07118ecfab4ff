// The blog's files: 2,000 images of 200 KB copied into an uploads folder, from a folder and over
// http through a relay that holds each direction for 20 ms (40 ms a round trip), against `cp -r`
// of the same folder and a sequential fetch (one file at a time) through the same relay.
//   bench_files [COUNT [DELAY_MS]]
#include "FileCopy.h"
#include "HttpSource.h"
#include "LatencyRelay.h"
#include "LocalSource.h"
#include "UploadsFolder.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using namespace kestrel;
using namespace kestrel::bench;

namespace {

constexpr qsizetype fileSize = 200 * 1024;

// A real JPEG, padded after its end to 200 KB with bytes of its own, as a photo's size would be.
QByteArray imageFile(int number)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(number % 360, 200, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    QRandomGenerator random(static_cast<quint32>(number));
    while (bytes.size() < fileSize)
        bytes.append(static_cast<char>(random.generate() & 0xFF));
    return bytes;
}

struct Timed
{
    double seconds = 0;
    int copied = 0;
    int failed = 0;
};

Timed copyAll(FileSource& source, const QString& uploads, const std::vector<std::string>& paths)
{
    QElapsedTimer timer;
    timer.start();
    UploadsFolder folder(uploads);
    Why error;
    folder.open(error);
    Timed timed;
    copyFiles(source, folder, paths,
              [&](const std::string&, PlacedFile file, const std::optional<Why>& why) {
                  if (file.uploadsPath.empty()) {
                      ++timed.failed;
                      if (timed.failed == 1 && why)
                          std::fprintf(stderr, "first failure: %s %s %s\n", codeName(why->code).data(),
                                       why->subject.c_str(), why->detail.c_str());
                  } else {
                      ++timed.copied;
                  }
              },
              {});
    folder.saveList(error);
    timed.seconds = timer.nsecsElapsed() / 1e9;
    return timed;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int delayMs = argc > 2 ? std::atoi(argv[2]) : 20;

    QTemporaryDir work;
    const QString blog = work.filePath(QStringLiteral("blog"));
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::string path = "content/uploadfile/2024" + std::string(i % 12 < 9 ? "0" : "") +
                                 std::to_string(i % 12 + 1) + "/" + std::to_string(100000 + i) + ".jpg";
        const QString file = blog + QLatin1Char('/') + QString::fromStdString(path);
        QDir().mkpath(QFileInfo(file).path());
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(imageFile(i));
        paths.push_back(path);
    }
    std::printf("%d images of %lld KB, %d ms each way through the relay\n", count,
                static_cast<long long>(fileSize / 1024), delayMs);

    QElapsedTimer timer;
    timer.start();
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), blog, work.filePath(QStringLiteral("cp-copy"))});
    const double cpSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-44s %8.2f s\n", "cp -r of the folder", cpSeconds);

    FileSettings settings;
    LocalSource folderSource(blog, settings);
    const Timed fromFolder = copyAll(folderSource, work.filePath(QStringLiteral("from-folder")), paths);
    std::printf("%-44s %8.2f s  (%d copied, %d failed; %.2fx cp -r)\n", "ours, from the folder", fromFolder.seconds,
                fromFolder.copied, fromFolder.failed, fromFolder.seconds / cpSeconds);

    // The folder served over HTTP/1.1 by Python, behind the relay.
    const quint16 port = freePort();
    QProcess server;
    server.setStandardErrorFile(QProcess::nullDevice());
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start(QStringLiteral("python3"),
                 {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("-p"), QStringLiteral("HTTP/1.1"),
                  QStringLiteral("-b"), QStringLiteral("127.0.0.1"), QStringLiteral("-d"), blog,
                  QString::number(port)});
    for (int i = 0; i < 100; ++i) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(100))
            break;
        QThread::msleep(50);
    }
    LatencyRelay relay("127.0.0.1", port, std::chrono::milliseconds(delayMs));
    const QUrl address(QStringLiteral("http://127.0.0.1:%1/").arg(relay.port()));

    HttpSource parallel(address, settings);
    const Timed overHttp = copyAll(parallel, work.filePath(QStringLiteral("over-http")), paths);
    std::printf("%-44s %8.2f s  (%d copied, %d failed, %d at once)\n", "ours, over http through the relay",
                overHttp.seconds, overHttp.copied, overHttp.failed, settings.parallel);

    settings.parallel = 1;
    HttpSource oneByOne(address, settings);
    const Timed sequential = copyAll(oneByOne, work.filePath(QStringLiteral("sequential")), paths);
    std::printf("%-44s %8.2f s  (%d copied, %d failed; ours is %.1fx faster)\n", "sequential fetch through the relay",
                sequential.seconds, sequential.copied, sequential.failed, sequential.seconds / overHttp.seconds);

    // A run again finds every file in place and fetches none.
    const Timed again = copyAll(parallel, work.filePath(QStringLiteral("over-http")), {});
    (void)again;
    server.kill();
    server.waitForFinished();
    return 0;
}
