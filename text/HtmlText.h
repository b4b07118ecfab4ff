#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// emlog stored what visitors and members typed (comments, names, titles) as typed and
// escaped it when it showed it; WordPress shows such fields as they are stored. So they
// are stored escaped as PHP's htmlspecialchars escapes them (&, <, >, " and '), and
// WordPress then shows the same characters and no element of them.
std::string escapeHtml(std::string_view text);

} // namespace kestrel
