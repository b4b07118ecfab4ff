#pragma once

#include "RunSettings.h"

#include <QString>
#include <QStringList>

namespace kestrel {

// What the command line asks for. Passwords are not among the options: every
// user of the machine sees a program's arguments.
struct CommandLine
{
    enum class Outcome {
        Go,        // options understood: check or run
        Answered,  // --help or --version printed their text
        UsageError // `error` says what was wrong
    };
    Outcome outcome = Outcome::Go;
    QString error;

    RunSettings settings = RunSettings::initial();
    QString emlogPasswordFile;
    QString wordPressPasswordFile;
    bool noPacing = false;
    bool check = false;
    bool verify = false;
    std::string site; // --wp-site: where WordPress is served, when not at its home address
    QString htmlFile;
    bool yes = false;
    QString jsonFile;
};

// Reads GNU-style options (`--name=value` or `--name value`); the first argument is the program.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace kestrel
