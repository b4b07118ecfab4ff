#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <map>
#include <string>

namespace kestrel::test {

// Real files of each kind, made here: JPEG, PNG and BMP by Qt, a GIF and a PDF by hand.
QByteArray imageBytes(const QSize& size, const char* format, Qt::GlobalColor colour = Qt::darkCyan);
QByteArray gifBytes();
QByteArray pdfBytes();

// The files of the sample blog (scripts/sample) under a blog root: every attachment's and 微语's file but
// content/uploadfile/200902/emlog-backup.zip, the faces (photos, an avatar, the template's logo and favicon),
// a link's icon, and the emoticon admin/editor/plugins/emoticons/images/1.gif.
// Gives their contents by path below the root.
std::map<std::string, QByteArray> writeSampleBlogFiles(const QString& root);

void writeFile(const QString& path, const QByteArray& bytes);

} // namespace kestrel::test
