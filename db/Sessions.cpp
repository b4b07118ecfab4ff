#include "Sessions.h"

#include "ResultSet.h"

#include <array>
#include <sstream>

namespace kestrel {

namespace {

BlogConnection emlogSlot;
BlogConnection wordPressSlot;

BlogConnection open(const ConnectionFields& fields, bool multiStatements)
{
    return openConnection(ConnectionOptions{fields.server, fields.user, fields.password, fields.database, 0,
                                            fields.caFile, multiStatements, fields.tlsFingerprint,
                                            fields.allowUnencrypted});
}

// The modes WordPress removes from its own sessions (wpdb::set_sql_mode).
constexpr std::array incompatibleModes = {"NO_ZERO_DATE",      "ONLY_FULL_GROUP_BY", "STRICT_TRANS_TABLES",
                                          "STRICT_ALL_TABLES", "TRADITIONAL",        "ANSI"};

bool isIncompatible(const std::string& mode)
{
    for (const char* incompatible : incompatibleModes) {
        if (mode == incompatible)
            return true;
    }
    return false;
}

} // namespace

BlogConnection& emlogSession()
{
    return emlogSlot;
}

BlogConnection& wordPressSession()
{
    return wordPressSlot;
}

bool connectEmlog(const ConnectionFields& fields)
{
    emlogSlot = open(fields, false);
    return static_cast<bool>(emlogSlot);
}

bool connectWordPress(const ConnectionFields& fields)
{
    // Rows go to WordPress in batches of statements, one exchange each.
    wordPressSlot = open(fields, true);
    if (wordPressSlot)
        useWordPressSqlMode(wordPressSlot);
    return static_cast<bool>(wordPressSlot);
}

void closeSessions()
{
    if (emlogSlot)
        closeConnection(emlogSlot);
    if (wordPressSlot)
        closeConnection(wordPressSlot);
}

bool useUnicode(BlogConnection& connection)
{
    if (!connection)
        return false;
    // Set once per session: it stays, and a reconnected session gets it again.
    if (connection.characterSet() == "utf8mb4" || connection.characterSet() == "utf8")
        return true;
    return setCharacterSet(connection, "utf8mb4") || setCharacterSet(connection, "utf8");
}

bool useWordPressSqlMode(BlogConnection& connection)
{
    if (!executeSql(connection, "SELECT @@SESSION.sql_mode"))
        return false;
    ResultSet result = storeResult(connection);
    std::string modes;
    if (!readField(result, 0, modes))
        return false;
    freeResult(result);

    std::string kept;
    std::istringstream list(modes);
    for (std::string mode; std::getline(list, mode, ',');) {
        if (mode.empty() || isIncompatible(mode))
            continue;
        kept += kept.empty() ? mode : "," + mode;
    }
    return applySessionSetting(connection, "SET SESSION sql_mode=" + quotedLiteral(connection, kept));
}

} // namespace kestrel
