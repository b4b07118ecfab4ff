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

} // namespace kestrel
