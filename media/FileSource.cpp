#include "FileSource.h"

#include "HttpSource.h"
#include "LocalSource.h"

#include <QFileInfo>
#include <QUrl>

namespace kestrel {

std::unique_ptr<FileSource> openFileSource(const std::string& where, const FileSettings& settings, Why& why)
{
    const QString text = QString::fromUtf8(where.data(), static_cast<qsizetype>(where.size()));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (url.host().isEmpty()) {
            why = {Why::Code::noHost, where, {}};
            return nullptr;
        }
        return std::make_unique<HttpSource>(url, settings);
    }
    // "C:/blog" has a scheme of one letter: a Windows drive, not an address.
    if (scheme.size() > 1 && text.contains(QStringLiteral("://"))) {
        why = {Why::Code::notHttp, where, {}};
        return nullptr;
    }
    if (!QFileInfo(text).isDir()) {
        why = {Why::Code::noSuchFolder, where, {}};
        return nullptr;
    }
    return std::make_unique<LocalSource>(text, settings);
}

} // namespace kestrel
