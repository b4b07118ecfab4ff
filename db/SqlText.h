#pragma once

#include "Exchange.h"

#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

// Appends a value to a statement as a quoted literal of the session that will run it; false when the
// value cannot be quoted for that session (and then nothing may be sent that would hold it).
using Quote = std::function<bool(std::string_view value, std::string& statement)>;

// The SQL of a read or a change: each "?N" replaced by its Nth parameter, a number as its digits, a text as
// a quoted literal, a name between backquotes, a list as "a,b,c" (and an empty list as NULL, which matches
// nothing).
bool appendSql(const Named& named, const Quote& quote, std::string& statement);
// "insert into <table> (<columns>) values (...),(...)", every value quoted.
bool appendSql(const Insert& insert, const Quote& quote, std::string& statement);
bool appendSql(const Operation& operation, const Quote& quote, std::string& statement);

// The escaping every server understands by default, for a session that has none of its own to ask.
bool quoteForAnyServer(std::string_view value, std::string& statement);

} // namespace kestrel
