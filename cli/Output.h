#pragma once

#include <QString>

// The report goes to standard output, everything else (progress, questions'
// surroundings, errors) to standard error: a script can keep the report apart.
namespace kestrel::output {

void toStdout(const QString& text);
void toStderr(const QString& text);

} // namespace kestrel::output
