#pragma once

#include <QString>

// The report goes to standard output, everything else (progress, questions'
// surroundings, errors) to standard error: a script can keep the report apart.
namespace kestrel::output {

// Both without control characters (see printable()).
void toStdout(const QString& text);
void toStderr(const QString& text);
// Draws a line of standard error (a terminal) anew in place.
void redrawOnStderr(const QString& text);

// The text without control characters but line ends and tabs.
QString printable(const QString& text);

} // namespace kestrel::output
