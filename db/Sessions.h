#pragma once

#include "BlogConnection.h"

#include <string>

namespace kestrel {

// What the user typed for one blog's database.
struct ConnectionFields
{
    std::string server;
    std::string user;
    std::string password;
    std::string database;
    // A CA certificate file the server must prove itself with; empty for none (see ConnectionOptions).
    std::string caFile = {};
    // The SHA-256 fingerprint of the server's certificate, and whether clear text is allowed (see ConnectionOptions).
    std::string tlsFingerprint = {};
    bool allowUnencrypted = false;
};

// The two sessions of a migration run, one per blog, process-wide.
BlogConnection& emlogSession();
BlogConnection& wordPressSession();

// Open a session into its slot, replacing (and so closing) what was there.
// True when the slot now holds an open session.
bool connectEmlog(const ConnectionFields& fields);
bool connectWordPress(const ConnectionFields& fields);
// Closes the emlog session, then the WordPress session.
void closeSessions();

// Text travels as UTF-8 in both directions: utf8mb4 where the server has it, utf8 where not.
bool useUnicode(BlogConnection& connection);
// Drops the sql_mode flags under which WordPress's own tables refuse rows
// that leave columns to their defaults, as WordPress does for its sessions.
bool useWordPressSqlMode(BlogConnection& connection);

} // namespace kestrel
