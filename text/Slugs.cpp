#include "Slugs.h"

#include "TextHelpers.h"

#include <algorithm>
#include <array>

namespace kestrel {

namespace {

// Characters WordPress drops from a slug it saves: soft hyphen, inverted marks, angle and
// curly quotes, bullet, symbols, lone accents and the characters that take no width.
constexpr std::array<char32_t, 44> dropped = {0x00AD, 0x00A1, 0x00BF, 0x00AB, 0x00BB, 0x2039, 0x203A, 0x2018, 0x2019,
                                              0x201C, 0x201D, 0x201A, 0x201B, 0x201E, 0x201F, 0x2022, 0x00A9, 0x00AE,
                                              0x00B0, 0x2026, 0x2122, 0x00B4, 0x02CA, 0x0301, 0x0341, 0x0300, 0x0304,
                                              0x030C, 0x200B, 0x200C, 0x200D, 0x200E, 0x200F, 0x202A, 0x202B, 0x202C,
                                              0x202D, 0x202E, 0x2060, 0x2061, 0x2062, 0x2063, 0x2064, 0xFEFF};

char32_t decode(std::string_view character)
{
    const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(character[i])); };
    switch (character.size()) {
    case 2:
        return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    case 3:
        return (byte(0) & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
    case 4:
        return (byte(0) & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 | (byte(3) & 0x3F);
    default:
        return byte(0);
    }
}

// Lower case as PHP's mb_strtolower gives it, for the letters blogs here use: Latin with
// accents, Greek, Cyrillic and the full-width Latin of CJK text.
char32_t lower(char32_t c)
{
    if ((c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) || (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) ||
        (c >= 0x0410 && c <= 0x042F) || (c >= 0xFF21 && c <= 0xFF3A))
        return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F)
        return c + 0x50;
    const bool evenUpper = (c >= 0x0100 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177);
    const bool oddUpper = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
    if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1))
        return c + 1;
    return c;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void appendEscapes(std::string& slug, std::string_view bytes)
{
    static constexpr char hex[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        slug += '%';
        slug += hex[byte >> 4];
        slug += hex[byte & 0x0F];
    }
}

} // namespace

std::string wordPressSlug(std::string_view text, std::size_t limit)
{
    std::string slug;
    // Each piece is one character of the text, so a cut never falls inside an escape.
    auto append = [&](const std::string& piece) {
        if (slug.size() + piece.size() > limit)
            return false;
        slug += piece;
        return true;
    };
    auto appendDash = [&] { return slug.empty() || slug.back() == '-' || append("-"); };
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t length = characterLength(text, i);
        bool room = true;
        if (c == '<') { // tags go, as strip_tags takes them
            const auto close = text.find('>', i);
            i = close == std::string_view::npos ? text.size() : close + 1;
            continue;
        }
        if (c == '&') { // so do entities, up to the first ";"
            const auto end = text.find(';', i + 1);
            if (end != std::string_view::npos && end > i + 1) {
                i = end + 1;
                continue;
            }
        }
        if (length == 1 && static_cast<unsigned char>(c) < 0x80) {
            const char l = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            if ((l >= 'a' && l <= 'z') || (l >= '0' && l <= '9') || l == '_')
                room = append(std::string(1, l));
            else if (l == '-' || l == '.' || l == '/' || l == ' ' || (l >= '\t' && l <= '\r'))
                room = appendDash();
            else if (l == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
                room = append({'%', static_cast<char>(asciiLower(text.substr(i + 1, 1))[0]),
                               static_cast<char>(asciiLower(text.substr(i + 2, 1))[0])});
                i += 2;
            }
        } else if (length > 1) {
            const char32_t character = lower(decode(text.substr(i, length)));
            if (character == 0x00A0 || character == 0x2013 || character == 0x2014) {
                room = appendDash();
            } else if (character == 0x00D7) {
                room = append("x");
            } else if (std::find(dropped.begin(), dropped.end(), character) == dropped.end()) {
                std::string escaped;
                appendEscapes(escaped, utf8Of(character));
                room = append(escaped);
            }
        } // a byte that is not UTF-8 goes, as WordPress drops what it cannot read
        if (!room)
            break;
        i += length;
    }
    while (!slug.empty() && slug.back() == '-')
        slug.pop_back();
    return slug;
}

TakenSlugs::TakenSlugs(const std::unordered_set<std::string>& names)
{
    for (const std::string& name : names)
        insert(name);
}

std::int64_t TakenSlugs::hashOf(std::string_view slug)
{
    // FNV-1a, then a finalizer that spreads every bit of it (as splitmix64 does): the same on
    // every platform.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : slug) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 30;
    hash *= 0xbf58476d1ce4e5b9ULL;
    hash ^= hash >> 27;
    hash *= 0x94d049bb133111ebULL;
    hash ^= hash >> 31;
    return static_cast<std::int64_t>(hash);
}

std::string uniqueSlug(std::string slug, const std::string& fallback, TakenSlugs& taken)
{
    if (slug.empty())
        slug = fallback;
    const bool number =
        !slug.empty() && std::all_of(slug.begin(), slug.end(), [](char c) { return c >= '0' && c <= '9'; });
    std::string unique = number ? slug + "-2" : slug;
    if (!taken.count(unique)) {
        taken.insert(unique);
        return unique;
    }
    int& next = taken.m_next[slug];
    int n = std::max(next, number ? 3 : 2);
    for (; taken.count(unique); ++n) {
        const std::string suffix = "-" + std::to_string(n);
        std::size_t keep = std::min(slug.size(), slugColumnLength - suffix.size());
        // Not inside an escape: back to its "%".
        for (std::size_t back = 1; back <= 2 && keep >= back; ++back) {
            if (keep < slug.size() && slug[keep - back] == '%')
                keep -= back;
        }
        unique = slug.substr(0, keep) + suffix;
    }
    next = n;
    taken.insert(unique);
    return unique;
}

} // namespace kestrel
