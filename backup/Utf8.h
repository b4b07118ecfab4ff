#pragma once

#include <cstddef>
#include <string_view>

namespace kestrel {

// The index of the first byte that does not begin a well-formed UTF-8 character
// (no overlong forms, no surrogates, nothing past U+10FFFF), or npos.
std::size_t invalidUtf8At(std::string_view text);

} // namespace kestrel
