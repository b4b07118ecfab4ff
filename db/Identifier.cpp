#include "Identifier.h"

namespace kestrel {

std::string quotedIdentifier(std::string_view name)
{
    std::string quoted = "`";
    for (const char c : name) {
        if (c == '`')
            quoted += '`';
        quoted += c;
    }
    return quoted + "`";
}

} // namespace kestrel
