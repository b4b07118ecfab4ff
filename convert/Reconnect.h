#pragma once

#include <string_view>

namespace kestrel {

class BlogConnection;
struct MigrationRun;

// Whether the last failure of a session was the session itself going away
// (server restarted, wait_timeout, network dropped) rather than a refused statement.
bool isSessionLost(const BlogConnection& session);

// After a statement failed because its session was lost: opens the session
// again with the same settings, a few times with a growing pause, saying so in
// the status text. True when the session is open again; false when the server
// stays away or a stop was asked for.
bool reopenLostSession(MigrationRun& run, BlogConnection& session);

// Runs a statement that may safely run twice (a read): when the session was
// lost, it is opened again and the statement tried once more.
bool executeWithReconnect(MigrationRun& run, BlogConnection& session, std::string_view statement);

} // namespace kestrel
