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

QByteArray LocalSource::read(const std::string& blogPath, std::optional<Why>& why) const
{
    std::string below = blogPath;
    if (m_uploadsOnly) {
        if (blogPath.rfind(uploadFolder, 0) != 0) {
            why = Why{Why::Code::onlyUploadFolder, blogPath, {}};
            return {};
        }
        below = blogPath.substr(uploadFolder.size());
    }
    const QString path = m_root + QLatin1Char('/') + QString::fromUtf8(below.data(), qsizetype(below.size()));
    const QFileInfo info(path);
    if (!info.exists()) {
        why = Why{Why::Code::noSuchFile, path.toStdString(), {}};
        return {};
    }
    // A link in the blog's folder may lead anywhere on this machine: only what stays inside is read.
    const QString real = info.canonicalFilePath();
    if (!real.startsWith(m_root + QLatin1Char('/')) || !info.isFile()) {
        why = Why{Why::Code::outsideBlogFolder, path.toStdString(), {}};
        return {};
    }
    if (info.size() > m_sizeLimit) {
        why = Why{Why::Code::tooLarge, std::to_string(m_sizeLimit), {}};
        return {};
    }
    QFile file(real);
    if (!file.open(QIODevice::ReadOnly)) {
        why = Why{Why::Code::cannotRead, path.toStdString(), file.errorString().toStdString()};
        return {};
    }
    return file.readAll();
}

void LocalSource::fetch(const std::vector<std::string>& blogPaths, const Arrived& arrived, std::stop_token stop)
{
    for (std::size_t i = 0; i < blogPaths.size() && !stop.stop_requested(); ++i) {
        std::optional<Why> why;
        const QByteArray bytes = read(blogPaths[i], why);
        arrived(i, bytes, why);
    }
}

} // namespace kestrel
