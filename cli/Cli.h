#pragma once

#include <QStringList>

namespace kestrel {

// The whole of kestrel-cli: reads the options, finds the passwords, then
// checks or runs; gives the exit status. Needs a QCoreApplication.
int runCommandLine(const QStringList& arguments);

} // namespace kestrel
