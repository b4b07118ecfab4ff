#include "WordPressSession.h"

#include "ResultSet.h"

#include <array>
#include <sstream>

namespace kestrel {

namespace {

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

BlogConnection openWordPressSession(ConnectionOptions options)
{
    options.multiStatements = true;
    BlogConnection session = openConnection(options);
    if (session)
        useWordPressSqlMode(session);
    return session;
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
