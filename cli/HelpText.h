#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace kestrel {

// What kestrel-cli --help prints: the usage line, the description, then each option beside its
// text, in lines of at most `width` terminal columns. A line breaks only where text may break (between
// words, or beside a Han character, never before a closing mark such as "，"), and a wide character
// counts two columns, as a terminal draws it.
QString helpText(const QString& description, const QList<QCommandLineOption>& options, int width = 80);

// The columns a text takes on a terminal: two for each East Asian wide or full-width character.
int displayWidth(QStringView text);
// `text` in lines of at most `width` columns, broken only where it may break; a piece wider than
// `width` with nowhere to break stays whole on a line of its own.
QStringList wrapped(const QString& text, int width);

} // namespace kestrel
