#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Byte text is UTF-8. Every walker here steps over whole characters, so a
// match never starts inside one; an invalid or cut-off sequence counts as a
// single byte, and nothing is ever read past the end of the text.
namespace kestrel {

// Length in bytes of the character that starts at `position` (1 for ASCII and for invalid bytes).
std::size_t characterLength(std::string_view text, std::size_t position);

// The first `count` characters of the text (all of it when it has no more).
std::string_view leadingCharacters(std::string_view text, std::size_t count);

// Every occurrence of `from` replaced by `to`, case-sensitively, one whole character at a time.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// Pieces between separators: an empty text gives none, the text before each
// separator is a piece (even when empty), and the rest after the last
// separator is a piece only when it is not empty.
std::vector<std::string> splitText(std::string_view text, char separator);

// One code point as UTF-8 bytes.
std::string utf8Of(char32_t c);

// A to Z become a to z; every other byte stays.
std::string asciiLower(std::string_view text);

// %XX escapes decoded to their bytes (a malformed one stays as it is); with `plusIsSpace`, "+" is a
// space too, as a form or PHP's urlencode writes one.
std::string percentDecoded(std::string_view text, bool plusIsSpace);

} // namespace kestrel
