#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// A table or column name between backquotes, a backquote inside doubled: a name read from a server
// cannot end the quoting and add SQL of its own.
std::string quotedIdentifier(std::string_view name);

} // namespace kestrel
