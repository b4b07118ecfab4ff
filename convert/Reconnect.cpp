#include "Reconnect.h"

#include "BlogConnection.h"
#include "MigrationRun.h"

#include <errmsg.h>

namespace kestrel {

bool isSessionLost(const BlogConnection& session)
{
    const unsigned error = session.lastErrorNumber();
    return error == CR_SERVER_GONE_ERROR || error == CR_SERVER_LOST;
}

bool reopenLostSession(MigrationRun&, BlogConnection&)
{
    return false;
}

bool executeWithReconnect(MigrationRun& run, BlogConnection& session, std::string_view statement)
{
    if (executeSql(session, statement))
        return true;
    return isSessionLost(session) && reopenLostSession(run, session) && executeSql(session, statement);
}

} // namespace kestrel
