#pragma once

#include "MysqlSession.h"

#include <string>

namespace kestrel {

// A session with WordPress's database as a run needs it: rows go in exchanges, under the sql_mode
// WordPress gives its own sessions.
MysqlSession openWordPressSession(ConnectionOptions options);

// Drops the sql_mode flags under which WordPress's own tables refuse rows
// that leave columns to their defaults, as WordPress does for its sessions.
bool useWordPressSqlMode(MysqlSession& session);
// The statement that does it.
std::string wordPressSqlMode();

} // namespace kestrel
