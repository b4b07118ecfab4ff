#include "LocalUploads.h"

#include "TextHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kestrel {

namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

LocalUploads::LocalUploads(const QString& root) : m_root(QDir::cleanPath(QDir(root).absolutePath())) {}

bool LocalUploads::open(Why& why)
{
    if (QDir().mkpath(m_root))
        return true;
    why = {Why::Code::cannotMakeFolder, m_root.toStdString(), {}};
    return false;
}

QString LocalUploads::safePath(const std::string& name, Why& why, bool makeFolders) const
{
    QString path = m_root;
    const std::vector<std::string> pieces = splitText(name, '/');
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        path += QLatin1Char('/') + fromUtf8(pieces[i]);
        const QFileInfo info(path);
        if (info.isSymLink()) {
            why = {Why::Code::throughLink, name, {}};
            return {};
        }
        if (i + 1 < pieces.size() && !info.exists() && makeFolders && !QDir().mkdir(path)) {
            why = {Why::Code::cannotMakeFolder, path.toStdString(), {}};
            return {};
        }
    }
    return path;
}

bool LocalUploads::look(const std::string& name, Entry& entry, Why& why)
{
    const QString path = safePath(name, why, false);
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    entry = {info.exists(), info.isFile(), info.isFile() ? info.size() : 0, {}};
    return true;
}

QByteArray LocalUploads::read(const std::string& name)
{
    Why why;
    const QString path = safePath(name, why, false);
    if (path.isEmpty())
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool LocalUploads::write(const std::string& name, const QByteArray& bytes, Why& why)
{
    const QString path = safePath(name, why, true);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).exists()) {
        why = {Why::Code::nameTaken, name, {}};
        return false;
    }
    // Written under another name first and then renamed, so that a file cut off halfway is
    // never taken for a whole one.
    QFile file(path + QStringLiteral(".part"));
    if (QFileInfo(file.fileName()).isSymLink() || file.exists())
        file.remove(); // a link left there is removed, never followed
    const bool written =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written || !file.rename(path)) {
        why = {Why::Code::cannotWrite, path.toStdString(), file.errorString().toStdString()};
        file.remove();
        return false;
    }
    return true;
}

bool LocalUploads::replace(const std::string& name, const QByteArray& bytes, Why& why)
{
    const QString path = safePath(name, why, true);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        why = {Why::Code::cannotWrite, path.toStdString(), {}};
        return false;
    }
    return true;
}

} // namespace kestrel
