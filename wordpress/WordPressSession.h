#pragma once

#include "BlogConnection.h"

namespace kestrel {

// A session with WordPress's database as a run needs it: rows go in batches of statements, one
// exchange each, under the sql_mode WordPress gives its own sessions.
BlogConnection openWordPressSession(ConnectionOptions options);

// Drops the sql_mode flags under which WordPress's own tables refuse rows
// that leave columns to their defaults, as WordPress does for its sessions.
bool useWordPressSqlMode(BlogConnection& connection);

} // namespace kestrel
