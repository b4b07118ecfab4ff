#include "WordPressSession.h"

#include <array>
#include <string>

namespace kestrel {

namespace {

// The modes WordPress removes from its own sessions (wpdb::set_sql_mode).
constexpr std::array incompatibleModes = {"NO_ZERO_DATE",      "ONLY_FULL_GROUP_BY", "STRICT_TRANS_TABLES",
                                          "STRICT_ALL_TABLES", "TRADITIONAL",        "ANSI"};

} // namespace

std::string wordPressSqlMode()
{
    // Worked out by the server from the session's own modes, in the one statement that sets them: no
    // exchange to read them first, and a session opened again (or each carried exchange) gets the same.
    std::string modes = "CONCAT(',',@@SESSION.sql_mode,',')";
    for (const char* mode : incompatibleModes)
        modes = "REPLACE(" + modes + ",'," + mode + ",',',')";
    // Without its first and last comma (a variable set in the same statement would not be read back).
    return "SET SESSION sql_mode=SUBSTRING(" + modes + ",2,CHAR_LENGTH(" + modes + ")-2)";
}

MysqlSession openWordPressSession(ConnectionOptions options)
{
    options.multiStatements = true;
    // A session whose modes are not WordPress's would refuse or change rows WordPress takes: none opens,
    // with the server's reason.
    options.settings.push_back(wordPressSqlMode());
    return MysqlSession(options);
}

bool useWordPressSqlMode(MysqlSession& session)
{
    return session.applySetting(wordPressSqlMode());
}

} // namespace kestrel
