#pragma once

#include "IdMap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace kestrel {

// WordPress keeps slugs in 200-byte columns.
constexpr std::size_t slugColumnLength = 200;

// The slug WordPress itself makes of a title or a name when it saves one
// (sanitize_title): lower case, spaces and dots become "-", other punctuation
// goes, and every other character is percent-encoded UTF-8 in lower-case hex.
// WordPress finds a post or a term again only by such a slug: one it would
// change is never matched by the address of its own page. At most `limit`
// bytes, cut between characters.
std::string wordPressSlug(std::string_view text, std::size_t limit = slugColumnLength);

// The slugs in use, and for each slug made unique the number its next "name-n" is looked for
// from: 20,000 images called image.jpg then cost one step each, not a walk over all before them.
// Slugs are only ever added, so a number passed over once stays taken. Each slug is kept as a
// 64-bit hash of it, not its text, in 16 bytes: two slugs sharing a hash (about one chance in
// 10^10 for a million of them) only make the second take the next "-n", still unique.
class TakenSlugs
{
public:
    TakenSlugs() = default;
    TakenSlugs(const std::unordered_set<std::string>& names);

    std::size_t count(std::string_view slug) const { return m_hashes.contains(hashOf(slug)) ? 1 : 0; }
    void insert(std::string_view slug) { m_hashes.add(hashOf(slug), 0); }
    std::size_t size() const { return m_hashes.size(); }

private:
    static std::int64_t hashOf(std::string_view slug);
    friend std::string uniqueSlug(std::string slug, const std::string& fallback, TakenSlugs& taken);
    IdMap m_hashes;
    std::unordered_map<std::string, int> m_next;
};

// A slug no other row of `taken` has, as WordPress makes one ("name-2", "name-3"),
// and never a bare number, which WordPress's addresses would read as a date or a
// page. An empty slug falls back to `fallback`. The result is added to `taken`.
std::string uniqueSlug(std::string slug, const std::string& fallback, TakenSlugs& taken);

} // namespace kestrel
