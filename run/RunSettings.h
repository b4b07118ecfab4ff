#pragma once

#include "FileSettings.h"

#include <QString>

#include <string>

namespace kestrel {

// What the user typed for one blog's database.
struct ConnectionFields
{
    std::string server;
    std::string user;
    std::string password;
    std::string database;
    // A CA certificate file the server must prove itself with; empty for none.
    std::string caFile = {};
};

// What a run is handed when it starts: the fields as typed in the window, or as given on the command line.
struct RunSettings
{
    ConnectionFields emlog;
    ConnectionFields wordPress;
    std::string emlogPrefix;
    std::string wordPressPrefix;
    bool emptyWordPressFirst = false;
    FileSettings files;

    // The window's fields as it first shows them, and so the command line's defaults.
    static RunSettings initial();
};

// The question asked before a run starts, by the window before every run and by the command line before emptying.
QString runConfirmationQuestion();

// A table prefix goes into statements as typed: only letters, digits, '_' and '$' are safe there.
bool isValidTablePrefix(const QString& prefix);

} // namespace kestrel
