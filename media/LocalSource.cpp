#include "LocalSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kestrel {

namespace {

constexpr std::string_view uploadFolder = "content/uploadfile/";

} // namespace

LocalSource::LocalSource(const QString& folder, const FileSettings& settings)
    : m_root(QFileInfo(folder).canonicalFilePath()), m_sizeLimit(settings.sizeLimit)
{
    m_uploadsOnly = !QFileInfo(m_root + QStringLiteral("/content/uploadfile")).isDir();
}

QByteArray LocalSource::read(const std::string& blogPath, std::string& error) const
{
    std::string below = blogPath;
    if (m_uploadsOnly) {
        if (blogPath.rfind(uploadFolder, 0) != 0) {
            error = "only emlog's content/uploadfile folder was given";
            return {};
        }
        below = blogPath.substr(uploadFolder.size());
    }
    const QString path = m_root + QLatin1Char('/') + QString::fromUtf8(below.data(), qsizetype(below.size()));
    const QFileInfo info(path);
    if (!info.exists()) {
        error = "no such file: " + path.toStdString();
        return {};
    }
    // A link in the blog's folder may lead anywhere on this machine: only what stays inside is read.
    const QString real = info.canonicalFilePath();
    if (!real.startsWith(m_root + QLatin1Char('/')) || !info.isFile()) {
        error = "not a file inside the blog's folder: " + path.toStdString();
        return {};
    }
    if (info.size() > m_sizeLimit) {
        error = "larger than the limit of " + std::to_string(m_sizeLimit) + " bytes";
        return {};
    }
    QFile file(real);
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
        return {};
    }
    return file.readAll();
}

void LocalSource::fetch(const std::vector<std::string>& blogPaths, const Arrived& arrived, std::stop_token stop)
{
    for (std::size_t i = 0; i < blogPaths.size() && !stop.stop_requested(); ++i) {
        std::string error;
        const QByteArray bytes = read(blogPaths[i], error);
        arrived(i, bytes, error);
    }
}

} // namespace kestrel
