#include "ReportFile.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace kestrel {

bool ReportFile::open(const QString& path, QString& error)
{
    m_path = path;
    const QFileInfo info(path);
    // QTemporaryFile makes the file anew (never through a link), readable and writable by its owner only.
    m_file = std::make_unique<QTemporaryFile>(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                              QStringLiteral(".XXXXXX"));
    if (!m_file->open()) {
        error = m_file->errorString();
        m_file.reset();
        return false;
    }
    return true;
}

bool ReportFile::commit(const QByteArray& contents, QString& error)
{
    if (!m_file)
        return false;
    if (m_file->write(contents) != contents.size() || !m_file->flush()) {
        error = m_file->errorString();
        return false;
    }
    m_file->close();
    // The owner's alone, whatever the umask or the platform's default made of it.
    m_file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A rename replaces what is at the path, a link included, and never writes through it.
    std::error_code renameError;
    std::filesystem::rename(m_file->fileName().toStdU16String(), m_path.toStdU16String(), renameError);
    if (renameError) {
        error = QString::fromStdString(renameError.message());
        return false;
    }
    m_file->setAutoRemove(false);
    m_file.reset();
    return true;
}

} // namespace kestrel
