#include "UploadsFolder.h"

#include "BlogPaths.h"
#include "TextHelpers.h"

#include <QCryptographicHash>
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

// "a/b/x.jpg" -> "a/b/x-N.jpg"
std::string numbered(const std::string& path, int number)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const auto at = (dot == std::string::npos || (slash != std::string::npos && dot < slash)) ? path.size() : dot;
    return path.substr(0, at) + "-" + std::to_string(number) + path.substr(at);
}

} // namespace

UploadsFolder::UploadsFolder(const QString& root) : m_root(QDir::cleanPath(QDir(root).absolutePath())) {}

QByteArray UploadsFolder::hashOf(const QByteArray& bytes)
{
    // BLAKE2b: as safe a fingerprint as SHA-256, and several times faster in Qt's own code.
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

QString UploadsFolder::listPath() const
{
    return m_root + QStringLiteral("/emlog/.kestrel-files");
}

bool UploadsFolder::open(std::string& error)
{
    if (!QDir().mkpath(m_root)) {
        error = "cannot make the uploads folder " + m_root.toStdString();
        return false;
    }
    QFile list(listPath());
    if (QFileInfo(listPath()).isSymLink() || !list.open(QIODevice::ReadOnly))
        return true; // no earlier run
    // One line per file: blog path, path in the uploads folder, size, BLAKE2b-256 (SHA-256 in lists before it), tab-separated.
    while (!list.atEnd()) {
        const QList<QByteArray> fields = list.readLine().trimmed().split('\t');
        if (fields.size() != 4 || !isSafeName(fields[1].toStdString()))
            continue;
        m_placed[fields[0].toStdString()] = {fields[1].toStdString(), fields[2].toLongLong(), fields[3]};
        m_blogPathOf[fields[1].toStdString()] = fields[0].toStdString();
    }
    return true;
}

QString UploadsFolder::safePath(const std::string& uploadsPath, std::string& error, bool makeFolders) const
{
    if (!isSafeName(uploadsPath)) {
        error = "unsafe name \"" + uploadsPath + "\"";
        return {};
    }
    QString path = m_root;
    const std::vector<std::string> pieces = splitText(uploadsPath, '/');
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        path += QLatin1Char('/') + fromUtf8(pieces[i]);
        const QFileInfo info(path);
        if (info.isSymLink()) {
            error = "\"" + uploadsPath + "\" passes through a symbolic link";
            return {};
        }
        if (i + 1 < pieces.size() && !info.exists() && makeFolders && !QDir().mkdir(path)) {
            error = "cannot make the folder " + path.toStdString();
            return {};
        }
    }
    return path;
}

const UploadsFolder::Placed* UploadsFolder::placedEarlier(const std::string& blogPath)
{
    const auto found = m_placed.find(blogPath);
    if (found == m_placed.end())
        return nullptr;
    std::string error;
    const QString path = safePath(found->second.uploadsPath, error, false);
    Placed& placed = found->second;
    if (path.isEmpty() || QFileInfo(path).size() != placed.size)
        return nullptr;
    const QByteArray bytes = read(placed.uploadsPath);
    QByteArray hash = hashOf(bytes);
    if (hash != placed.blake2b) {
        // Listed by a run from before the hash was BLAKE2b: its SHA-256, listed from now on as BLAKE2b.
        if (QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() != placed.blake2b)
            return nullptr;
        placed.blake2b = std::move(hash);
    }
    return &placed;
}

QByteArray UploadsFolder::read(const std::string& uploadsPath) const
{
    std::string error;
    QFile file(safePath(uploadsPath, error, false));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string UploadsFolder::place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                                 std::string& error)
{
    return place(blogPath, wanted, bytes, hashOf(bytes), error);
}

std::string UploadsFolder::place(const std::string& blogPath, const std::string& wanted, const QByteArray& bytes,
                                 const QByteArray& hash, std::string& error)
{
    for (int number = 0; number < 1000; ++number) {
        const std::string name = number == 0 ? wanted : numbered(wanted, number);
        const QString path = safePath(name, error, true);
        if (path.isEmpty())
            return {};
        const QFileInfo info(path);
        // Another file holds the name: a different one keeps it, the same one is taken as it is.
        const auto owner = m_blogPathOf.find(name);
        const bool taken = owner != m_blogPathOf.end() && owner->second != blogPath;
        if (info.exists() && (taken || !info.isFile() || info.size() != bytes.size() || hashOf(read(name)) != hash))
            continue;
        // Written under another name first and then renamed, so that a file cut off halfway is
        // never taken for a whole one.
        if (!info.exists()) {
            QFile file(path + QStringLiteral(".part"));
            if (QFileInfo(file.fileName()).isSymLink() || file.exists())
                file.remove(); // a link left there is removed, never followed
            const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                                 file.write(bytes) == bytes.size() && file.flush();
            file.close();
            if (!written || !file.rename(path)) {
                error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
                file.remove();
                return {};
            }
        }
        m_placed[blogPath] = {name, bytes.size(), hash};
        m_blogPathOf[name] = blogPath;
        return name;
    }
    error = "no free name for " + wanted;
    return {};
}

bool UploadsFolder::saveList(std::string& error) const
{
    if (m_placed.empty())
        return true;
    if (safePath("emlog/.kestrel-files", error, true).isEmpty())
        return false;
    QSaveFile list(listPath());
    if (!list.open(QIODevice::WriteOnly)) {
        error = "cannot write " + listPath().toStdString();
        return false;
    }
    for (const auto& [blogPath, placed] : m_placed) {
        // A name holding a tab or a line break cannot be listed; it is copied again next time.
        if (blogPath.find_first_of("\t\r\n") != std::string::npos ||
            placed.uploadsPath.find_first_of("\t\r\n") != std::string::npos)
            continue;
        list.write(QByteArray::fromStdString(blogPath + "\t" + placed.uploadsPath + "\t" + std::to_string(placed.size) +
                                             "\t") +
                   placed.blake2b + "\n");
    }
    return list.commit();
}

} // namespace kestrel
