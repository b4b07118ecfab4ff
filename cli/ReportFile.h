#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <memory>

namespace kestrel {

// The JSON report's file. It is written to a new file of its own beside the path, readable only by its
// owner, which then takes the path's place: a symbolic link there is replaced, never followed, and a
// reader never sees half a report.
class ReportFile
{
public:
    // Makes the new file; false with the reason when the folder cannot take it. Done before a run, so that
    // a report that could not be written stops the run before anything changes.
    bool open(const QString& path, QString& error);
    // Writes the report and puts it at the path.
    bool commit(const QByteArray& contents, QString& error);

private:
    QString m_path;
    std::unique_ptr<QTemporaryFile> m_file;
};

} // namespace kestrel
