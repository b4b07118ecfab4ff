#pragma once

#include "Sessions.h"

#include <QString>

#include <string>

namespace kestrel {

// What a run is handed when it starts: the fields as typed in the window, or as given on the command line.
struct RunSettings
{
    ConnectionFields emlog;
    ConnectionFields wordPress;
    std::string emlogPrefix;
    std::string wordPressPrefix;
    bool emptyWordPressFirst = false;
    // When not empty, emlog's rows come from this backup file and emlog's server fields are not used.
    std::string emlogBackup;
    bool acceptTruncatedBackup = false;

    // The window's fields as it first shows them, and so the command line's defaults.
    static RunSettings initial();
};

// The question asked before a run starts, by the window before every run and by the command line before emptying.
QString runConfirmationQuestion();

// A table prefix goes into statements as typed: only letters, digits, '_' and '$' are safe there.
bool isValidTablePrefix(const QString& prefix);

} // namespace kestrel
