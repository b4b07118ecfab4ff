#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// Rows held as their bytes, as they came other than from the library (from the receiver plugin, say):
// SQL NULL is no value.
struct PlainRows
{
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
};

// What a statement raised that did not stop it: a value cut to fit its column, say.
struct Warning
{
    unsigned code = 0;
    std::string message;
};

} // namespace kestrel
