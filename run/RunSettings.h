#pragma once

#include "EmptyingPlan.h"
#include "FileSettings.h"

#include <QString>

#include <optional>

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
    // The SHA-256 fingerprint of the server's certificate, and whether clear text is allowed (see ConnectionOptions).
    std::string tlsFingerprint = {};
    bool allowUnencrypted = false;
};

// What a run is handed when it starts: the fields as typed in the window, or as given on the command line.
struct RunSettings
{
    ConnectionFields emlog;
    ConnectionFields wordPress;
    std::string emlogPrefix;
    std::string wordPressPrefix;
    // When not empty, WordPress is reached at this web address through its Kestrel Receiver plugin, with
    // wordPress's user (an administrator), application password and certificate check; its server,
    // database and prefix are then the site's own, and those fields are not used.
    std::string wordPressAddress;
    bool emptyWordPressFirst = false;
    bool keepWordPressTimeZone = false; // otherwise WordPress takes emlog's zone
    bool keepWordPressSettings = false; // otherwise WordPress takes emlog's name, settings, icon and logo
    // Where emptying first keeps its backup: the user's data folder when empty.
    std::string backupDir;
    FileSettings files;
    // When not empty, emlog's rows come from this backup file and emlog's server fields are not used.
    std::string emlogBackup;
    bool acceptTruncatedBackup = false;

    // The window's fields as it first shows them, and so the command line's defaults.
    static RunSettings initial();
};

// Whether the run reads the sample blog scripts/run.sh serves (it names the sample server's password file
// in KESTREL_SAMPLE_PASSWORD_FILE): the window's first fields, unchanged, on this machine. Its failures are
// there on purpose, and the report says so.
bool readsBundledSample(const RunSettings& settings);

// The backup file that emptying first writes, in the settings' folder (made when missing).
std::string backupFilePath(const RunSettings& settings);

// A table prefix goes into statements as typed: only letters, digits, '_' and '$' are safe there.
bool isValidTablePrefix(const QString& prefix);
bool isValidTablePrefix(const std::string& prefix);
// Checked again where a run or a check starts, whatever front end made the settings: the refusal to
// show, or none when both prefixes are safe.
std::optional<QString> prefixRefusal(const RunSettings& settings);
// What this version cannot do yet through WordPress's plugin (emptying first, copying files), refused
// before anything is opened; none when the settings ask for nothing of that.
std::optional<QString> throughPluginRefusal(const RunSettings& settings);

} // namespace kestrel
