#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrel {

// Scans plain text eight bytes at a time: the bulk of a dump is quoted text, read twice.
namespace bytescan {

constexpr std::uint64_t ones = 0x0101010101010101ULL;
constexpr std::uint64_t highs = 0x8080808080808080ULL;

inline std::uint64_t word(const char* bytes)
{
    std::uint64_t w;
    std::memcpy(&w, bytes, sizeof w);
    return w;
}

// Non-zero when some byte of `w` is `b`.
inline std::uint64_t holds(std::uint64_t w, char b)
{
    const std::uint64_t x = w ^ (ones * static_cast<unsigned char>(b));
    return (x - ones) & ~x & highs;
}

// How many bytes of `w` start a UTF-8 character (are not 10xxxxxx).
inline int characterStarts(std::uint64_t w)
{
    return 8 - std::popcount(w & highs & ~(w << 1));
}

} // namespace bytescan

// The index of the first of `a`, `b` or `c` in bytes[from, size), or `size`. `characters`, when
// given, gains the count of UTF-8 characters passed over.
inline std::size_t findAnyOf(const char* bytes, std::size_t from, std::size_t size, char a, char b, char c,
                             std::uint64_t* characters = nullptr)
{
    using namespace bytescan;
    std::size_t at = from;
    while (at + 8 <= size) {
        const std::uint64_t w = word(bytes + at);
        if (holds(w, a) | holds(w, b) | holds(w, c))
            break;
        if (characters)
            *characters += static_cast<std::uint64_t>(characterStarts(w));
        at += 8;
    }
    for (; at < size; ++at) {
        const char byte = bytes[at];
        if (byte == a || byte == b || byte == c)
            break;
        if (characters && (static_cast<unsigned char>(byte) & 0xC0) != 0x80)
            ++*characters;
    }
    return at;
}

} // namespace kestrel
