#pragma once

#include <mysql.h>

#include <string>

namespace kestrel {

// The calls that set a connection object up before it connects, each checked: a library that refuses
// one (built without it, or too old) would otherwise open a session without the guarantee it gives.
// False, with the option's name in `error`, when the library refuses it.
bool setClientOption(MYSQL* mysql, mysql_option option, const void* value, const char* name, std::string& error);
bool setClientCaFile(MYSQL* mysql, const char* caFile, std::string& error);

// mysql_real_escape_string(), or (unsigned long)-1 when escaping fails.
unsigned long escapeForSession(MYSQL* mysql, char* to, const char* from, unsigned long length);

// For tests only: makes the library seem to refuse the option of that name (as named in the error, e.g.
// "MYSQL_OPT_READ_TIMEOUT", or "mysql_ssl_set"), or every escape fail; an empty name refuses none.
// The library itself refuses none of these on this machine, yet a build elsewhere may.
void refuseClientOptionForTesting(const std::string& name);
void failEscapingForTesting(bool fail);

} // namespace kestrel
