#include "TextHelpers.h"

#include "HexDigit.h"

namespace kestrel {

namespace {

bool isContinuation(std::string_view text, std::size_t position, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    if (position >= text.size())
        return false;
    const auto byte = static_cast<unsigned char>(text[position]);
    return byte >= low && byte <= high;
}

} // namespace

std::size_t characterLength(std::string_view text, std::size_t position)
{
    if (position >= text.size())
        return 0;
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return isContinuation(text, position + 1) ? 2 : 1;
    if (lead >= 0xE0 && lead <= 0xEF) {
        // No overlong forms (E0 80..9F) and no surrogates (ED A0..BF).
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return isContinuation(text, position + 1, low, high) && isContinuation(text, position + 2) ? 3 : 1;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return isContinuation(text, position + 1, low, high) && isContinuation(text, position + 2) &&
                       isContinuation(text, position + 3)
                   ? 4
                   : 1;
    }
    return 1;
}

std::string_view leadingCharacters(std::string_view text, std::size_t count)
{
    std::size_t end = 0;
    for (; count > 0 && end < text.size(); --count)
        end += characterLength(text, end);
    return text.substr(0, end);
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, from.size(), from) == 0) {
            out.append(to);
            i += from.size();
        } else {
            const std::size_t length = characterLength(text, i);
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::vector<std::string> splitText(std::string_view text, char separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == separator) {
            pieces.emplace_back(text.substr(start, i - start));
            start = ++i;
        } else {
            i += characterLength(text, i);
        }
    }
    if (start < text.size())
        pieces.emplace_back(text.substr(start));
    return pieces;
}

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string percentDecoded(std::string_view text, bool plusIsSpace)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += plusIsSpace && text[i] == '+' ? ' ' : text[i];
        }
    }
    return decoded;
}

std::string utf8Of(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace kestrel
