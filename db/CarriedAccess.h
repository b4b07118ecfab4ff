#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class BlogConnection;
class ResultSet;

// BlogConnection's operations for a session that goes by a carrier (CarriedSession.cpp).
struct CarriedAccess
{
    static bool reconnect(BlogConnection& connection);
    static bool setCharacterSet(BlogConnection& connection, const char* name);
    static bool execute(BlogConnection& connection, std::string_view statement);
    static bool send(BlogConnection& connection, std::string_view statements);
    static std::vector<bool> read(BlogConnection& connection);
    static ResultSet store(BlogConnection& connection);
    // Sends statements at once and goes on; `readAhead` names them when they are selects read ahead.
    static void begin(BlogConnection& connection, const std::vector<std::string_view>& statements,
                      std::vector<std::string> readAhead);
    // What was sent at once, when it is still on its way: its outcome, kept for read().
    static void settle(BlogConnection& connection);
    // Selects in one exchange, `text` being them joined, on their way (see startReadAhead()).
    static bool startReadAhead(BlogConnection& connection, const std::vector<std::string>& selects,
                               std::string_view text);
    // Their rows kept, when selects read ahead are what is on its way.
    static void settleReadAhead(BlogConnection& connection);
};

// The statements of a text that holds several separated by ";", each without it: a ";" inside
// quotes, backquotes or a comment separates nothing.
std::vector<std::string_view> splitStatements(std::string_view text);

} // namespace kestrel
